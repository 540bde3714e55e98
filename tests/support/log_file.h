#pragma once
// A log file of one test in the temporary folder, read as another program
// would while the log is open.
#include <windows.h>

#include <string>

#include "log/log_file.h"
#include "tests/support/files.h"

class CTestLogFile
{
public:
    explicit CTestLogFile(const wchar_t* tag)
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        static int counter = 0;
        m_path = std::wstring(folder) + L"tarvik-" + tag + L"-" +
                 std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
                 L".txt";
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
    std::string Bytes() const { return ReadBytes(m_path); }
    // The UTF-16LE text from byte `from` on (a byte-order mark is not skipped).
    std::wstring Text(size_t from = 0) const { return Utf16Text(Bytes(), from); }

private:
    std::wstring m_path;
};
