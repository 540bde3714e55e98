#include <gtest/gtest.h>

#include "common/system_helpers.h"

TEST(ExpandFullPath, RelativeNameIsPlacedInCurrentDirectory)
{
    wchar_t cwd[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, cwd));
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(ExpandFullPath(L"file.txt", path));
    std::wstring expected = cwd;
    if (expected.back() != L'\\')
        expected += L'\\';
    expected += L"file.txt";
    EXPECT_EQ(expected, path);
}
