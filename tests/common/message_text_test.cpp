#include <gtest/gtest.h>

#include "common/message_box.h"

#include <string>

namespace {

struct CRecordedBox
{
    int calls = 0;
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

CRecordedBox g_recorded;

int WINAPI RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    ++g_recorded.calls;
    g_recorded.owner = owner;
    g_recorded.text = text;
    g_recorded.caption = caption;
    g_recorded.type = type;
    return IDCANCEL;
}

// Puts the recorder in place of the system's box for one test.
class RecordedMessageBox : public testing::Test
{
protected:
    void SetUp() override
    {
        g_recorded = CRecordedBox();
        SetMessageBoxFunction(RecordBox);
    }
    void TearDown() override { SetMessageBoxFunction(nullptr); }
};

std::wstring ProgramFileName()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    return name.substr(name.find_last_of(L'\\') + 1);
}

} // namespace

TEST(ShieldButtonForType, DefaultAnswerOfEachButtonSet)
{
    EXPECT_EQ(IDOK, ShieldButtonForType(MB_OK | MB_SHIELDBUTTON));
    EXPECT_EQ(IDOK, ShieldButtonForType(MB_OKCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(IDRETRY, ShieldButtonForType(MB_ABORTRETRYIGNORE | MB_SHIELDBUTTON));
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNOCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNO | MB_SHIELDBUTTON));
    EXPECT_EQ(IDRETRY, ShieldButtonForType(MB_RETRYCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(0, ShieldButtonForType(MB_CANCELTRYCONTINUE | MB_SHIELDBUTTON));
    EXPECT_EQ(0, ShieldButtonForType(0x7 | MB_SHIELDBUTTON));
    // Icon and default-button bits do not change the choice.
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SHIELDBUTTON));
    // Without the flag no button gets the shield.
    EXPECT_EQ(0, ShieldButtonForType(MB_OK));
    EXPECT_EQ(0, ShieldButtonForType(MB_YESNO | MB_ICONWARNING));
}

TEST(CenterPosition, CentresAndTruncatesTowardsZero)
{
    const struct
    {
        RECT box, reference;
        POINT expected;
    } cases[] = {
        {{0, 0, 300, 200}, {100, 100, 200, 150}, {0, 25}},       // wider: out on both sides
        {{500, 500, 600, 550}, {0, 0, 1000, 800}, {450, 375}},
        {{0, 0, 100, 103}, {10, 10, 111, 110}, {10, 9}},         // 1 / 2 -> 0, -3 / 2 -> -1
        {{0, 0, 205, 101}, {-500, -300, -100, -100}, {-403, -251}}, // left of and above the primary
    };
    for (const auto& c : cases) {
        POINT p = CenterPosition(c.box, c.reference);
        EXPECT_EQ(c.expected.x, p.x) << c.reference.left;
        EXPECT_EQ(c.expected.y, p.y) << c.reference.left;
    }
}

TEST_F(RecordedMessageBox, ShieldFlagNeverReachesTheSystem)
{
    EXPECT_EQ(IDCANCEL, MessageBoxFormat(L"%s holds %d files", MB_YESNO | MB_SHIELDBUTTON | MB_ICONWARNING,
                                         L"C:\\Temp", 3));
    ASSERT_EQ(1, g_recorded.calls);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), g_recorded.type);
    EXPECT_EQ(L"C:\\Temp holds 3 files", g_recorded.text);
    // The test program's string table has no caption entry; it is worked out once.
    EXPECT_EQ(ProgramFileName(), g_recorded.caption);
    EXPECT_EQ(GetMessageBoxCaption(), GetMessageBoxCaption());
    EXPECT_EQ(FindMessageBoxOwner(), g_recorded.owner);

    MessageBoxFormat(L"none", MB_CANCELTRYCONTINUE | MB_SHIELDBUTTON);
    EXPECT_EQ(static_cast<UINT>(MB_CANCELTRYCONTINUE), g_recorded.type);
}

TEST_F(RecordedMessageBox, NoTextNoBox)
{
    // Entry 40007 is absent from a block that exists.
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxResource(40007, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxFormat(nullptr, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, g_recorded.calls);
}

