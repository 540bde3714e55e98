// The program's window, made as the program makes it over a core whose
// report the test sets: its change of scale while it runs, the Status page
// (made only when first shown, read while in sight, the reader's place kept,
// the report copied whole) and the About page's icon.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/handles.h"
#include "resources/resource.h"
#include "tests/support/clipboard_text.h"
#include "tests/support/icon_picture.h"
#include "tests/support/message_pump.h"
#include "ui/display_scale.h"
#include "ui/main_sheet.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

// A core with the default settings and no files, whose report the test
// writes; it counts the readings.
class CReportCore : public IApplicationCore
{
public:
    CSettingsModel& Model() override { return model; }
    bool RunAtStartup() const override { return false; }
    void SetRunAtStartup(bool) override {}
    void ApplySettings() override {}
    bool Save() override { return true; }
    WINDOWPLACEMENT& Placement() override { return placement; }
    CStatusReport StatusReport() override
    {
        ++readings;
        return report;
    }

    CSettingsModel model;
    WINDOWPLACEMENT placement = {}; // nothing stored
    CStatusReport report;
    int readings = 0;
};

// Sleep held by `count` watched ports in use, one line each, at a fixed moment.
CStatusReport PortsInUse(int count)
{
    CStatusReport report;
    report.now.known = true;
    report.now.local = {2026, 5, 2, 12, 14, 30, 0, 0};
    report.holds = CStatusReport::HOLD_PORTS;
    for (int i = 0; i < count; ++i)
        report.connections.push_back({8080 + i, L"127.0.0.1", 50000 + i});
    return report;
}

// A line more in the report: kept awake until stopped.
void KeepAwake(CStatusReport& report)
{
    report.holds |= CStatusReport::HOLD_KEEP_AWAKE;
    report.keepAwakeUntilStopped = true;
}

// A rectangle's edges, as a test compares and prints them.
std::vector<LONG> Edges(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// The scale change as Windows reports it: the new dots per inch in both
// halves of wParam, the suggested window rectangle behind lParam.
void SendDpiChanged(HWND window, UINT dpi, RECT suggested)
{
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// The window's big and small icons are the program icon's own images of
// the sizes those have at `dpi`.
void ExpectWindowIcons(HWND window, UINT dpi)
{
    const std::pair<WPARAM, int> kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
    for (const auto& kind : kinds) {
        const int size = SystemMetricForDpi(kind.second, dpi);
        const CIconPicture shown =
            Picture(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind.first, 0)));
        EXPECT_EQ(size, shown.width) << "icon " << kind.first << " at " << dpi;
        EXPECT_TRUE(shown.pixels == OwnImage(IDI_TARVIK, size).pixels)
            << "icon " << kind.first << " at " << dpi << ": not the own image";
    }
}

// The sheet over `core`, made as the program makes it.
class MainSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
        core.report = PortsInUse(1);
        window = sheet.CreateModeless();
        ASSERT_NE(nullptr, window);
        PumpMessages();
    }
    void TearDown() override
    {
        DestroyWindow(window);
        PumpMessages();
    }
    void CloseToTray()
    {
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpMessages();
    }

    void ShowStatusPage()
    {
        SendMessageW(window, PSM_SETCURSELID, 0, IDD_STATUS);
        ASSERT_NE(nullptr, Page()) << "the Status page was not made";
    }
    HWND Page() { return sheet.StatusPage().Handle(); }
    HWND Edit() { return GetDlgItem(Page(), IDC_STATUS_TEXT); }
    std::wstring Shown() { return WindowTextOf(Edit()); }
    // Whether the page's timer runs; probing it puts it back as it was.
    bool Reading()
    {
        if (!KillTimer(Page(), CStatusPage::kRefreshTimer))
            return false;
        SetTimer(Page(), CStatusPage::kRefreshTimer, CStatusPage::kRefreshInterval, nullptr);
        return true;
    }

    CReportCore core;
    CMainSheet sheet{core};
    HWND window = nullptr;
};
using StatusPage = MainSheet;

} // namespace

