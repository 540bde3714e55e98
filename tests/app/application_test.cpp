// The program's core as the program makes it, in this process, over the real
// system with a harmless power system and files of the test's own: its tray
// menu and icon, the connection watch, the icon's scale, and the command
// line's requests over the real system calls. What another process sees of
// the running program is the end-to-end tests' part.
#include "tests/support/loopback.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/command_client.h"
#include "app/instance_manager.h"
#include "common/handles.h"
#include "engine/status_report.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "tests/support/files.h"
#include "tests/support/harmless_power_system.h"
#include "tests/support/icon_picture.h"
#include "tests/support/log_file.h"
#include "tests/support/message_pump.h"
#include "ui/instance_protocol.h"
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

// The shell side with the program's real icons and timers, at a scale the
// test sets; the shell's calls succeed.
class CScaledShell : public IShellNotify
{
public:
    BOOL Notify(DWORD, NOTIFYICONDATAW*) override { return TRUE; }
    UINT NotificationAreaDpi() override { return dpi; }
    HICON LoadSmallIcon(UINT resourceId, UINT atDpi) override
    {
        return RealShellNotify().LoadSmallIcon(resourceId, atDpi);
    }
    bool StartTimer(HWND window, UINT_PTR id, UINT milliseconds) override
    {
        return RealShellNotify().StartTimer(window, id, milliseconds);
    }
    void StopTimer(HWND window, UINT_PTR id) override { RealShellNotify().StopTimer(window, id); }

    UINT dpi = 96;
};

// A name's hash no other test program or running Tarvik has.
const DWORD kHash = 0x7E570000u ^ GetCurrentProcessId();

// The core with COM for the settings file set up first.
class Application : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    }
    void TearDown() override
    {
        if (core)
            core->Shutdown();
    }
    // Starts a core (replacing one before it) over the settings file as it is.
    bool Start(DWORD hash = kHash, IShellNotify* shell = nullptr)
    {
        core.emplace(hash, &system, shell, &filter);
        core->SetPaths(settings.Path(), log.Path());
        return core->Start();
    }
    std::wstring Tooltip() { return core->TrayIcon().Tooltip(); }

    CTestLogFile log{L"core"};
    CTestLogFile settings{L"core-settings"}; // a removed temporary file, like the log
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CScaledShell scaledShell; // outlives the core, which uses it until its shutdown
    std::optional<CApplication> core;
};

// The tray callback as the shell sends it to an icon of version 4.
void SendTrayEvent(HWND window, UINT event)
{
    SendMessageW(window, g_taskbarNotifyMessage, MAKEWPARAM(600, 400),
                 MAKELPARAM(event, kTrayIconId));
}

// The tray menu as it last opened, the probe having closed it again: its
// default item, and the states of Log File's Open and Reset, a space, then
// the Keep awake items in order: "g" greyed, "o" checked as a radio item,
// "x" checked otherwise, "-" none of these.
int g_menusShown = 0;
UINT g_defaultItem = 0;
std::wstring g_menu;

