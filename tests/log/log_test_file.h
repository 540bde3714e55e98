#pragma once
// A log file of one test in the temporary folder, and readers for what the
// logger wrote into it. The file is read with sharing, as another program
// would while the log is open.
#include <windows.h>

#include <string>
#include <vector>

#include "log/log_file.h"

class CTestLogFile
{
public:
    explicit CTestLogFile(const wchar_t* tag)
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        static int counter = 0;
        m_path = std::wstring(folder) + L"tarvik-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(++counter) + L".txt";
        DeleteFileW(m_path.c_str());
    }
    ~CTestLogFile()
    {
        CloseLog();
        DeleteFileW(m_path.c_str());
    }
    CTestLogFile(const CTestLogFile&) = delete;
    CTestLogFile& operator=(const CTestLogFile&) = delete;

    const wchar_t* Path() const { return m_path.c_str(); }
    size_t Size() const { return Bytes().size(); }

    std::string Bytes() const
    {
        std::string bytes;
        HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        char buffer[4096];
        DWORD read = 0;
        while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return bytes;
    }

    // The UTF-16LE text from byte `from` on (a byte-order mark is not skipped).
    std::wstring Text(size_t from = 0) const
    {
        const std::string bytes = Bytes();
        std::wstring text;
        for (size_t i = from; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])
                                         | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text;
    }

private:
    std::wstring m_path;
};

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

// The system's text for `code`, trimmed of CR, LF, TAB and space; empty when
// it has none.
inline std::wstring SystemText(DWORD code)
{
    wchar_t buffer[128];
    const std::wstring text(buffer, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                                   nullptr, code, 0, buffer, 128, nullptr));
    const size_t first = text.find_first_not_of(L"\r\n\t ");
    return first == std::wstring::npos ? std::wstring()
                                       : text.substr(first, text.find_last_not_of(L"\r\n\t ") - first + 1);
}

// What an error line carries after its text.
inline std::wstring ErrorSuffix(DWORD code)
{
    if (code == 0)
        return L"\r\n";
    std::wstring text = SystemText(code);
    return (text.empty() ? std::wstring() : L"\r\n\t\t" + text) + L" (" + std::to_wstring(code) + L")\r\n";
}
