#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/handles.h"
#include "tests/support/clipboard_text.h"
#include "tests/support/message_pump.h"
#include "ui/port_edit.h"

namespace {

// Balloons are drawn by nothing under Wine: the seam records them instead.
class CRecordingWarning : public IInputWarning
{
public:
    void ShowBalloon(HWND edit, const EDITBALLOONTIP&) override { edits.push_back(edit); }
    void Beep() override { ++beeps; }

    std::vector<HWND> edits;
    int beeps = 0;
};

} // namespace

// Typed, digits, commas, spaces and control keys pass and anything else is
// refused with a balloon and a beep; a paste is taken whole or refused whole.
TEST(PortEdit, DigitsCommasSpacesAndControlKeysPassAndAPasteIsTakenWholeOrRefusedWhole)
{
    const CWindowHandle parent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 50, nullptr,
                                               nullptr, nullptr, nullptr));
    const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20,
                                      parent.Get(), nullptr, nullptr, nullptr);
    CRecordingWarning warning;
    CPortEdit portEdit{warning};
    ASSERT_TRUE(portEdit.Subclass(edit));
    // Backspace keeps editing working; Enter and Tab are never refused.
    for (const wchar_t key : std::wstring(L"80, 443,8080\b\r\t-a\x00E9"))
        SendMessageW(edit, WM_CHAR, key, 1);
    EXPECT_EQ(L"80, 443,808", WindowTextOf(edit));
    EXPECT_EQ(std::vector<HWND>(3, edit), warning.edits);
    EXPECT_EQ(3, warning.beeps);

    // The clipboard and the text after pasting it over "22", then balloons.
    const std::tuple<const wchar_t*, const wchar_t*, int> cases[] = {
        {L"80,443", L"21, 80,443, 23", 3}, // replaces the selection
        {L"80\r\n", L"21, 22, 23", 4},     // line ends typed pass, pasted do not
    };
    for (const auto& [clipboard, result, balloons] : cases) {
        ASSERT_TRUE(SetClipboardText(parent.Get(), clipboard));
        SetWindowTextW(edit, L"21, 22, 23");
        SendMessageW(edit, EM_SETSEL, 4, 6);
        SendMessageW(edit, WM_PASTE, 0, 0);
        EXPECT_EQ(result, WindowTextOf(edit)) << clipboard;
        EXPECT_EQ(balloons, static_cast<int>(warning.edits.size())) << clipboard;
        EXPECT_EQ(balloons, warning.beeps) << clipboard;
    }
}
