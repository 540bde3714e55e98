// The program's window when its scale changes while it runs (WM_DPICHANGED,
// as Windows sends it when the window moves to a monitor of another scale or
// its monitor's scale changes): the rectangle Windows suggests, window icons
// of the new size, and the placement kept for the next start.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/message_pump.h"
#include "tests/support/icon_picture.h"
#include "ui/display_scale.h"
#include "ui/main_sheet.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

// The core as the sheet sees it: the default settings, no files.
class CTestCore : public IApplicationCore
{
public:
    CSettingsModel& Model() override { return model; }
    bool RunAtStartup() const override { return false; }
    void SetRunAtStartup(bool) override {}
    void ApplySettings() override {}
    bool Save() override { return true; }
    WINDOWPLACEMENT& Placement() override { return placement; }
    CStatusReport StatusReport() override { return CStatusReport(); }

    CSettingsModel model;
    WINDOWPLACEMENT placement = {}; // nothing stored
};

LONG Width(const RECT& rect)
{
    return rect.right - rect.left;
}

LONG Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

::testing::AssertionResult SameRect(const RECT& expected, const RECT& actual)
{
    if (EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "{" << actual.left << ", " << actual.top << ", " << actual.right << ", "
           << actual.bottom << "} where {" << expected.left << ", " << expected.top << ", "
           << expected.right << ", " << expected.bottom << "} was expected";
}

// The scale change as Windows reports it: the new dots per inch in both
// halves of wParam, the suggested window rectangle behind lParam.
void SendDpiChanged(HWND window, UINT dpi, RECT suggested)
{
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// The window's icon of `kind` is the program icon's own image of the size
// that `metric` has at `dpi`.
void ExpectWindowIcon(HWND window, WPARAM kind, int metric, UINT dpi)
{
    const int size = SystemMetricForDpi(metric, dpi);
    const CIconPicture shown =
        Picture(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0)));
    EXPECT_EQ(size, shown.width) << (kind == ICON_BIG ? "big" : "small") << " icon at " << dpi;
    EXPECT_EQ(size, shown.height) << (kind == ICON_BIG ? "big" : "small") << " icon at " << dpi;
    EXPECT_TRUE(shown.pixels == OwnImage(IDI_TARVIK, size).pixels)
        << (kind == ICON_BIG ? "big" : "small") << " icon at " << dpi << ": not the own image";
}

} // namespace

// At 200 % the window takes the suggested rectangle and icons of 32 and 64
// pixels (the icon's own images), and back at 100 % those of 16 and 32.
// Hidden in the tray, the placement taken at the hide, which is what a save
// then writes, follows the new rectangle, so that the next start at that
// scale keeps the window's place; the change does not show the window.
TEST(MainSheet, AChangeOfScaleMovesTheWindowToTheSuggestedRectangleWithIconsOfTheNewSize)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CTestCore core;
    CMainSheet sheet{core};
    const HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    PumpMessages();
    const UINT startDpi = WindowDpi(window);
    ExpectWindowIcon(window, ICON_BIG, SM_CXICON, startDpi);
    ExpectWindowIcon(window, ICON_SMALL, SM_CXSMICON, startDpi);

    const RECT start = WindowRect(window);
    const RECT large = {start.left + 10, start.top + 20, start.left + 10 + 2 * Width(start),
                        start.top + 20 + 2 * Height(start)};
    SendDpiChanged(window, 192, large);
    EXPECT_TRUE(SameRect(large, WindowRect(window)));
    ExpectWindowIcon(window, ICON_BIG, SM_CXICON, 192);
    ExpectWindowIcon(window, ICON_SMALL, SM_CXSMICON, 192);
    EXPECT_TRUE(IsWindowVisible(window));

    // Closed to the tray: the placement is taken at the hide.
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(window));
    ASSERT_EQ(Width(large), Width(core.placement.rcNormalPosition));
    const RECT small = {large.left + 30, large.top + 40, large.left + 30 + Width(start),
                        large.top + 40 + Height(start)};
    SendDpiChanged(window, 96, small);
    EXPECT_TRUE(SameRect(small, WindowRect(window)));
    ExpectWindowIcon(window, ICON_BIG, SM_CXICON, 96);
    ExpectWindowIcon(window, ICON_SMALL, SM_CXSMICON, 96);
    WINDOWPLACEMENT now = {};
    now.length = sizeof(now);
    ASSERT_TRUE(GetWindowPlacement(window, &now));
    EXPECT_TRUE(SameRect(now.rcNormalPosition, core.placement.rcNormalPosition));
    EXPECT_EQ(Width(start), Width(core.placement.rcNormalPosition));
    EXPECT_EQ(Height(start), Height(core.placement.rcNormalPosition));
    EXPECT_FALSE(IsWindowVisible(window)) << "the change showed the window";

    // Shown again from the tray, where and as large as the change left it.
    sheet.ShowFromTray();
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(SameRect(small, WindowRect(window)));
    DestroyWindow(window);
    PumpMessages();
}

// A placement never taken (the window was never hidden) or given up at the
// first show stays empty, so that no rectangle is saved for it.
TEST(MainSheet, AChangeOfScaleWhileHiddenRecordsNoPlacementThatWasNotTaken)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CTestCore core;
    core.model.Window.minimized = true; // hidden at once, no placement taken
    CMainSheet sheet{core};
    const HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(window));
    const RECT start = WindowRect(window);
    const RECT large = {start.left, start.top, start.left + 2 * Width(start),
                        start.top + 2 * Height(start)};
    SendDpiChanged(window, 192, large);
    EXPECT_TRUE(SameRect(large, WindowRect(window)));
    EXPECT_TRUE(IsRectEmpty(&core.placement.rcNormalPosition));
    EXPECT_FALSE(IsWindowVisible(window));
    DestroyWindow(window);
    PumpMessages();
}
