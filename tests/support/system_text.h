#pragma once
// What the system says about an error code, taken from the system itself:
// Wine's texts are not Windows' ones.
#include <windows.h>

#include <string>

// The system's text for `code`, trimmed of CR, LF, TAB and space; empty when
// it has none.
inline std::wstring SystemText(DWORD code)
{
    wchar_t buffer[256];
    const std::wstring text(
        buffer, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, buffer, 256, nullptr));
    const size_t first = text.find_first_not_of(L"\r\n\t ");
    return first == std::wstring::npos
               ? std::wstring()
               : text.substr(first, text.find_last_not_of(L"\r\n\t ") - first + 1);
}
