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

TEST_F(DataFolder, FoldersFromTheVersionResourceOrTheSystemsError)
{
    RemoveFolderWithFiles(m_company + L"\\Fixture App");
    RemoveFolderWithFiles(m_company);
    const struct
    {
        const wchar_t* fixture;
        DWORD error;       // 0: made
        std::wstring path; // empty: not checked
    } cases[] = {
        // Only spaces are trimmed: the product's leading tab is kept, and only
        // the company folder can be made.
        {L"fixture_tab", ERROR_INVALID_NAME, m_company + L"\\\tTab Fixture"},
        {L"fixture_app", 0, m_company + L"\\Fixture App"},
        {L"fixture_app", 0, m_company + L"\\Fixture App"}, // existing folders count as made
        {L"fixture_console", 0, m_local + L"\\Tarvik Console Fixture"}, // company of spaces left out
        {L"fixture_badname", ERROR_INVALID_NAME, L""},             // "bad|name"
        {L"fixture_noversion", ERROR_RESOURCE_DATA_NOT_FOUND, L""}, // no version resource
        {L"fixture_novarinfo", ERROR_RESOURCE_TYPE_NOT_FOUND, L""}, // no translation table
        {L"fixture_notrans", ERROR_NO_MORE_ITEMS, L""},             // an empty one
    };
    for (const auto& c : cases) {
        CFixtureResult run = RunFixture(c.fixture, L"datafolder");
        ASSERT_TRUE(run.ended) << c.fixture;
        ASSERT_EQ(3u, run.lines.size()) << c.fixture;
        EXPECT_EQ(c.error ? L"0" : L"1", run.lines[0]) << c.fixture;
        if (c.error) {
            EXPECT_EQ(std::to_wstring(c.error), run.lines[1]) << c.fixture;
        }
        if (c.path.empty())
            continue;
        EXPECT_EQ(c.path, run.lines[2]) << c.fixture;
        // What was made: the whole path, or on failure the folder above it.
        EXPECT_TRUE(FolderExists(c.error ? c.path.substr(0, c.path.rfind(L'\\')) : c.path)) << c.fixture;
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
