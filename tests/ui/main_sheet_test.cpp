#include <gtest/gtest.h>


#include "common/handles.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "tests/log/log_test_file.h"
#include "tests/ui/ui_test_support.h"
#include "ui/main_sheet.h"
#include "ui/process_objects.h"

namespace {

// What the tray menu looked like when it opened; the probe closes it again.
struct CMenuSnapshot
{
    int shown = 0;
    UINT openState = 0, resetState = 0, defaultItem = 0;
} g_menu;

LRESULT CALLBACK ProbeTrayMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        HMENU menu = reinterpret_cast<HMENU>(call->wParam);
        if (GetMenuState(menu, ID_TRAY_OPTIONS, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
            ++g_menu.shown;
            g_menu.openState = GetMenuState(menu, ID_LOG_OPEN, MF_BYCOMMAND);
            g_menu.resetState = GetMenuState(menu, ID_LOG_RESET, MF_BYCOMMAND);
            g_menu.defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
            EndMenu();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class MainSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sheet.SetPaths(settings.Path(), log.Path());
        window = sheet.CreateModeless();
        ASSERT_NE(nullptr, window);
        PumpMessages();
    }
    void TearDown() override
    {
        // The icon belongs to this window: take it away before the window goes.
        g_notifyIcon.Delete();
        if (IsWindow(window))
            DestroyWindow(window);
        PumpMessages();
    }

    CTestLogFile log{L"sheet"};
    CTestLogFile settings{L"sheet-settings"}; // a removed temporary file, like the log
    CHarmlessPowerSystem system;
    CIgnoredTray tray;
    CMainSheet sheet{0x0010AD34, &system, &tray}; // any instance hash
    HWND window = nullptr;
};

} // namespace

TEST_F(MainSheetTest, TheTrayMenuGreysOpenAndResetWhileThereIsNoLogFile)
{
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    g_menu = CMenuSnapshot();
    SendMessageW(window, g_taskbarNotifyMessage, 128, WM_RBUTTONDOWN);
    ASSERT_EQ(1, g_menu.shown);
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_OPTIONS), g_menu.defaultItem);
    EXPECT_EQ(0u, g_menu.openState & MF_GRAYED);
    EXPECT_EQ(0u, g_menu.resetState & MF_GRAYED);

    // The test is made anew each time the menu opens.
    CloseLog();
    ASSERT_TRUE(DeleteFileW(log.Path()));
    SendMessageW(window, g_taskbarNotifyMessage, 128, WM_LBUTTONDOWN);
    ASSERT_EQ(2, g_menu.shown);
    EXPECT_NE(0u, g_menu.openState & MF_GRAYED);
    EXPECT_NE(0u, g_menu.resetState & MF_GRAYED);
}


TEST_F(MainSheetTest, EscapeNeitherClosesNorHidesTheProgram)
{
    // What the dialog manager sends for the Escape key.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    PumpMessages();
    EXPECT_NE(0, SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageW(window, WM_COMMAND, ID_TRAY_EXIT, 0); // the way out still works
    EXPECT_EQ(0, SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0));
}
