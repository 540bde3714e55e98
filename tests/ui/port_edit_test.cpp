#include <gtest/gtest.h>

#include <string>

#include "tests/ui/ui_test_support.h"
#include "ui/port_edit.h"

namespace {

// Puts `text` on the clipboard as Unicode text.
bool SetClipboardText(HWND owner, const wchar_t* text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wcslen(text) + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text, (wcslen(text) + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    const bool ok = OpenClipboard(owner) && EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    return ok;
}

class PortEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, parent);
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, parent,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, edit);
        ASSERT_TRUE(portEdit.Subclass(edit));
    }
    void TearDown() override { DestroyWindow(parent); }
    void Type(const wchar_t* keys)
    {
        for (; *keys; ++keys)
            SendMessageW(edit, WM_CHAR, *keys, 1);
    }

    HWND parent = nullptr;
    HWND edit = nullptr;
    CRecordingWarning warning;
    CPortEdit portEdit{warning};
};

} // namespace

TEST_F(PortEditTest, DigitsCommasSpacesAndControlKeysPassAndAnythingElseIsRefused)
{
    Type(L"80, 443,8080");
    EXPECT_EQ(L"80, 443,8080", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());
    EXPECT_EQ(0, warning.beeps);
    // Backspace keeps editing working; Enter and Tab are never refused.
    Type(L"\b\r\t");
    EXPECT_EQ(L"80, 443,808", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());

    Type(L"-a\x00E9");
    EXPECT_EQ(L"80, 443,808", ControlText(edit));
    ASSERT_EQ(3u, warning.balloons.size());
    EXPECT_EQ(3, warning.beeps);
    const CRecordingWarning::Balloon& balloon = warning.balloons[0];
    EXPECT_EQ(edit, balloon.edit);
    EXPECT_EQ(16u, balloon.size);
    EXPECT_EQ(L"Unacceptable Character", balloon.title);
    EXPECT_EQ(L"You can only type either a number, a comma or a space here.", balloon.text);
    EXPECT_EQ(TTI_ERROR, balloon.icon);
}

TEST_F(PortEditTest, APasteIsTakenWholeOrRefusedWhole)
{
    // The clipboard, the selection, the text after the paste, balloons.
    struct { const wchar_t* clipboard; int start, end; const wchar_t* result; size_t balloons; } const cases[] = {
        {L"80,443", 4, 6, L"21, 80,443, 23", 0}, // replaces the selection
        {L"80\r\n", 0, 2, L"21, 22, 23", 1},
        {L"port 80", 0, 2, L"21, 22, 23", 1},
    };
    for (const auto& c : cases) {
        warning.balloons.clear();
        warning.beeps = 0;
        ASSERT_TRUE(SetClipboardText(parent, c.clipboard));
        SetWindowTextW(edit, L"21, 22, 23");
        SendMessageW(edit, EM_SETSEL, c.start, c.end);
        SendMessageW(edit, WM_PASTE, 0, 0);
        SCOPED_TRACE(c.clipboard);
        EXPECT_EQ(c.result, ControlText(edit));
        EXPECT_EQ(c.balloons, warning.balloons.size());
        EXPECT_EQ(static_cast<int>(c.balloons), warning.beeps);
    }
}
