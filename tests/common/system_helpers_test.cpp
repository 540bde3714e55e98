#include <gtest/gtest.h>

#include "common/module.h"
#include "common/system_helpers.h"
#include "tests/support/process.h"

#include <string>

TEST(ExpandFullPath, BadNamesFailWithoutWritingPastTheBuffer)
{
    wchar_t path[MAX_PATH + 8];
    path[MAX_PATH] = L'#';
    SetEnvironmentVariableW(L"TARVIK_TEST_BIG", std::wstring(200, L'b').c_str());
    // Too long; fits on its own but not after the current directory; short
    // before expansion, too long after it.
    for (const std::wstring& name :
         {L"C:\\" + std::wstring(300, L'a'), std::wstring(MAX_PATH - 3, L'r'),
          std::wstring(L"C:\\%TARVIK_TEST_BIG%\\%TARVIK_TEST_BIG%")}) {
        SetLastError(0);
        EXPECT_FALSE(ExpandFullPath(name.c_str(), path)) << name.size();
        EXPECT_NE(0u, GetLastError());
    }
    SetEnvironmentVariableW(L"TARVIK_TEST_BIG", nullptr);
    EXPECT_EQ(L'#', path[MAX_PATH]);

    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(nullptr, path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(ExpandFullPath(L"file.txt", nullptr));
}

// A library built by this project, copied into the current directory under a
// bare name that the system directory lacks: what a planted file looks like.
// Its DllMain leaves a mark in the environment if it ever runs.
TEST(LoadSystemLibrary, BareNameIsNeverTakenFromTheCurrentDirectory)
{
    const wchar_t name[] = L"tarvikplanted.dll";
    wchar_t folder[MAX_PATH];
    GetSystemDirectoryW(folder, MAX_PATH);
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW((std::wstring(folder) + L"\\" + name).c_str()));
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, folder));
    std::wstring planted = std::wstring(folder) + L"\\" + name;
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"planted.dll").c_str(), planted.c_str(), FALSE))
        << GetLastError();
    SetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", nullptr);

    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(name, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, LoadSystemLibrary(name, true));
    CModule module;
    EXPECT_FALSE(module.Load(name, true));
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(nullptr, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

    EXPECT_EQ(0u, GetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", folder, MAX_PATH));
    EXPECT_EQ(nullptr, GetModuleHandleW(planted.c_str()));
    DeleteFileW(planted.c_str());
}
