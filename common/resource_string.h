#pragma once
// Loading and formatting texts of the program's string table, printf-style
// formatting of wide strings with MSVC semantics ("%s" takes a wide string,
// "%hu" an unsigned 16-bit value) on every toolchain, and trimming.
#include <windows.h>

#include <cstdarg>
#include <string>

// The entry `id` of the program's string table; false (text unchanged) when no
// resource module of the program holds it, with ERROR_RESOURCE_NAME_NOT_FOUND
// or the system's error for a table that cannot be read.
bool LoadResourceString(UINT id, std::wstring& text);
// The entry `id`, or an empty text when it cannot be loaded.
std::wstring ResourceText(UINT id);

// LoadResourceString, then formatting; a missing entry throws CFailure(E_FAIL).
std::wstring FormatResourceString(UINT id, ...);

std::wstring FormatText(const wchar_t* format, ...);
std::wstring FormatTextV(const wchar_t* format, va_list arguments);

// `text` without the `characters` at its start and end; without a set, the
// white space (iswspace). The one trim of both programs.
std::wstring Trim(const std::wstring& text, const wchar_t* characters = nullptr);

// The system's message for `code` (FormatMessageW), trimmed; empty when the
// system has none.
std::wstring SystemErrorText(DWORD code);

// The library's failure: thrown for a missing string resource or a failed
// allocation, caught by nothing, so it ends in crash reporting.
struct CFailure
{
    HRESULT code;
};
