#pragma once
// Base of the end-to-end tests: COM for reading the settings file, and a
// clean data folder before each test.
#include "tests/e2e/data_files.h"
#include "tests/e2e/tarvik_process.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

namespace e2e {

class CEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        RemoveDataFolder();
    }
    void TearDown() override { CoUninitialize(); }
};

// A copy of Tarvik.exe at `path`, in a folder made for it if need be; both
// are removed afterwards (a folder that holds more stays).
class CProgramCopy
{
public:
    explicit CProgramCopy(const std::wstring& path) : m_path(path)
    {
        CreateDirectoryW(Folder().c_str(), nullptr);
        EXPECT_TRUE(CopyFileW(TarvikPath().c_str(), m_path.c_str(), FALSE)) << GetLastError();
    }
    ~CProgramCopy()
    {
        DeleteFileW(m_path.c_str());
        RemoveDirectoryW(Folder().c_str());
    }
    CProgramCopy(const CProgramCopy&) = delete;
    CProgramCopy& operator=(const CProgramCopy&) = delete;
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring Folder() const { return m_path.substr(0, m_path.find_last_of(L'\\')); }
    std::wstring m_path;
};

// The sheet's Apply button.
constexpr WORD kApply = 12321;

// Texts of the program's string table that the tests look for.
inline const wchar_t* const kStarting = L"Starting";
inline const wchar_t* const kStopping = L"Stopping";
inline const wchar_t* const kSeparator =
    L"--------------------------------------------------------------------------------";

} // namespace e2e
