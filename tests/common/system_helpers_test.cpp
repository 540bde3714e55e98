#include <gtest/gtest.h>

#include "common/module.h"
#include "common/system_helpers.h"
#include "tests/support/process.h"

#include <string>

TEST(ExpandFullPath, BadNamesFailWithoutWritingPastTheBuffer)
{
    wchar_t path[MAX_PATH + 8];
    path[MAX_PATH] = L'#';
    std::wstring absolute = L"C:\\" + std::wstring(300, L'a');
    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(absolute.c_str(), path));
    EXPECT_NE(0u, GetLastError());

    // Fits on its own, not after the current directory.
    std::wstring relative(MAX_PATH - 3, L'r');
    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(relative.c_str(), path));
    EXPECT_NE(0u, GetLastError());

    // Short before expansion, too long after it.
    SetEnvironmentVariableW(L"TARVIK_TEST_BIG", std::wstring(200, L'b').c_str());
    EXPECT_FALSE(ExpandFullPath(L"C:\\%TARVIK_TEST_BIG%\\%TARVIK_TEST_BIG%", path));
    SetEnvironmentVariableW(L"TARVIK_TEST_BIG", nullptr);
    EXPECT_EQ(L'#', path[MAX_PATH]);

    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(nullptr, path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(ExpandFullPath(L"file.txt", nullptr));
}

TEST(ModuleFileName, ThePathOfTheModuleWhateverItsLength)
{
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, path, MAX_PATH));
    EXPECT_EQ(path, ModuleFileName());
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(0u, GetModuleFileNameW(kernel, path, MAX_PATH));
    EXPECT_EQ(path, ModuleFileName(kernel));
    SetLastError(0);
    EXPECT_EQ(L"", ModuleFileName(reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x10))));
    EXPECT_NE(0u, GetLastError());
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
    EXPECT_FALSE(module.Load(name, false));
    EXPECT_FALSE(module.Load(name, true));
    EXPECT_EQ(nullptr, module.Handle());

    EXPECT_EQ(0u, GetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", folder, MAX_PATH));
    HMODULE loaded = GetModuleHandleW(planted.c_str());
    EXPECT_EQ(nullptr, loaded);
    if (loaded)
        FreeLibrary(loaded);
    DeleteFileW(planted.c_str());
}

TEST(LoadSystemLibrary, BadNamesFailWithoutLoading)
{
    std::wstring longBare(300, L'n');
    for (const wchar_t* name : {L"", static_cast<const wchar_t*>(nullptr), longBare.c_str()}) {
        SetLastError(0);
        EXPECT_EQ(nullptr, LoadSystemLibrary(name, false));
        EXPECT_NE(0u, GetLastError());
        if (name != longBare.c_str()) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        }
    }
    EXPECT_EQ(nullptr, LoadSystemLibrary((L"C:\\" + longBare + L".dll").c_str(), true));
    CModule module;
    SetLastError(0);
    EXPECT_FALSE(module.Load(nullptr, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(module.Owned());
}