// The program's window when its scale changes while it runs (WM_DPICHANGED,
// as Windows sends it when the window moves to a monitor of another scale or
// its monitor's scale changes: "WM_DPICHANGED message"; Wine cannot change
// the scale while a program runs, so the test sends it): at 200 % the window takes the suggested
// rectangle and icons of 32 and 64 pixels (the icon's own images), and back
// at 100 % those of 16 and 32. Hidden in the tray, the placement taken at
// the hide, which is what a save then writes, follows the new rectangle, so
// that the next start at that scale keeps the window's place; the change
// does not show the window. A placement never taken (the window was never
// hidden) stays empty, so that no rectangle is saved for it.
TEST_F(MainSheet, AChangeOfScaleMovesTheWindowToTheSuggestedRectangleWithIconsOfTheNewSize)
{
    const RECT start = WindowRect(window);
    const LONG width = start.right - start.left, height = start.bottom - start.top;
    const RECT large = {start.left + 10, start.top + 20, start.left + 10 + 2 * width,
                        start.top + 20 + 2 * height};
    SendDpiChanged(window, 192, large);
    EXPECT_EQ(Edges(large), Edges(WindowRect(window)));
    ExpectWindowIcons(window, 192);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsRectEmpty(&core.placement.rcNormalPosition)) << "a placement never taken";

    CloseToTray();
    ASSERT_FALSE(IsWindowVisible(window));
    const RECT& placed = core.placement.rcNormalPosition;
    ASSERT_EQ(2 * width, placed.right - placed.left) << "no placement taken at the hide";
    const RECT small = {large.left + 30, large.top + 40, large.left + 30 + width,
                        large.top + 40 + height};
    SendDpiChanged(window, 96, small);
    EXPECT_EQ(Edges(small), Edges(WindowRect(window)));
    ExpectWindowIcons(window, 96);
    WINDOWPLACEMENT now = {};
    now.length = sizeof(now);
    ASSERT_TRUE(GetWindowPlacement(window, &now));
    EXPECT_EQ(Edges(now.rcNormalPosition), Edges(placed));
    EXPECT_FALSE(IsWindowVisible(window)) << "the change showed the window";

    // Shown again from the tray, where and as large as the change left it.
    sheet.ShowFromTray();
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Edges(small), Edges(WindowRect(window)));
}

// The page comes between General and About. Until it is first shown it
// neither exists nor reads the report; shown, it reads it at once and on
// its timer, also after the sheet's Apply (which tells the current page it
// is left while it stays in sight); it stops when another page is chosen or
// the sheet hides in the tray, and starts again when it is back in sight.
TEST_F(StatusPage, IsMadeWhenFirstShownAndReadsTheReportOnlyWhileInSight)
{
    EXPECT_EQ(nullptr, Page());
    EXPECT_EQ(0, core.readings);
    ShowStatusPage();
    EXPECT_EQ(1, TabCtrl_GetCurSel(
                     reinterpret_cast<HWND>(SendMessageW(window, PSM_GETTABCONTROL, 0, 0))));
    EXPECT_EQ(1, core.readings);
    EXPECT_EQ(CStatusPage::PageText(core.report), Shown());
    // The page's own timer shows a change of the report within two intervals.
    KeepAwake(core.report);
    EXPECT_TRUE(PumpUntil([&] { return Shown() == CStatusPage::PageText(core.report); },
                          2 * CStatusPage::kRefreshInterval));

    SendMessageW(window, WM_COMMAND, IDC_APPLY_BUTTON, 0);
    EXPECT_TRUE(Reading()) << "the sheet's Apply stopped the reading";

    SendMessageW(window, PSM_SETCURSEL, 2, 0);
    EXPECT_FALSE(Reading()) << "still reading while another page is shown";
    const int readings = core.readings;
    SendMessageW(window, PSM_SETCURSEL, 1, 0);
    EXPECT_EQ(readings + 1, core.readings) << "not read again when chosen";
    EXPECT_TRUE(Reading());

    CloseToTray();
    ASSERT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(Reading()) << "still reading while hidden in the tray";
    const int hidden = core.readings;
    sheet.ShowFromTray();
    EXPECT_EQ(hidden + 1, core.readings) << "not read again once back from the tray";
    EXPECT_TRUE(Reading());
}

