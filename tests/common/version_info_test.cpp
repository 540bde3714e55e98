#include <gtest/gtest.h>

#include "common/version_info.h"
#include "tests/common/fixture_process.h"

#include <string>

namespace {

std::wstring Fixture(const wchar_t* name)
{
    return ProgramFolder() + L"\\" + name + L".exe";
}

constexpr DWORD kFound = 0xFFFFFFFF;

// The last error a failed string query leaves; kFound when the query succeeds.
DWORD QueryError(const CVersionInfo& info, const wchar_t* name)
{
    const wchar_t* value = nullptr;
    UINT length = 0;
    SetLastError(0);
    return info.QueryString(name, &value, &length) ? kFound : GetLastError();
}

} // namespace

TEST(CAppVersionInfo, VersionAndLegalLinesOfAReleasedProgram)
{
    CAppVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_app").c_str())) << GetLastError();
    EXPECT_EQ(2, info.Major());
    EXPECT_EQ(1, info.Minor());
    EXPECT_EQ(49, info.Build());
    EXPECT_EQ(6, info.Revision());
    EXPECT_FALSE(info.IsPreRelease());

    std::wstring line;
    ASSERT_TRUE(info.VersionLine(line));
    EXPECT_EQ(L"Version 2.1 (Build 49), 32-bit.", line);
    ASSERT_TRUE(info.LegalNoticeLine(line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests.", line);
}

TEST(CAppVersionInfo, PreReleaseAndUncutLegalNotice)
{
    CAppVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_console").c_str()));
    std::wstring line;
    ASSERT_TRUE(info.VersionLine(line));
    EXPECT_EQ(L"Version 1.1 (Build 5) [BETA], 32-bit.", line);

    // No period: the whole text; an empty text stays empty.
    ASSERT_TRUE(info.Load(Fixture(L"fixture_tab").c_str()));
    ASSERT_TRUE(info.LegalNoticeLine(line));
    EXPECT_EQ(L"No period here", line);
    ASSERT_TRUE(info.Load(Fixture(L"fixture_badname").c_str()));
    ASSERT_TRUE(info.LegalNoticeLine(line));
    EXPECT_EQ(L"", line);
}

TEST(CConsoleVersionInfo, TitleLineTrimsTheDescription)
{
    CConsoleVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_console").c_str()));

    const wchar_t* raw = nullptr;
    UINT length = 0;
    ASSERT_TRUE(info.QueryString(L"FileDescription", &raw, &length));
    EXPECT_EQ(std::wstring(L"  Console fixture  "), std::wstring(raw));

    std::wstring line;
    ASSERT_TRUE(info.TitleLine(line));
    EXPECT_EQ(L"Console fixture - Version 1.1 (build 5) [BETA], 32-bit.", line);

    // The console banner shows the notice whole.
    ASSERT_TRUE(info.GetString(L"LegalCopyright", line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests. Second sentence.", line);

    ASSERT_TRUE(info.Load(Fixture(L"fixture_app").c_str()));
    ASSERT_TRUE(info.TitleLine(line));
    EXPECT_EQ(L"Fixture app - Version 2.1 (build 49), 32-bit.", line);
}

TEST(CVersionInfo, FileWithoutVersionResource)
{
    CConsoleVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_app").c_str()));
    SetLastError(0);
    EXPECT_FALSE(info.Load(Fixture(L"fixture_noversion").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    // Nothing of the earlier file survives a failed load.
    EXPECT_EQ(0, info.Major());
    EXPECT_EQ(0u, info.dwSignature);

    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), QueryError(info, L"ProductName"));
    std::wstring text = L"unchanged";
    SetLastError(0);
    EXPECT_FALSE(info.GetString(L"FileDescription", text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_EQ(L"unchanged", text);
    EXPECT_FALSE(info.TitleLine(text));
    EXPECT_EQ(L"unchanged", text);

    EXPECT_FALSE(info.Load(L"C:\\no such folder for tarvik\\none.exe"));
    EXPECT_FALSE(info.Load(nullptr));
    EXPECT_NE(kFound, QueryError(info, L"ProductName"));
}

