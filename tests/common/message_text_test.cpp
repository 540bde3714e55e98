// Resource strings and message boxes, from this test program's own string
// table: the support library's texts and a few entries of its own.
#include <gtest/gtest.h>

#include "common/message_box.h"
#include "common/resource_string.h"
#include "resources/resource.h"
#include "tests/common/test_strings.h"

#include <string>

namespace {

struct CRecordedBox
{
    int calls = 0;
    HWND owner = nullptr;
    std::wstring text, caption;
    UINT type = 0;
} g_recorded;

int WINAPI RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    g_recorded = {g_recorded.calls + 1, owner, text, caption, type};
    return IDCANCEL;
}

} // namespace

TEST(LoadResourceString, EntriesAnywhereInTheirBlockAndMissingOnes)
{
    // A block's first entry: see the formatting test.
    std::wstring text;
    ASSERT_TRUE(LoadResourceString(IDS_TEST_LAST, text));
    EXPECT_EQ(L"the last entry of its block", text);

    // Missing: the text is left alone.
    text = L"before";
    for (UINT id : {IDS_TEST_ABSENT, IDS_TEST_NO_BLOCK}) { // its block exists, or does not
        SetLastError(0);
        EXPECT_FALSE(LoadResourceString(id, text));
        EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    }
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

TEST(MessageBoxFormat, ShieldFlagNeverReachesTheSystemAndNoTextNoBox)
{
    SetMessageBoxFunction(RecordBox);
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxResource(IDS_TEST_ABSENT, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxFormat(nullptr, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, g_recorded.calls);

    EXPECT_EQ(IDCANCEL,
              MessageBoxFormat(L"%s holds %d files", MB_YESNO | MB_SHIELDBUTTON | MB_ICONWARNING,
                               L"C:\\Temp", 3));
    ASSERT_EQ(1, g_recorded.calls);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), g_recorded.type);
    EXPECT_EQ(L"C:\\Temp holds 3 files", g_recorded.text);
    // The string table has no caption entry: the program's file name stands in.
    wchar_t path[MAX_PATH];
    std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    EXPECT_EQ(program.substr(program.rfind(L'\\') + 1), g_recorded.caption);
    EXPECT_EQ(FindMessageBoxOwner(), g_recorded.owner);

    MessageBoxFormat(L"none", MB_CANCELTRYCONTINUE | MB_SHIELDBUTTON);
    EXPECT_EQ(static_cast<UINT>(MB_CANCELTRYCONTINUE), g_recorded.type);
    SetMessageBoxFunction(nullptr);
}
