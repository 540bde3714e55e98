#include <gtest/gtest.h>

#include "common/module.h"
#include "common/system_helpers.h"
#include "tests/common/fixture_process.h"

#include <string>

namespace {

constexpr wchar_t PlantedName[] = L"tarvikplanted.dll";

bool PlantedWasLoaded()
{
    wchar_t marker[8] = L"";
    return GetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", marker, 8) > 0;
}

std::wstring SystemFolder()
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

// A library copied into the current directory under a bare name that the
// system directory lacks: what a planted file looks like.
class PlantedLibrary : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t cwd[MAX_PATH];
        ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, cwd));
        m_planted = std::wstring(cwd) + L"\\" + PlantedName;
        std::wstring built = ProgramFolder() + L"\\planted.dll";
        ASSERT_TRUE(CopyFileW(built.c_str(), m_planted.c_str(), FALSE)) << GetLastError();
        SetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", nullptr);
        ASSERT_FALSE(FileExists(SystemFolder() + L"\\" + PlantedName));
    }
    void TearDown() override
    {
        if (HMODULE left = GetModuleHandleW(m_planted.c_str()))
            FreeLibrary(left);
        DeleteFileW(m_planted.c_str());
        SetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", nullptr);
    }

    std::wstring m_planted;
};

} // namespace

TEST_F(PlantedLibrary, BareNameIsNeverTakenFromTheCurrentDirectory)
{
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(PlantedName, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, LoadSystemLibrary(PlantedName, true));

    CModule module;
    EXPECT_FALSE(module.Load(PlantedName, false));
    EXPECT_FALSE(module.Load(PlantedName, true));
    EXPECT_EQ(nullptr, module.Handle());
    EXPECT_FALSE(module.Owned());

    EXPECT_FALSE(PlantedWasLoaded());
    EXPECT_EQ(nullptr, GetModuleHandleW(m_planted.c_str()));
}

TEST(LoadSystemLibrary, BadNamesFailWithoutLoading)
{
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"", false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(nullptr, LoadSystemLibrary(nullptr, false));

    std::wstring longBare(300, L'n');
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadSystemLibrary(longBare.c_str(), false));
    EXPECT_NE(0u, GetLastError());
    std::wstring longPath = L"C:\\" + longBare + L".dll";
    EXPECT_EQ(nullptr, LoadSystemLibrary(longPath.c_str(), true));

    // The system directory itself is no library.
    EXPECT_EQ(nullptr, LoadSystemLibrary(L".", false));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"tarvik-no-such-library.dll", false));

    CModule module;
    SetLastError(0);
    EXPECT_FALSE(module.Load(nullptr, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(module.Load(L"", true));
    EXPECT_EQ(nullptr, module.Handle());
    EXPECT_FALSE(module.Owned());
}
