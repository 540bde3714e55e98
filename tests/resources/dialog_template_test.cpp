// The two page templates as compiled into Tarvik.exe: the controls the page
// code looks up by id, and the z-order and WS_GROUP marks that the enabling
// rules walk.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/resources/dialog_template.h"
#include "tests/resources/resource_module.h"

namespace {

constexpr DWORD kNoId = 0xFFFFFFFF; // IDC_STATIC

class DialogTemplateTest : public ::testing::Test
{
protected:
    CResourceModule tarvik{L"Tarvik.exe"};

    CDialogTemplate Load(WORD id)
    {
        CDialogTemplate dialog;
        auto bytes = tarvik.Bytes(RT_DIALOG, MAKEINTRESOURCEW(id));
        EXPECT_NE(bytes.first, nullptr) << "dialog " << id;
        if (bytes.first) {
            EXPECT_TRUE(ParseDialogTemplate(bytes.first, bytes.second, dialog)) << "dialog " << id;
        }
        return dialog;
    }
};

// A property page: a shell-font child with a caption (its tab's title).
void ExpectPageFrame(const CDialogTemplate& dialog, const wchar_t* caption, short width,
                     short height)
{
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.width, width);
    EXPECT_EQ(dialog.height, height);
    EXPECT_EQ(dialog.style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT));
    EXPECT_TRUE(dialog.style & WS_CHILD);
    EXPECT_EQ(dialog.style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_FALSE(dialog.style & WS_POPUP);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 8);
}

struct ExpectedControl
{
    DWORD id;
    const wchar_t* className;
    const wchar_t* text; // nullptr: not checked
    bool group;
    bool tabStop;
};

// The General page, in tab and z-order.
const ExpectedControl kGeneral[] = {
    {IDC_BLANKING, L"Button", L"Allow screen &blanking", true, true},
    {IDC_ALLOW_SUSPEND, L"Button", L"Allow &suspend:", false, true},
    {IDC_CONDITION, L"ComboBox", nullptr, false, true},
    {IDC_PORTS, L"Edit", nullptr, false, true},
    {IDC_ENDPOINT, L"ComboBox", nullptr, false, true},
    {IDC_AUTO_RESUME, L"Button", L"Automatic &resume:", true, true},
    {IDC_RESUME_MODE, L"ComboBox", nullptr, false, true},
    {IDC_RESUME_DATE, L"SysDateTimePick32", nullptr, false, true},
    {IDC_RESUME_TIME, L"SysDateTimePick32", nullptr, false, true},
    {kNoId, L"Button", L"On resume", true, false},
    {IDC_AUTO_SUSPEND, L"Button", L"S&uspend in:", false, true},
    {IDC_SUSPEND_DELAY, L"SysDateTimePick32", nullptr, false, true},
    {kNoId, L"Static", L"S&tate:", false, false},
    {IDC_SUSPEND_STATE, L"ComboBox", nullptr, false, true},
    {IDC_RUN_COMMAND, L"Button", L"Ru&n an application or open an URL:", true, true},
    {IDC_COMMAND, L"Edit", nullptr, false, true},
    {IDC_BROWSE, L"Button", L"Br&owse", false, true},
    {IDC_RUN_AT_STARTUP, L"Button", L"Run when &Windows starts", true, true},
    {IDC_START_MINIMIZED, L"Button", L"Start &minimized", false, true},
};

// Window classes are matched without regard to case, and resource compilers
// store them differently ("Button" as an ordinal, "BUTTON", "SysLink").
bool SameClass(const std::wstring& a, const wchar_t* b)
{
    return _wcsicmp(a.c_str(), b) == 0;
}

TEST_F(DialogTemplateTest, GeneralPageHasEveryControlInOrderWithItsGroupMarks)
{
    CDialogTemplate dialog = Load(IDD_GENERAL);
    ExpectPageFrame(dialog, L"General", 253, 190);
    ASSERT_EQ(dialog.items.size(), std::size(kGeneral));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const CDialogItem& item = dialog.items[i];
        const ExpectedControl& expected = kGeneral[i];
        SCOPED_TRACE(testing::Message() << "control #" << i << ", id " << expected.id);
        EXPECT_EQ(item.id, expected.id);
        EXPECT_TRUE(SameClass(item.className, expected.className)) << item.className;
        if (expected.text) {
            EXPECT_EQ(item.text, expected.text);
        }
        EXPECT_EQ((item.style & WS_GROUP) != 0, expected.group);
        EXPECT_EQ((item.style & WS_TABSTOP) != 0, expected.tabStop);
        EXPECT_TRUE(item.style & WS_VISIBLE);
        EXPECT_FALSE(item.style & WS_DISABLED);
    }
}

// Dialog 130 is given to the unit: the icon, the description, the version and
// legal-notice placeholders, the fixed line and the link.
TEST_F(DialogTemplateTest, AboutPageMatchesItsLayout)
{
    CDialogTemplate dialog = Load(IDD_ABOUT);
    ExpectPageFrame(dialog, L"About", 239, 155);
    struct
    {
        DWORD id;
        const wchar_t* className;
        RECT box;
    } const expected[] = {
        {kNoId, L"Static", {14, 14, 34, 34}},
        {kNoId, L"Static", {45, 12, 232, 37}},
        {IDC_VERSION, L"Static", {45, 45, 205, 53}},
        {IDC_LEGAL, L"Static", {45, 57, 205, 65}},
        {kNoId, L"Static", {45, 69, 120, 77}},
        {IDC_WEBLINK, L"SysLink", {45, 85, 166, 104}},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const CDialogItem& item = dialog.items[i];
        SCOPED_TRACE(testing::Message() << "control #" << i);
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_TRUE(SameClass(item.className, expected[i].className)) << item.className;
        EXPECT_TRUE(EqualRect(&item.box, &expected[i].box));
    }

    EXPECT_EQ(dialog.items[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_EQ(dialog.items[0].textOrdinal, IDI_TARVIK);
    EXPECT_EQ(dialog.items[1].text,
              L"Tarvik allows you to control the automatic suspend and resume feature of your "
              L"system and can possibly prevent suspend or invoke actions on automatic resume.");
    EXPECT_FALSE(dialog.items[2].text.empty());
    EXPECT_FALSE(dialog.items[3].text.empty());
    EXPECT_EQ(dialog.items[4].text, L"All rights reserved.");

    const CDialogItem& link = dialog.items[5];
    EXPECT_TRUE(link.style & WS_TABSTOP);
    EXPECT_NE(link.text.find(L"<a href=\"https://tarvik.example.org/\">"), std::wstring::npos)
        << "the quotes of the link must survive the resource compiler";
    EXPECT_NE(link.text.find(L"</a>"), std::wstring::npos);
}

} // namespace
