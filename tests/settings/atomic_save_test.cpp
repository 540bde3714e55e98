// A save either puts the complete new file in place or leaves the old one
// exactly as it was, with no temporary file behind.
#include "settings/settings_file.h"

#include "common/handles.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>


namespace {

class AtomicSaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSettingsModel old;
        old.Command.text = L"old.exe";
        ASSERT_TRUE(SaveSettings(path.c_str(), old, NoPlacement()));
        oldBytes = ReadBytes(path);
        ASSERT_FALSE(oldBytes.empty());
        oldNames = folder.Names();
        ASSERT_EQ(1u, oldNames.size());
    }
    static WINDOWPLACEMENT NoPlacement()
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        return placement;
    }
    static CSettingsModel NewModel()
    {
        CSettingsModel model;
        model.Command.text = L"new.exe";
        model.Command.run = true;
        return model;
    }
    // The save fails, the old file is unchanged and nothing else was left in the folder.
    void ExpectRefused(DWORD* error = nullptr)
    {
        SetLastError(0);
        EXPECT_FALSE(SaveSettings(path.c_str(), NewModel(), NoPlacement()));
        if (error)
            *error = GetLastError();
        EXPECT_EQ(oldBytes, ReadBytes(path));
        EXPECT_EQ(oldNames, folder.Names());
    }

    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
    std::string oldBytes;
    std::vector<std::wstring> oldNames;
};

} // namespace

TEST_F(AtomicSaveTest, ASaveReplacesTheFileAndLeavesNothingElse)
{
    ASSERT_TRUE(SaveSettings(path.c_str(), NewModel(), NoPlacement()));
    EXPECT_EQ(oldNames, folder.Names());
    CSettingsModel loaded;
    WINDOWPLACEMENT placement{};
    ASSERT_TRUE(LoadSettings(path.c_str(), loaded, placement));
    EXPECT_EQ(L"new.exe", loaded.Command.text);
}

TEST_F(AtomicSaveTest, AReadOnlyFileIsKept)
{
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    DWORD error = 0;
    ExpectRefused(&error);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), error);
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(AtomicSaveTest, AFileHeldOpenWithoutSharingIsKept)
{
    CFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    DWORD error = 0;
    SetLastError(0);
    EXPECT_FALSE(SaveSettings(path.c_str(), NewModel(), NoPlacement()));
    error = GetLastError();
    EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) << error;
    EXPECT_EQ(oldNames, folder.Names());
    held.Close();
    EXPECT_EQ(oldBytes, ReadBytes(path));
}

// A missing folder is not created; a folder in place of the file and an empty
// path are no targets either.
TEST_F(AtomicSaveTest, ATargetThatIsNoFileSavesNothing)
{
    const std::wstring missing = folder.File(L"gone");
    SetLastError(0);
    EXPECT_FALSE(SaveSettings((missing + L"\\Tarvik.xml").c_str(), NewModel(), NoPlacement()));
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY) << error;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str()));

    const std::wstring taken = folder.File(L"Taken.xml");
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
    EXPECT_FALSE(SaveSettings(taken.c_str(), NewModel(), NoPlacement()));
    EXPECT_TRUE(GetFileAttributesW(taken.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    SetLastError(0);
    EXPECT_FALSE(SaveSettings(L"", NewModel(), NoPlacement()));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ(oldBytes, ReadBytes(path));
    EXPECT_EQ((std::vector<std::wstring>{L"Taken.xml", L"Tarvik.xml"}), folder.Names());
}
