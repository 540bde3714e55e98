#include "common/resource_string.h"

#include <cwchar>
#include <cwctype>
#include <new>
#include <stdio.h>

namespace {

// Finds entry `id` in the string table of `module`: the tables are blocks of
// sixteen counted strings, block id / 16 + 1 holding entry id % 16. A zero
// count is an absent entry.
bool FindStringEntry(HMODULE module, UINT id, const wchar_t** text, size_t* length)
{
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6));
    if (!resource)
        return false;
    DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded)
        return false;
    const auto* entry = static_cast<const wchar_t*>(LockResource(loaded));
    if (!entry)
        return false;
    const wchar_t* end = entry + size / sizeof(wchar_t);
    // A block without the entry fails like a missing block does.
    for (UINT skip = id % 16; skip > 0; --skip) {
        if (entry >= end) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return false;
        }
        entry += 1 + static_cast<WORD>(*entry);
    }
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    *text = entry + 1;
    *length = static_cast<WORD>(*entry);
    return true;
}

} // namespace

bool LoadResourceString(UINT id, std::wstring& text)
{
    // The program's resource modules: the executable holds every table.
    HMODULE modules[] = {GetModuleHandleW(nullptr)};
    for (HMODULE module : modules) {
        const wchar_t* entry = nullptr;
        size_t length = 0;
        if (module && FindStringEntry(module, id, &entry, &length)) {
            text.assign(entry, length);
            return true;
        }
    }
    return false;
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

std::wstring TrimWhiteSpace(const std::wstring& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first]))
        ++first;
    while (last > first && std::iswspace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}