LRESULT CALLBACK ProbeTrayMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    HMENU menu = code == HC_ACTION && call->message == WM_INITMENUPOPUP
                     ? reinterpret_cast<HMENU>(call->wParam)
                     : nullptr;
    if (menu && GetMenuState(menu, ID_TRAY_OPTIONS, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        ++g_menusShown;
        g_defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
        g_menu.clear();
        std::vector<UINT> items = {ID_LOG_OPEN, ID_LOG_RESET, 0};
        for (UINT id = ID_KEEPAWAKE_30; id <= ID_KEEPAWAKE_STOP; ++id) // numbered in menu order
            items.push_back(id);
        for (const UINT id : items) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_FTYPE | MIIM_STATE;
            GetMenuItemInfoW(menu, id, FALSE, &item);
            g_menu += !id                             ? L' '
                      : (item.fState & MFS_GRAYED)    ? L'g'
                      : !(item.fState & MFS_CHECKED)  ? L'-'
                      : (item.fType & MFT_RADIOCHECK) ? L'o'
                                                      : L'x';
        }
        EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

// The tray menu opens on the right button's release at once, on a left
// click once the double-click time has passed, with Options its default
// item; the log items are greyed while there is no log (the test is made
// anew each time the menu opens). The core's window lets the taskbar's
// restart, the instance notification and the command line's requests
// through from processes of lower integrity ("ChangeWindowMessageFilterEx
// function", "User Interface Privilege Isolation": Wine has no integrity
// levels, so a recording filter stands in). Escape in the sheet does not
// end the program; Exit does.
TEST_F(Application, TheTrayMenuOpensByEitherButtonGreysTheLogItemsAndEscapeDoesNotEndTheProgram)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    ASSERT_TRUE(Start());
    const HWND coreWindow = core->Window();
    CMainSheet sheet{*core};
    core->SetView(&sheet);
    const CWindowHandle window(sheet.CreateModeless());
    ASSERT_TRUE(window);
    PumpMessages();
    EXPECT_EQ((std::vector<std::pair<HWND, UINT>>{{coreWindow, g_taskbarCreatedMessage},
                                                  {coreWindow, g_instanceNotifyMessage},
                                                  {coreWindow, static_cast<UINT>(WM_COPYDATA)}}),
              filter.allowed);

    g_menusShown = 0;
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    SendTrayEvent(coreWindow, WM_CONTEXTMENU);
    ASSERT_EQ(1, g_menusShown);
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_OPTIONS), g_defaultItem);
    EXPECT_EQ(L"-- -----g", g_menu);
    CloseLog();
    ASSERT_TRUE(DeleteFileW(log.Path()));
    SendTrayEvent(coreWindow, NIN_SELECT);
    EXPECT_EQ(1, g_menusShown) << "the menu did not wait for a second click";
    ASSERT_TRUE(PumpUntil([] { return g_menusShown == 2; }));
    EXPECT_EQ(L"gg -----g", g_menu);

    // What the dialog manager sends for the Escape key.
    SendMessageW(window.Get(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window.Get(), IDCANCEL)));
    PumpMessages();
    EXPECT_NE(0, SendMessageW(window.Get(), PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_TRUE(IsWindowVisible(window.Get()));
    SendMessageW(coreWindow, WM_COMMAND, ID_TRAY_EXIT, 0); // the way out still works
    PumpMessages();                                        // pressed from the loop
    EXPECT_EQ(0, SendMessageW(window.Get(), PSM_GETCURRENTPAGEHWND, 0, 0));
    core->SetView(nullptr);
    core->Shutdown();
    EXPECT_FALSE(IsWindow(coreWindow));
}

// The tray menu's Keep awake submenu starts and stops keep-awake in the
// engine, which shows it on the icon and holds the system; the menu checks
// the running length as a radio item and greys Stop while none runs.
TEST_F(Application, TheKeepAwakeSubmenuStartsAndStopsItAndTheMenuChecksTheRunningLength)
{
    ASSERT_TRUE(Start());
    EXPECT_TRUE(core->TrayIcon().IsAdded()) << "Wine's notification area refused the icon";
    const HWND coreWindow = core->Window();
    const HICON allowed = core->TrayIcon().Icon();
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    auto keepAwakeItems = [coreWindow] {
        g_menu.clear();
        SendTrayEvent(coreWindow, WM_CONTEXTMENU);
        return g_menu.substr(g_menu.find(L' ') + 1);
    };
    // The thread's flags as Windows holds them: the core runs on this thread
    // (Wine's start with the system held, until a program first sends its own).
    auto held = [] { return (SetThreadExecutionState(0) & ES_SYSTEM_REQUIRED) != 0; };
    EXPECT_EQ(L"-----g", keepAwakeItems());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_120, 0);
    EXPECT_TRUE(core->Engine().KeptAwake());
    EXPECT_EQ(120u, core->Engine().KeepAwakeMinutes());
    EXPECT_EQ(0u, Tooltip().rfind(L"Tarvik - Kept awake until ", 0)) << Tooltip();
    const HICON blocked = core->TrayIcon().Icon();
    EXPECT_NE(allowed, blocked);
    EXPECT_TRUE(held());
    EXPECT_EQ(L"--o---", keepAwakeItems());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_UNTIL_STOPPED, 0);
    EXPECT_EQ(L"Tarvik - Kept awake until you stop it", Tooltip());
    EXPECT_EQ(L"----o-", keepAwakeItems());
    // A length the menu does not offer checks nothing.
    core->Engine().StartKeepAwake(45);
    EXPECT_EQ(L"------", keepAwakeItems());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_STOP, 0);
    EXPECT_FALSE(core->Engine().KeptAwake());
    EXPECT_EQ(L"Tarvik", Tooltip());
    EXPECT_NE(blocked, core->TrayIcon().Icon());
    EXPECT_FALSE(held());
    EXPECT_EQ(L"-----g", keepAwakeItems());
}

