#include <gtest/gtest.h>

#include "common/resource_string.h"
#include "resources/resource.h"
#include "tests/common/test_strings.h"

#include <string>

TEST(LoadResourceString, FindsEntriesAnywhereInTheirBlock)
{
    std::wstring text;
    ASSERT_TRUE(LoadResourceString(IDS_VERSION, text));
    EXPECT_EQ(L"Version %s", text);
    ASSERT_TRUE(LoadResourceString(IDS_VERSION_NUMBER, text));
    EXPECT_EQ(L"%hu.%hu (Build %hu)", text);
    ASSERT_TRUE(LoadResourceString(IDS_TEST_FORMAT, text));
    EXPECT_EQ(L"%s has %d items (%lu bytes), version %hu", text);
    ASSERT_TRUE(LoadResourceString(IDS_TEST_LAST, text));
    EXPECT_EQ(L"the last entry of its block", text);
    ASSERT_TRUE(LoadResourceString(IDS_CRASH_MESSAGE, text));
    EXPECT_EQ(0u, text.find(L"An unhandled exception has occurred.\nA crash dump"));
}

TEST(LoadResourceString, MissingEntryLeavesTheTextAlone)
{
    std::wstring text = L"before";
    SetLastError(0);
    EXPECT_FALSE(LoadResourceString(IDS_TEST_ABSENT, text));   // its block exists
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(L"before", text);
    SetLastError(0);
    EXPECT_FALSE(LoadResourceString(IDS_TEST_NO_BLOCK, text)); // its block does not
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(L"before", text);
    EXPECT_FALSE(LoadResourceString(0xE000, text));
    EXPECT_EQ(L"before", text);
}

TEST(FormatResourceString, WideStringsAndIntegerSizes)
{
    EXPECT_EQ(L"Disk \x00fc\x20ac has -3 items (4000000000 bytes), version 65535",
              FormatResourceString(IDS_TEST_FORMAT, L"Disk \x00fc\x20ac", -3, 4000000000ul,
                                   static_cast<unsigned short>(65535)));
    // "%hu" keeps the low 16 bits of what was passed.
    EXPECT_EQ(L"2.1 (Build 4464)", FormatResourceString(IDS_VERSION_NUMBER, 2, 1, 70000));
    EXPECT_EQ(L"100% of everything", FormatResourceString(IDS_TEST_PERCENT, L"everything"));
}

TEST(FormatText, MsvcConversions)
{
    EXPECT_EQ(L"Version 2.1 (Build 49)", FormatText(L"Version %hu.%hu (Build %hu)",
                                                    static_cast<WORD>(2), static_cast<WORD>(1),
                                                    static_cast<WORD>(49)));
    EXPECT_EQ(L"[wide text] [-42] [4294967295]",
              FormatText(L"[%s] [%d] [%lu]", L"wide text", -42, 4294967295ul));
    EXPECT_EQ(L"\\StringFileInfo\\040904b0\\ProductName",
              FormatText(L"\\StringFileInfo\\%04x%04x\\%s", 0x409u, 0x4b0u, L"ProductName"));
    EXPECT_EQ(L"", FormatText(L""));
}

