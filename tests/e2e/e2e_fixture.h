#pragma once
// What every end-to-end test shares beyond the driver: the user's data put
// aside for the run, a clean data folder before each test, settings files
// written before a start, and copies of the program elsewhere.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/process.h"
#include "tests/support/tarvik_driver.h"

namespace e2e {

// Every test empties the data folder. What the user of this prefix keeps
// there (`make run` shares it) is put aside for the run and brought back
// afterwards; a run that was cut short left it aside, and it is kept.
class CUserDataGuard : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!FolderExists(Saved()))
            MoveFileW(CompanyFolder().c_str(), Saved().c_str());
    }
    void TearDown() override
    {
        RemoveTree(CompanyFolder());
        MoveFileW(Saved().c_str(), CompanyFolder().c_str());
    }

private:
    static std::wstring Saved() { return CompanyFolder() + L".e2e-saved"; }
};
inline ::testing::Environment* const g_userDataGuard =
    ::testing::AddGlobalTestEnvironment(new CUserDataGuard);

const char kStartHidden[] = "<Application><Window minimized=\"true\"/></Application>";

// Writes a settings file: the XML declaration and `body` (UTF-8).
inline void WriteSettings(const std::string& body, const std::wstring& path = SettingsPath())
{
    SHCreateDirectoryExW(nullptr, DataFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + body));
}

// COM for reading the settings file, and a clean data folder before each test.
class CEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemoveTree(CompanyFolder());
        ASSERT_FALSE(FolderExists(DataFolder()))
            << "a Tarvik process still holds a file of the data folder";
    }
    const CComApartment m_com{SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))};
};

// A copy of Tarvik.exe at `relativePath` below a folder of this test
// process, so that two runs from one build folder never share a copy; the
// folder goes with it (a test holds one copy at a time).
struct CProgramCopy
{
    explicit CProgramCopy(const std::wstring& relativePath)
        : Root(ProgramFolder() + L"copies." + std::to_wstring(GetCurrentProcessId())),
          Path(Root + L"\\" + relativePath)
    {
        std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
        EXPECT_TRUE(CopyFileW((ProgramFolder() + L"Tarvik.exe").c_str(), Path.c_str(), FALSE))
            << GetLastError();
    }
    ~CProgramCopy() { RemoveTree(Root); }
    const std::wstring Root;
    const std::wstring Path;
};

} // namespace e2e
