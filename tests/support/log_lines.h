#pragma once
// The log's lines as text: cut at CR LF, the time stamp taken off, and what
// an error line carries after its text.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/system_text.h"

// Lines cut at CR LF; the text after the last CR LF (empty for a complete
// file) is the last element.
inline std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The text of a stamped line: what follows the stamp's closing two spaces.
inline std::wstring WithoutStamp(const std::wstring& line)
{
    size_t end = line.find(L"  ");
    return end == std::wstring::npos ? std::wstring() : line.substr(end + 2);
}

// What an error line carries after its text.
inline std::wstring ErrorSuffix(DWORD code)
{
    if (code == 0)
        return L"\r\n";
    std::wstring text = SystemText(code);
    return (text.empty() ? std::wstring() : L"\r\n\t\t" + text) + L" (" + std::to_wstring(code) +
           L")\r\n";
}
