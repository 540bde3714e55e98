#include "tests/support/loopback.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/instance_manager.h"
#include "common/handles.h"
#include "engine/windows_power_system.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "tests/support/harmless_power_system.h"
#include "tests/support/log_file.h"
#include "tests/support/message_pump.h"
#include "ui/main_sheet.h"
#include "ui/process_objects.h"

namespace {

// Records which messages were let through to which window.
class CRecordingFilter : public IWindowMessageFilter
{
public:
    bool Allow(HWND window, UINT message) override
    {
        allowed.emplace_back(window, message);
        return true;
    }
    std::vector<std::pair<HWND, UINT>> allowed;
};

// The tray callback as the shell sends it to an icon of version 4.
void SendTrayEvent(HWND window, UINT event)
{
    SendMessageW(window, g_taskbarNotifyMessage, MAKEWPARAM(600, 400),
                 MAKELPARAM(event, kTrayIconId));
}

// The Keep awake submenu's items, in its order.
const UINT kKeepAwakeItems[] = {ID_KEEPAWAKE_30,
                                ID_KEEPAWAKE_60,
                                ID_KEEPAWAKE_120,
                                ID_KEEPAWAKE_240,
                                ID_KEEPAWAKE_UNTIL_STOPPED,
                                ID_KEEPAWAKE_STOP};
constexpr size_t kKeepAwakeCount = sizeof kKeepAwakeItems / sizeof kKeepAwakeItems[0];

// What the tray menu looked like when it opened; the probe closes it again.
struct CMenuSnapshot
{
    int shown = 0;
    UINT openState = 0, resetState = 0, defaultItem = 0;
    // The Keep awake items' states, and whether each checks as a radio item.
    UINT keepAwake[kKeepAwakeCount] = {};
    bool radio[kKeepAwakeCount] = {};
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
            for (size_t i = 0; i < kKeepAwakeCount; ++i) {
                g_menu.keepAwake[i] = GetMenuState(menu, kKeepAwakeItems[i], MF_BYCOMMAND);
                MENUITEMINFOW item = {};
                item.cbSize = sizeof(item);
                item.fMask = MIIM_FTYPE;
                g_menu.radio[i] = GetMenuItemInfoW(menu, kKeepAwakeItems[i], FALSE, &item) &&
                                  (item.fType & MFT_RADIOCHECK);
            }
            EndMenu();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

// The core and its sheet as the program makes them, with COM for the
// settings file and the common controls of the pages set up first. The
// tray menu opens on the right button's release at once, on a left click
// once the double-click time has passed; the core's window lets the
// taskbar's restart, the instance notification and the command line's
// requests through from processes of lower integrity.
TEST(Application, TheTrayMenuOpensByEitherButtonGreysTheLogItemsAndEscapeDoesNotEndTheProgram)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CTestLogFile log{L"sheet"};
    CTestLogFile settings{L"sheet-settings"}; // a removed temporary file, like the log
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CApplication application{0x0010AD34, &system, nullptr, &filter}; // any instance hash
    application.SetPaths(settings.Path(), log.Path());
    ASSERT_TRUE(application.Start());
    const HWND core = application.Window();
    CMainSheet sheet{application};
    application.SetView(&sheet);
    const HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    PumpMessages();
    EXPECT_EQ((std::vector<std::pair<HWND, UINT>>{{core, g_taskbarCreatedMessage},
                                                  {core, g_instanceNotifyMessage},
                                                  {core, static_cast<UINT>(WM_COPYDATA)}}),
              filter.allowed);
    // Wine has the calls, and they succeed there (they change nothing it shows).
    EXPECT_TRUE(SystemWindowMessageFilter().Allow(core, g_taskbarCreatedMessage));

    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    SendTrayEvent(core, WM_CONTEXTMENU);
    ASSERT_EQ(1, g_menu.shown);
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_OPTIONS), g_menu.defaultItem);
    EXPECT_EQ(0u, g_menu.openState & MF_GRAYED);
    EXPECT_EQ(0u, g_menu.resetState & MF_GRAYED);
    // The test is made anew each time the menu opens.
    CloseLog();
    ASSERT_TRUE(DeleteFileW(log.Path()));
    SendTrayEvent(core, NIN_SELECT);
    EXPECT_EQ(1, g_menu.shown) << "the menu did not wait for a second click";
    ASSERT_TRUE(PumpUntil([] { return g_menu.shown == 2; }));
    EXPECT_NE(0u, g_menu.openState & MF_GRAYED);
    EXPECT_NE(0u, g_menu.resetState & MF_GRAYED);

    // What the dialog manager sends for the Escape key.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    PumpMessages();
    EXPECT_NE(0, SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageW(core, WM_COMMAND, ID_TRAY_EXIT, 0); // the way out still works
    PumpMessages();                                  // pressed from the loop
    EXPECT_EQ(0, SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (IsWindow(window))
        DestroyWindow(window);
    PumpMessages();
    application.SetView(nullptr);
    application.Shutdown();
    EXPECT_FALSE(IsWindow(core));
}

// Without any view, as when the window was never opened: the broadcasts and
// the connection watch still reach the engine, and the tray shows what it
// decided.
TEST(Application, WithoutAWindowTheBroadcastsAndTheWatchReachTheEngineAndTheIcon)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CTestLogFile log{L"core"};
    CTestLogFile settings{L"core-settings"};
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CApplication application{0x0010AD34, &system, nullptr, &filter};
    application.SetPaths(settings.Path(), log.Path());
    std::optional<CLoopback> loopback(std::in_place);
    unsigned client = 0;
    const unsigned port = loopback->Serve(AF_INET, 0, &client);
    ASSERT_NE(0u, port);
    {
        const std::string text = "<Application><Suspend condition=\"1\"><TcpPorts endpoint=\"3\">" +
                                 std::to_string(port) + "</TcpPorts></Suspend></Application>";
        CFileHandle file(CreateFileW(settings.Path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    ASSERT_TRUE(application.Start());
    const HWND core = application.Window();
    EXPECT_FALSE(IsWindowVisible(core));
    EXPECT_EQ(L"Tarvik - Active TCP ports: " + std::to_wstring(port),
              application.TrayIcon().Tooltip());
    const HICON blocked = application.TrayIcon().Icon();

    EXPECT_EQ(TRUE, SendMessageW(core, WM_POWERBROADCAST, PBT_APMSUSPEND, 0));
    const std::wstring text = log.Text();
    EXPECT_NE(std::wstring::npos, text.find(L"Warning: suspend conditions are not met"));
    EXPECT_NE(std::wstring::npos,
              text.find(L"System entering a suspend state by system or user request"));

    // The connection closes; the watch's next round shows sleep allowed.
    loopback.reset();
    SendMessageW(core, WM_TIMER, IDT_CONNECTIONWATCH, 0);
    EXPECT_EQ(L"Tarvik", application.TrayIcon().Tooltip());
    EXPECT_NE(blocked, application.TrayIcon().Icon());
    EXPECT_NE(std::wstring::npos, log.Text().find(L"Automatic suspend allowed"));
    application.Shutdown();
}

// A second start finds the running copy's process by the hash its core
// window carries, over the real system, for as long as the core runs.
TEST(Application, TheCoreWindowCarriesItsInstanceHashForASecondStartToFind)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CTestLogFile log{L"hash"};
    CTestLogFile settings{L"hash-settings"};
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CInstanceManager manager; // the real channel; this test program's hash
    EXPECT_EQ(0u, manager.RunningCopyProcess());
    CApplication other{manager.InstanceHash() ^ 1, &system, nullptr, &filter};
    other.SetPaths(settings.Path(), log.Path());
    ASSERT_TRUE(other.Start());
    EXPECT_EQ(0u, manager.RunningCopyProcess()) << "a copy of another name was taken";
    other.Shutdown();
    {
        CApplication application{manager.InstanceHash(), &system, nullptr, &filter};
        application.SetPaths(settings.Path(), log.Path());
        ASSERT_TRUE(application.Start());
        EXPECT_EQ(GetCurrentProcessId(), manager.RunningCopyProcess());
        application.Shutdown();
    }
    EXPECT_EQ(0u, manager.RunningCopyProcess());
}

// The tray menu's Keep awake submenu starts and stops keep-awake in the
// engine, which shows it on the icon, logs it and holds the system; the menu
// checks the running length as a radio item and greys Stop while none runs.
TEST(Application, TheKeepAwakeSubmenuStartsAndStopsItAndTheMenuChecksTheRunningLength)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CTestLogFile log{L"keepawake"};
    CTestLogFile settings{L"keepawake-settings"};
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CApplication application{0x0010AD34, &system, nullptr, &filter};
    application.SetPaths(settings.Path(), log.Path());
    ASSERT_TRUE(application.Start());
    const HWND core = application.Window();
    const HICON allowed = application.TrayIcon().Icon();
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    // The states of the six items as the menu opens: which are checked,
    // whether those are radio checks, and whether Stop is greyed.
    auto menu = [core] {
        g_menu = {};
        SendTrayEvent(core, WM_CONTEXTMENU);
        EXPECT_EQ(1, g_menu.shown);
        std::wstring checks;
        for (size_t i = 0; i < kKeepAwakeCount; ++i)
            checks += (g_menu.keepAwake[i] & MF_CHECKED) ? (g_menu.radio[i] ? L'o' : L'x') : L'-';
        return checks +
               ((g_menu.keepAwake[kKeepAwakeCount - 1] & MF_GRAYED) ? L" stop greyed" : L" stop");
    };
    // The thread's flags as Windows holds them (Wine's start with the system
    // held, until a program first sends its own).
    auto held = [] { return (SetThreadExecutionState(0) & ES_SYSTEM_REQUIRED) != 0; };
    EXPECT_EQ(L"------ stop greyed", menu());

    SendMessageW(core, WM_COMMAND, ID_KEEPAWAKE_120, 0);
    EXPECT_TRUE(application.Engine().KeptAwake());
    EXPECT_EQ(120u, application.Engine().KeepAwakeMinutes());
    EXPECT_EQ(0u, application.TrayIcon().Tooltip().rfind(L"Tarvik - Kept awake until ", 0))
        << application.TrayIcon().Tooltip();
    const HICON blocked = application.TrayIcon().Icon();
    EXPECT_NE(allowed, blocked);
    EXPECT_TRUE(held());
    EXPECT_NE(std::wstring::npos, log.Text().find(L"Kept awake until "));
    EXPECT_EQ(L"--o--- stop", menu());

    SendMessageW(core, WM_COMMAND, ID_KEEPAWAKE_UNTIL_STOPPED, 0);
    EXPECT_EQ(L"Tarvik - Kept awake until you stop it", application.TrayIcon().Tooltip());
    EXPECT_EQ(L"----o- stop", menu());
    // A length the menu does not offer checks nothing.
    application.Engine().StartKeepAwake(45);
    EXPECT_EQ(L"------ stop", menu());

    SendMessageW(core, WM_COMMAND, ID_KEEPAWAKE_STOP, 0);
    EXPECT_FALSE(application.Engine().KeptAwake());
    EXPECT_EQ(L"Tarvik", application.TrayIcon().Tooltip());
    EXPECT_NE(blocked, application.TrayIcon().Icon());
    EXPECT_FALSE(held());
    EXPECT_NE(std::wstring::npos, log.Text().find(L"Keep awake ended"));
    EXPECT_EQ(L"------ stop greyed", menu());
    application.Shutdown();
}