// A watched port in use, with no view (as when the window was never opened):
// the tray names it; the connection closes, and the watch's next round shows
// sleep allowed there.
TEST_F(Application, WithoutAWindowTheWatchReachesTheTrayIcon)
{
    std::optional<CLoopback> loopback(std::in_place);
    unsigned client = 0;
    const unsigned port = loopback->Serve(AF_INET, 0, &client);
    ASSERT_NE(0u, port);
    ASSERT_TRUE(WriteBytes(settings.Path(),
                           "<Application><Suspend condition=\"1\"><TcpPorts endpoint=\"3\">" +
                               std::to_string(port) + "</TcpPorts></Suspend></Application>"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(L"Tarvik - Active TCP ports: " + std::to_wstring(port), Tooltip());
    const HICON blocked = core->TrayIcon().Icon();

    loopback.reset();
    SendMessageW(core->Window(), WM_TIMER, IDT_CONNECTIONWATCH, 0);
    EXPECT_EQ(L"Tarvik", Tooltip());
    EXPECT_NE(blocked, core->TrayIcon().Icon());
}

// The core's hidden window is on no monitor and never hears WM_DPICHANGED;
// it hears WM_DISPLAYCHANGE and the taskbar's restart, and loads the icon it
// shows (here the "no suspend" one, 16 pixels at 100 %) again at the
// notification area's new scale: at 200 % modified at 32 pixels, at 150 %
// added anew by the taskbar's restart at 24 pixels.
TEST_F(Application, TheCoreLoadsTheShownIconAgainAtTheNotificationAreasNewScale)
{
    ASSERT_TRUE(
        WriteBytes(settings.Path(), "<Application><Suspend allowed=\"false\"/></Application>"));
    CScaledShell& shell = scaledShell;
    ASSERT_TRUE(Start(kHash, &shell));
    const auto shows = [this](int size) {
        const CIconPicture shown = Picture(core->TrayIcon().Icon());
        return shown.width == size && shown.pixels == OwnImage(IDI_NOSUSPEND, size).pixels;
    };
    EXPECT_TRUE(shows(16));

    shell.dpi = 192;
    SendMessageW(core->Window(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(shows(32));
    shell.dpi = 144;
    SendMessageW(core->Window(), g_taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(shows(24));
    EXPECT_TRUE(core->TrayIcon().IsAdded());
}

// A second start and a request find only a copy of their own name, by the
// hash its core window carries, for as long as the core runs. The
// requester's window hears the reply while its send waits, as it does across
// processes: the engine's report, the minutes asked for. A core that does
// not take requests (a version before the command line) leaves the
// requester with a refusal, which the command line ends as failed.
TEST_F(Application, ARequestReachesOnlyItsOwnCopyAndACoreThatDoesNotTakeItRefuses)
{
    CInstanceManager manager; // the real channel; this test program's hash
    const DWORD hash = manager.InstanceHash();
    const auto send = [hash](RequestVerb verb, unsigned minutes = 0) {
        CCommand command;
        command.kind = CCommand::Kind::Request;
        command.verb = verb;
        command.minutes = minutes;
        return SendCommandRequest(command, hash, 5000);
    };
    using Outcome = CCommandAnswer::Outcome;
    ASSERT_TRUE(Start(hash ^ 1));
    EXPECT_EQ(0u, manager.RunningCopyProcess()) << "a copy of another name was taken";
    EXPECT_EQ(Outcome::NotRunning, send(RequestVerb::Status).outcome);
    core->Shutdown();
    ASSERT_TRUE(Start(hash));
    EXPECT_EQ(GetCurrentProcessId(), manager.RunningCopyProcess());
    const CCommandAnswer answer = send(RequestVerb::Status);
    ASSERT_EQ(Outcome::Answered, answer.outcome);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    const std::vector<std::wstring> report = StatusReportLines(core->Engine().BuildStatusReport());
    EXPECT_EQ(report.back(), answer.text.substr(answer.text.rfind(L'\n') + 1)) << answer.text;
    EXPECT_EQ(Outcome::Answered, send(RequestVerb::KeepAwake, 30).outcome);
    EXPECT_EQ(30u, core->Engine().KeepAwakeMinutes());

    core->Shutdown();
    EXPECT_EQ(0u, manager.RunningCopyProcess());
    const CWindowHandle older(CreateWindowExW(WS_EX_TOOLWINDOW, kCoreWindowClass, L"Tarvik",
                                              WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                              GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(older);
    SetPropW(older.Get(), kInstanceHashProperty,
             reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(hash)));
    EXPECT_EQ(Outcome::Refused, send(RequestVerb::Status).outcome);
    EXPECT_EQ(CommandExit::Failed, AnswerExitCode(send(RequestVerb::Status)));
    RemovePropW(older.Get(), kInstanceHashProperty);
    EXPECT_EQ(CommandExit::NotRunning, AnswerExitCode(send(RequestVerb::Status)));
}
