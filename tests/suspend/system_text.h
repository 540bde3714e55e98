#pragma once
// The system's own message for an error code, as this Wine or Windows has it.
#include <windows.h>

#include <cwchar>
#include <string>

// The text without its trailing line end and spaces; empty when the system has none.
inline std::wstring SystemText(DWORD code)
{
    wchar_t buffer[256] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x400,
                                  buffer, 256, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && wcschr(L"\r\n\t ", text.back()))
        text.pop_back();
    return text;
}
