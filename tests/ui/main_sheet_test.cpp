#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/handles.h"
#include "common/version_info.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "tests/log/log_test_file.h"
#include "tests/ui/ui_test_support.h"
#include "ui/main_sheet.h"
#include "ui/process_objects.h"

namespace {

constexpr DWORD kHash = 0x0010AD34;

HRESULT WINAPI AcceptTaskDialog(const TASKDIALOGCONFIG*, int* button, int*, BOOL*)
{
    if (button)
        *button = IDOK;
    return S_OK;
}

// What the tray menu looked like when it opened; the probe closes it again.
struct CMenuSnapshot
{
    int shown = 0;
    UINT openState = 0;
    UINT resetState = 0;
    UINT defaultItem = 0;
};
CMenuSnapshot g_menu;

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
    void TearDown() override { Close(); }

    void Open()
    {
        sheet.SetPaths(settings.Path(), log.Path());
        sheet.GeneralPage().SetTaskDialogFunction(AcceptTaskDialog);
        window = sheet.CreateModeless();
        ASSERT_NE(nullptr, window);
        PumpMessages();
    }
    void Close()
    {
        // The icon belongs to this window: take it away before the window goes.
        g_notifyIcon.Delete();
        if (window && IsWindow(window))
            DestroyWindow(window);
        window = nullptr;
        PumpMessages();
    }
    // The modeless sheet was told to close: it leaves its window to the owner.
    bool SheetClosed()
    {
        return SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
    }
    std::vector<std::wstring> LogEntries()
    {
        std::vector<std::wstring> entries;
        for (const std::wstring& line : SplitLines(log.Text(2)))
            if (!WithoutStamp(line).empty())
                entries.push_back(WithoutStamp(line));
        return entries;
    }
    bool ToolWindow() { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0; }
    LRESULT Command(int id) { return SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void SetPageCheck(int id, bool check)
    {
        CheckDlgButton(sheet.GeneralPage().Handle(), id, check ? BST_CHECKED : BST_UNCHECKED);
    }
    CSettingsModel SavedModel()
    {
        CSettingsModel model;
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        EXPECT_TRUE(LoadSettings(settings.Path(), model, placement));
        return model;
    }

    CTestLogFile log{L"sheet"};
    CTestLogFile settings{L"sheet-settings"}; // a removed temporary file, like the log
    CFakePowerSystem system;
    CRecordingTray tray;
    CMainSheet sheet{kHash, &system, &tray};
    HWND window = nullptr;
};

} // namespace

TEST_F(MainSheetTest, InitialisationStartsTheLogAndTheTrayIconAndTurnsOkIntoClose)
{
    Open();
    EXPECT_EQ((std::vector<std::wstring>{L"Starting", L"Automatic suspend allowed"}),
              LogEntries());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDCANCEL)));
    EXPECT_EQ(L"Close", ControlText(GetDlgItem(window, IDOK)));
    EXPECT_EQ(L"Tarvik", ControlText(window));
    EXPECT_EQ(window, g_notifyIcon.Owner());
    EXPECT_EQ(L"Tarvik", g_notifyIcon.Tooltip());
    EXPECT_NE(nullptr, g_notifyIcon.Icon());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(sheet.IsShown());
}

TEST_F(MainSheetTest, HiddenToTheTrayAndShownOnlyForItsOwnInstanceAndCodeOne)
{
    Open();
    SendMessageW(window, WM_APP_HIDETOTRAY, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(ToolWindow());

    SendMessageW(window, g_instanceNotifyMessage, 1, kHash + 1);
    SendMessageW(window, g_instanceNotifyMessage, 3, kHash);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(sheet.IsShown());

    SendMessageW(window, g_instanceNotifyMessage, 1, static_cast<LPARAM>(0xFFFFFFFF));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0);
    EXPECT_FALSE(ToolWindow());
    EXPECT_TRUE(sheet.IsShown());
}

TEST_F(MainSheetTest, TheTrayMenuCommandsChooseThePageAndShowTheWindow)
{
    Open();
    SendMessageW(window, WM_APP_HIDETOTRAY, 0, 0);
    Command(ID_TRAY_ABOUT);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(sheet.AboutPage().Handle(),
              reinterpret_cast<HWND>(SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0)));
    // The About page shows the running program's version line.
    std::wstring line;
    ASSERT_TRUE(CAppVersionInfo().VersionLine(line));
    EXPECT_EQ(line, ControlText(sheet.AboutPage().Item(IDC_VERSION)));
    Command(ID_TRAY_OPTIONS);
    EXPECT_EQ(sheet.GeneralPage().Handle(),
              reinterpret_cast<HWND>(SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0)));
}

TEST_F(MainSheetTest, TheTrayMenuGreysOpenAndResetWhileThereIsNoLogFile)
{
    Open();
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

    // Another icon's callback, or another mouse message, opens nothing.
    SendMessageW(window, g_taskbarNotifyMessage, 129, WM_RBUTTONDOWN);
    SendMessageW(window, g_taskbarNotifyMessage, 128, WM_MOUSEMOVE);
    EXPECT_EQ(2, g_menu.shown);
}

TEST_F(MainSheetTest, CloseIsRefusedWhileThePageHoldsAnInvalidDelay)
{
    Open();
    HWND page = sheet.GeneralPage().Handle();
    SYSTEMTIME tooShort;
    GetLocalTime(&tooShort);
    tooShort.wHour = 0;
    tooShort.wMinute = 0;
    tooShort.wSecond = 30;
    SendDlgItemMessageW(page, IDC_SUSPEND_DELAY, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&tooShort));
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(sheet.IsShown());
    Command(IDOK);
    EXPECT_TRUE(IsWindowVisible(window));

    tooShort.wMinute = 2;
    SendDlgItemMessageW(page, IDC_SUSPEND_DELAY, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&tooShort));
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(150, sheet.GeneralPage().Model().AutoSuspend.delay);
    // Hiding reads the placement back but writes no file.
    EXPECT_GT(sheet.Placement().rcNormalPosition.right, sheet.Placement().rcNormalPosition.left);
    EXPECT_FALSE(settings.Exists());
}

TEST_F(MainSheetTest, ApplyAppliesThePagesAndSavesTheFile)
{
    Open();
    SetPageCheck(IDC_BLANKING, false);
    Command(IDC_APPLY_BUTTON);
    ASSERT_TRUE(settings.Exists());
    EXPECT_FALSE(SavedModel().Suspend.blanking);
    EXPECT_TRUE(IsWindowVisible(window));
    // Blanking off keeps the display on.
    ASSERT_FALSE(system.executionStates.empty());
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_DISPLAY_REQUIRED),
              system.executionStates.back());
}

TEST_F(MainSheetTest, EscapeNeitherClosesTheProgramNorHidesIt)
{
    Open();
    // What the dialog manager sends for the Escape key.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    PumpMessages();
    EXPECT_FALSE(SheetClosed());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(settings.Exists());
    Command(ID_TRAY_EXIT); // the way out still works, and saves
    EXPECT_TRUE(SheetClosed());
    EXPECT_TRUE(settings.Exists());
}

TEST_F(MainSheetTest, StartMinimizedHidesTheWindowAndKeepsTheMinimizedShowState)
{
    CSettingsModel model;
    model.Window.minimized = true;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    ASSERT_TRUE(SaveSettings(settings.Path(), model, placement));
    Open();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(ToolWindow());
    EXPECT_EQ(static_cast<UINT>(SW_SHOWMINIMIZED), sheet.Placement().showCmd);
    EXPECT_EQ(window, g_notifyIcon.Owner());
}
