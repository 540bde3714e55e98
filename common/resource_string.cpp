#include "common/resource_string.h"

#include "common/handles.h"

#include <cwchar>
#include <cwctype>
#include <new>
#include <stdio.h>

bool LoadResourceString(UINT id, std::wstring& text)
{
    // A buffer size of 0 asks for a read-only pointer into the table itself:
    // no copy, no length limit.
    const wchar_t* entry = nullptr;
    SetLastError(ERROR_SUCCESS);
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&entry), 0);
    if (length <= 0 || !entry) {
        // A missing block and a missing entry in a block are the same to callers.
        const DWORD error = GetLastError();
        if (error == ERROR_SUCCESS || error == ERROR_RESOURCE_TYPE_NOT_FOUND ||
            error == ERROR_RESOURCE_DATA_NOT_FOUND)
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    text.assign(entry, static_cast<size_t>(length));
    return true;
}

std::wstring ResourceText(UINT id)
{
    std::wstring text;
    LoadResourceString(id, text);
    return text;
}

std::wstring FormatResourceString(UINT id, ...)
{
    std::wstring format;
    if (!LoadResourceString(id, format))
        throw CFailure{E_FAIL};
    va_list arguments;
    va_start(arguments, id);
    try {
        std::wstring text = FormatTextV(format.c_str(), arguments);
        va_end(arguments);
        return text;
    } catch (...) {
        va_end(arguments);
        throw;
    }
}

std::wstring FormatText(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    try {
        std::wstring text = FormatTextV(format, arguments);
        va_end(arguments);
        return text;
    } catch (...) {
        va_end(arguments);
        throw;
    }
}

std::wstring FormatTextV(const wchar_t* format, va_list arguments)
{
    if (!format)
        throw CFailure{E_INVALIDARG};
    // The C runtime's own functions, not the toolchain's replacements: they
    // read "%s" as a wide string, as every format of the string tables means.
    va_list counting;
    va_copy(counting, arguments);
    int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length < 0)
        throw CFailure{E_INVALIDARG};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    va_list writing;
    va_copy(writing, arguments);
    int written = _vsnwprintf(&text[0], text.size(), format, writing);
    va_end(writing);
    if (written != length)
        throw CFailure{E_FAIL};
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring Trim(const std::wstring& text, const wchar_t* characters)
{
    auto trimmed = [characters](wchar_t c) {
        return characters ? std::wcschr(characters, c) != nullptr && c != L'\0'
                          : std::iswspace(c) != 0;
    };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && trimmed(text[first]))
        ++first;
    while (last > first && trimmed(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    CLocalBlock block(text);
    if (length == 0 || !text)
        return std::wstring();
    return Trim(std::wstring(text, length));
}
