#include <gtest/gtest.h>

#include <string>

#include "tests/ui/ui_test_support.h"
#include "ui/port_edit.h"

namespace {

// Puts `text` on the clipboard as Unicode text (null: an empty clipboard).
bool SetClipboardText(HWND owner, const wchar_t* text)
{
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    bool ok = true;
    if (text) {
        const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        ok = memory != nullptr;
        if (ok) {
            memcpy(GlobalLock(memory), text, bytes);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!ok)
                GlobalFree(memory);
        }
    }
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
        for (const wchar_t* key = keys; *key; ++key)
            SendMessageW(edit, WM_CHAR, *key, 1);
    }
    void SetTextAndSelect(const wchar_t* text, int start, int end)
    {
        SetWindowTextW(edit, text);
        SendMessageW(edit, EM_SETSEL, start, end);
    }

    HWND parent = nullptr;
    HWND edit = nullptr;
    CRecordingWarning warning;
    CPortEdit portEdit{warning};
};

} // namespace

TEST_F(PortEditTest, DigitsCommasAndSpacesAreTypedKeyByKey)
{
    Type(L"80, 443,8080");
    EXPECT_EQ(L"80, 443,8080", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());
    EXPECT_EQ(0, warning.beeps);
}

TEST_F(PortEditTest, AnyOtherCharacterIsDroppedWithTheErrorBalloonAndABeep)
{
    Type(L"80");
    Type(L"-a\x00E9");
    EXPECT_EQ(L"80", ControlText(edit));
    ASSERT_EQ(3u, warning.balloons.size());
    EXPECT_EQ(3, warning.beeps);
    const CRecordingWarning::Balloon& balloon = warning.balloons[0];
    EXPECT_EQ(edit, balloon.edit);
    EXPECT_EQ(16u, balloon.size);
    EXPECT_EQ(L"Unacceptable Character", balloon.title);
    EXPECT_EQ(L"You can only type either a number, a comma or a space here.", balloon.text);
    EXPECT_EQ(TTI_ERROR, balloon.icon);
}

TEST_F(PortEditTest, ControlCharactersKeepEditingWorking)
{
    Type(L"443");
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(L"44", ControlText(edit));
    // Enter and Tab are not the edit's business, but they are never refused.
    SendMessageW(edit, WM_CHAR, VK_RETURN, 1);
    SendMessageW(edit, WM_CHAR, VK_TAB, 1);
    EXPECT_TRUE(warning.balloons.empty());
}

TEST_F(PortEditTest, PastingAPortListReplacesTheSelectionAndCanBeUndone)
{
    ASSERT_TRUE(SetClipboardText(parent, L"80,443"));
    SetTextAndSelect(L"21, 22, 23", 4, 6);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(L"21, 80,443, 23", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());
    EXPECT_NE(0, SendMessageW(edit, EM_CANUNDO, 0, 0));
}

TEST_F(PortEditTest, AMixedClipboardTextIsRefusedWhole)
{
    for (const wchar_t* text : {L"80\r\n", L"80\t443", L"8-9", L"port 80"}) {
        ASSERT_TRUE(SetClipboardText(parent, text));
        SetTextAndSelect(L"21, 22", 0, 2);
        SendMessageW(edit, WM_PASTE, 0, 0);
        EXPECT_EQ(L"21, 22", ControlText(edit)) << "clipboard: " << text;
    }
    EXPECT_EQ(4u, warning.balloons.size());
    EXPECT_EQ(4, warning.beeps);
}

TEST_F(PortEditTest, AnEmptyClipboardTextDeletesTheSelection)
{
    ASSERT_TRUE(SetClipboardText(parent, L""));
    SetTextAndSelect(L"21, 22", 2, 6);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(L"21", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());
}

TEST_F(PortEditTest, AClipboardWithoutTextChangesNothingAndWarnsOfNothing)
{
    ASSERT_TRUE(SetClipboardText(parent, nullptr));
    SetTextAndSelect(L"21, 22", 0, 6);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(L"21, 22", ControlText(edit));
    EXPECT_TRUE(warning.balloons.empty());
    EXPECT_EQ(0, warning.beeps);
}