// A report longer than the edit: scrolled down with a selection inside, a
// refresh that changes lines below leaves the first visible line and the
// selection where they were; all of the text selected (as tabbing into the
// edit does) stays all of it.
TEST_F(StatusPage, ARefreshKeepsTheReadersPlace)
{
    core.report = PortsInUse(40);
    ShowStatusPage();
    HWND edit = Edit();
    SendMessageW(edit, EM_LINESCROLL, 0, 12);
    const LRESULT first = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_EQ(12, first) << "the edit does not scroll";
    const DWORD start = static_cast<DWORD>(SendMessageW(edit, EM_LINEINDEX, 15, 0));
    SendMessageW(edit, EM_SETSEL, start, start + 5);
    const auto selection = [edit] {
        DWORD from = 0, to = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        return std::make_pair(from, to);
    };

    auto tick = [&] { SendMessageW(Page(), WM_TIMER, CStatusPage::kRefreshTimer, 0); };
    KeepAwake(core.report); // a line after the ports
    tick();
    EXPECT_EQ(CStatusPage::PageText(core.report), Shown());
    EXPECT_EQ(first, SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(std::make_pair(start, start + 5), selection());

    SendMessageW(edit, EM_SETSEL, 0, -1);
    core.report.connections.push_back({9999, L"::1", 50999}); // longer
    tick();
    EXPECT_EQ(std::make_pair(DWORD{0}, static_cast<DWORD>(GetWindowTextLengthW(edit))),
              selection());
}

// While another program holds the clipboard open, Copy leaves the clipboard
// as it was and the page says so beside the button, without a message box
// (which would hold the click until dismissed). A later Copy puts the report
// with its heading on the clipboard as plain text, and shows what it copied.
TEST_F(StatusPage, CopyPutsTheWholeReportOnTheClipboardAndSaysWhenAnotherProgramHoldsIt)
{
    ShowStatusPage();
    HWND copy = GetDlgItem(Page(), IDC_STATUS_COPY);
    HWND note = GetDlgItem(Page(), IDC_STATUS_NOTE);
    ASSERT_TRUE(SetClipboardText(window, L"before"));
    EXPECT_FALSE(IsWindowVisible(note));

    const CHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const CHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread other([&] {
        const CClipboardOpen clipboard(OpenClipboard(nullptr) != FALSE);
        SetEvent(held.Get());
        WaitForSingleObject(release.Get(), 10000);
    });
    WaitForSingleObject(held.Get(), 5000);
    KeepAwake(core.report);
    SendMessageW(copy, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(note));
    EXPECT_EQ(CStatusPage::PageText(core.report), Shown()) << "Copy reads the report afresh";
    SetEvent(release.Get());
    other.join();
    EXPECT_EQ(L"before", ClipboardText()) << "the clipboard lost what it had";

    SendMessageW(copy, BM_CLICK, 0, 0);
    const std::wstring whole = StatusReportText(core.report);
    EXPECT_EQ(whole, ClipboardText());
    EXPECT_EQ(whole.substr(whole.find(L"\r\n\r\n") + 4), Shown() + L"\r\n")
        << "the page shows another text than it copied";
    EXPECT_FALSE(IsWindowVisible(note));
}

// The About page's icon: loaded at the size for the page's scale, from the
// icon's own image of that size, in a control that fits it.
TEST_F(MainSheet, TheAboutPageShowsTheIconsOwnImageForItsScale)
{
    SendMessageW(window, PSM_SETCURSELID, 0, IDD_ABOUT);
    ASSERT_NE(nullptr, sheet.AboutPage().Handle()) << "the page was not made";
    HWND control = GetWindow(sheet.AboutPage().Handle(), GW_CHILD);
    ASSERT_EQ(GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    const CIconPicture shown =
        Picture(reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)));
    const int size = CAboutPage::IconSizeForDpi(WindowDpi(sheet.AboutPage().Handle()));
    EXPECT_EQ(shown.width, size);
    EXPECT_TRUE(shown.pixels == OwnImage(IDI_TARVIK, size).pixels)
        << "the page shows another picture than the icon's own";
    RECT area = {};
    GetClientRect(control, &area);
    EXPECT_EQ(area.right, size) << "the control does not fit the icon";
}
