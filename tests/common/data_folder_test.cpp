#include <gtest/gtest.h>

#include "common/system_helpers.h"
#include "tests/common/fixture_process.h"

#include <string>

// Each fixture program reads its own version resource: the folders below are
// what their CompanyName and ProductName make of the local application data.
class DataFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        m_local = LocalAppDataFolder();
        ASSERT_FALSE(m_local.empty());
        m_company = m_local + L"\\Tarvik Tests";
    }
    void TearDown() override
    {
        RemoveFolderWithFiles(m_company + L"\\Fixture App");
        RemoveFolderWithFiles(m_local + L"\\Tarvik Console Fixture");
        RemoveFolderWithFiles(m_company);
    }

    std::wstring m_local;
    std::wstring m_company;
};

TEST_F(DataFolder, CompanyThenProductAreCreated)
{
    RemoveFolderWithFiles(m_company + L"\\Fixture App");
    RemoveFolderWithFiles(m_company);
    CFixtureResult run = RunFixture(L"fixture_app", L"datafolder");
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(3u, run.lines.size());
    EXPECT_EQ(L"1", run.lines[0]);
    EXPECT_EQ(m_company + L"\\Fixture App", run.lines[2]);
    EXPECT_TRUE(FolderExists(m_company + L"\\Fixture App"));

    // Existing folders count as created.
    run = RunFixture(L"fixture_app", L"datafolder");
    ASSERT_EQ(3u, run.lines.size());
    EXPECT_EQ(L"1", run.lines[0]);
    EXPECT_EQ(m_company + L"\\Fixture App", run.lines[2]);
}

TEST_F(DataFolder, CompanyOfSpacesOnlyIsLeftOut)
{
    CFixtureResult run = RunFixture(L"fixture_console", L"datafolder");
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(3u, run.lines.size());
    EXPECT_EQ(L"1", run.lines[0]);
    EXPECT_EQ(m_local + L"\\Tarvik Console Fixture", run.lines[2]);
    EXPECT_TRUE(FolderExists(m_local + L"\\Tarvik Console Fixture"));
}

TEST_F(DataFolder, LeadingTabOfProductIsKept)
{
    // Only spaces are trimmed. A tab is no valid file-name character, so the
    // folder that keeps it cannot be made: the failure is the system's.
    CFixtureResult run = RunFixture(L"fixture_tab", L"datafolder");
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(3u, run.lines.size());
    EXPECT_EQ(L"0", run.lines[0]);
    EXPECT_EQ(std::to_wstring(ERROR_INVALID_NAME), run.lines[1]);
    EXPECT_EQ(m_company + L"\\\tTab Fixture", run.lines[2]);
    EXPECT_TRUE(FolderExists(m_company));
}

TEST_F(DataFolder, FailuresKeepTheSystemsError)
{
    struct Case
    {
        const wchar_t* fixture;
        DWORD error;
    };
    const Case cases[] = {
        {L"fixture_badname", ERROR_INVALID_NAME},             // "bad|name"
        {L"fixture_noversion", ERROR_RESOURCE_DATA_NOT_FOUND}, // no version resource
        {L"fixture_novarinfo", ERROR_RESOURCE_TYPE_NOT_FOUND}, // no translation table
        {L"fixture_notrans", ERROR_NO_MORE_ITEMS},             // an empty one
    };
    for (const Case& c : cases) {
        CFixtureResult run = RunFixture(c.fixture, L"datafolder");
        ASSERT_TRUE(run.ended) << c.fixture;
        ASSERT_EQ(3u, run.lines.size()) << c.fixture;
        EXPECT_EQ(L"0", run.lines[0]) << c.fixture;
        EXPECT_EQ(std::to_wstring(c.error), run.lines[1]) << c.fixture;
    }
}

TEST(DataFolderOfTestProgram, NoVersionResourceNoFolder)
{
    // This test program carries no version resource of its own.
    wchar_t path[MAX_PATH];
    SetLastError(0);
    EXPECT_FALSE(GetDataFolder(path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    EXPECT_FALSE(GetDataFolder(nullptr));
}
