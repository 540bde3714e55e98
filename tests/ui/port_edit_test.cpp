#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/clipboard_text.h"
#include "tests/support/message_pump.h"
#include "ui/port_edit.h"

namespace {

// Balloons are drawn by nothing under Wine: the seam records them instead.
class CRecordingWarning : public IInputWarning
{
public:
    void ShowBalloon(HWND edit, const EDITBALLOONTIP& tip) override
    {
        EXPECT_EQ(sizeof(EDITBALLOONTIP), tip.cbStruct);
        EXPECT_EQ(L"Unacceptable Character", std::wstring(tip.pszTitle));
        EXPECT_EQ(L"You can only type either a number, a comma or a space here.",
                  std::wstring(tip.pszText));
        EXPECT_EQ(TTI_ERROR, tip.ttiIcon);
        edits.push_back(edit);
    }
    void Beep() override { ++beeps; }

    std::vector<HWND> edits;
    int beeps = 0;
};

class PortEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                 nullptr, nullptr);
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, parent,
                               nullptr, nullptr, nullptr);
        ASSERT_TRUE(portEdit.Subclass(edit));
    }
    void TearDown() override { DestroyWindow(parent); }
    void Type(const wchar_t* keys)
    {
        for (; *keys; ++keys)
            SendMessageW(edit, WM_CHAR, *keys, 1);
    }
    std::wstring Text() { return WindowTextOf(edit); }

    HWND parent = nullptr, edit = nullptr;
    CRecordingWarning warning;
    CPortEdit portEdit{warning};
};

} // namespace

TEST_F(PortEditTest, DigitsCommasSpacesAndControlKeysPassAndAnythingElseIsRefused)
{
    Type(L"80, 443,8080");
    // Backspace keeps editing working; Enter and Tab are never refused.
    Type(L"\b\r\t");
    EXPECT_EQ(L"80, 443,808", Text());
    EXPECT_TRUE(warning.edits.empty());
    EXPECT_EQ(0, warning.beeps);

    Type(L"-a\x00E9");
    EXPECT_EQ(L"80, 443,808", Text());
    EXPECT_EQ(std::vector<HWND>(3, edit), warning.edits);
    EXPECT_EQ(3, warning.beeps);
}

TEST_F(PortEditTest, APasteIsTakenWholeOrRefusedWhole)
{
    // The clipboard, the selection, the text after the paste, balloons.
    struct
    {
        const wchar_t* clipboard;
        int start, end;
        const wchar_t* result;
        size_t balloons;
    } const cases[] = {
        {L"80,443", 4, 6, L"21, 80,443, 23", 0}, // replaces the selection
        {L"80\r\n", 0, 2, L"21, 22, 23", 1},
        {L"port 80", 0, 2, L"21, 22, 23", 2},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetClipboardText(parent, c.clipboard));
        SetWindowTextW(edit, L"21, 22, 23");
        SendMessageW(edit, EM_SETSEL, c.start, c.end);
        SendMessageW(edit, WM_PASTE, 0, 0);
        EXPECT_EQ(c.result, Text()) << c.clipboard;
        EXPECT_EQ(c.balloons, warning.edits.size()) << c.clipboard;
        EXPECT_EQ(static_cast<int>(c.balloons), warning.beeps) << c.clipboard;
    }
}
