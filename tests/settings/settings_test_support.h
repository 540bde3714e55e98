#pragma once
// Helpers of the settings tests: COM for the whole run, a private folder on
// disk per test, and file contents as bytes.
#include <windows.h>

#include <string>
#include <vector>

// A new empty folder below the temporary folder, removed with its content.
class CTestFolder
{
public:
    CTestFolder();
    ~CTestFolder();
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // The full path of `name` inside the folder.
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }
    // Names of the files in the folder, sorted.
    std::vector<std::wstring> Names() const;

private:
    std::wstring m_path;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
std::wstring Utf8ToWide(const std::string& bytes);
std::string WideToUtf8(const std::wstring& text);

// A settings document with the XML declaration and `body` as its content.
std::string SettingsDocument(const std::string& body);

// The seven fields a settings time keeps (the day of the week is derived).
bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b);
std::string TimeText(const SYSTEMTIME& t);

// The local time of a UTC moment, by the platform's own conversion.
SYSTEMTIME LocalOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                   WORD milliseconds);

struct CSettingsModel;
// Every field of `model` as one line of text, for comparisons with a readable failure.
std::string ModelText(const CSettingsModel& model);
std::string PlacementText(const WINDOWPLACEMENT& placement);
