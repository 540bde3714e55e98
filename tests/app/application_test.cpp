// The program's core as the program makes it, in this process, over the real
// system with a harmless power system and files of the test's own: its tray
// menu and icon, the connection watch, the Status page over the host's real
// connection tables, the icon's scale, and the command line's requests over
// the real system calls (the requester's window hears the reply while its
// send waits, as it does across processes).
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
#include "app/command_protocol.h"
#include "app/instance_manager.h"
#include "common/handles.h"
#include "common/resource_string.h"
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
// test sets; the shell's calls succeed and are recorded.
class CScaledShell : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        messages.push_back(message);
        icons.push_back(data->hIcon);
        tooltips.push_back(data->szTip);
        return TRUE;
    }
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
    void Forget()
    {
        messages.clear();
        icons.clear();
        tooltips.clear();
    }

    UINT dpi = 96;
    std::vector<DWORD> messages;
    std::vector<HICON> icons;
    std::vector<std::wstring> tooltips;
};

// A name's hash no other test program or running Tarvik has.
const DWORD kHash = 0x7E570000u ^ GetCurrentProcessId();

// The core with COM for the settings file and the common controls of the
// sheet's pages set up first.
class Application : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        PumpMessages();
        if (core) {
            core->SetView(nullptr);
            core->Shutdown();
        }
    }
    // Starts a core (replacing one before it) over the settings file as it is.
    bool Start(DWORD hash = kHash, IShellNotify* shell = nullptr)
    {
        core.emplace(hash, &system, shell, &filter);
        core->SetPaths(settings.Path(), log.Path());
        return core->Start();
    }
    // Watches `port` at either end of a connection: the listener's port is
    // the local port of the accepted end and the remote port of the
    // connecting one.
    bool WatchPort(unsigned port)
    {
        return WriteBytes(settings.Path(),
                          "<Application><Suspend condition=\"1\"><TcpPorts endpoint=\"3\">" +
                              std::to_string(port) + "</TcpPorts></Suspend></Application>");
    }
    // The sheet as the program makes it, a view of the core.
    HWND OpenSheet()
    {
        sheet.emplace(*core);
        core->SetView(&*sheet);
        window = sheet->CreateModeless();
        PumpMessages();
        return window;
    }
    std::wstring Tooltip() { return core->TrayIcon().Tooltip(); }
    bool Logged(const wchar_t* text) { return log.Text().find(text) != std::wstring::npos; }

    CTestLogFile log{L"core"};
    CTestLogFile settings{L"core-settings"}; // a removed temporary file, like the log
    CHarmlessPowerSystem system;
    CRecordingFilter filter;
    CScaledShell scaledShell; // for the tests that set the scale
    std::optional<CApplication> core;
    std::optional<CMainSheet> sheet;
    HWND window = nullptr;
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

// What the tray menu looked like when it opened; the probe closes it again.
// The Keep awake items read "x" checked, "o" checked as a radio item, "-"
// not checked, then whether Stop is greyed.
struct CMenuSnapshot
{
    int shown = 0;
    UINT openState = 0, resetState = 0, defaultItem = 0;
    std::wstring keepAwake;
} g_menu;

LRESULT CALLBACK ProbeTrayMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code != HC_ACTION || call->message != WM_INITMENUPOPUP)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    HMENU menu = reinterpret_cast<HMENU>(call->wParam);
    if (GetMenuState(menu, ID_TRAY_OPTIONS, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        ++g_menu.shown;
        g_menu.openState = GetMenuState(menu, ID_LOG_OPEN, MF_BYCOMMAND);
        g_menu.resetState = GetMenuState(menu, ID_LOG_RESET, MF_BYCOMMAND);
        g_menu.defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
        g_menu.keepAwake.clear();
        for (const UINT id : kKeepAwakeItems) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_FTYPE | MIIM_STATE;
            GetMenuItemInfoW(menu, id, FALSE, &item);
            g_menu.keepAwake += !(item.fState & MFS_CHECKED)    ? L'-'
                                : (item.fType & MFT_RADIOCHECK) ? L'o'
                                                                : L'x';
        }
        const bool stopGreyed = GetMenuState(menu, ID_KEEPAWAKE_STOP, MF_BYCOMMAND) & MF_GRAYED;
        g_menu.keepAwake += stopGreyed ? L" stop greyed" : L" stop";
        EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The thread's execution state as Windows holds it: the core runs on this
// thread (Wine's starts with the system held, until a program first sends
// its own).
bool SystemHeld()
{
    return (SetThreadExecutionState(0) & ES_SYSTEM_REQUIRED) != 0;
}

} // namespace

// The tray menu opens on the right button's release at once, on a left
// click once the double-click time has passed; the core's window lets the
// taskbar's restart, the instance notification and the command line's
// requests through from processes of lower integrity.
TEST_F(Application, TheTrayMenuOpensByEitherButtonGreysTheLogItemsAndEscapeDoesNotEndTheProgram)
{
    ASSERT_TRUE(Start());
    const HWND coreWindow = core->Window();
    ASSERT_NE(nullptr, OpenSheet());
    EXPECT_EQ((std::vector<std::pair<HWND, UINT>>{{coreWindow, g_taskbarCreatedMessage},
                                                  {coreWindow, g_instanceNotifyMessage},
                                                  {coreWindow, static_cast<UINT>(WM_COPYDATA)}}),
              filter.allowed);
    // Wine has the calls, and they succeed there (they change nothing it shows).
    EXPECT_TRUE(SystemWindowMessageFilter().Allow(coreWindow, g_taskbarCreatedMessage));

    g_menu = {};
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    SendTrayEvent(coreWindow, WM_CONTEXTMENU);
    ASSERT_EQ(1, g_menu.shown);
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_OPTIONS), g_menu.defaultItem);
    EXPECT_EQ(0u, g_menu.openState & MF_GRAYED);
    EXPECT_EQ(0u, g_menu.resetState & MF_GRAYED);
    // The test is made anew each time the menu opens.
    CloseLog();
    ASSERT_TRUE(DeleteFileW(log.Path()));
    SendTrayEvent(coreWindow, NIN_SELECT);
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
    SendMessageW(coreWindow, WM_COMMAND, ID_TRAY_EXIT, 0); // the way out still works
    PumpMessages();                                        // pressed from the loop
    EXPECT_EQ(0, SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0));
    core->SetView(nullptr);
    core->Shutdown();
    EXPECT_FALSE(IsWindow(coreWindow));
}

// A watched port in use, with no view yet (as when the window was never
// opened): the tray shows it and a suspend broadcast logs the warning. The
// Status page names the port with the address at the other end, over the
// host's real tables. The connection closes: the page's next reading finds
// the tables without it, and the watch's next round shows sleep allowed.
TEST_F(Application, AWatchedConnectionReachesTheTrayTheLogAndTheStatusPageUntilItCloses)
{
    std::optional<CLoopback> loopback(std::in_place);
    unsigned client = 0;
    const unsigned port = loopback->Serve(AF_INET, 0, &client);
    ASSERT_NE(0u, port);
    ASSERT_TRUE(WatchPort(port));
    ASSERT_TRUE(Start());
    EXPECT_FALSE(IsWindowVisible(core->Window()));
    EXPECT_EQ(L"Tarvik - Active TCP ports: " + std::to_wstring(port), Tooltip());
    const HICON blocked = core->TrayIcon().Icon();
    EXPECT_EQ(TRUE, SendMessageW(core->Window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0));
    EXPECT_TRUE(Logged(L"Warning: suspend conditions are not met"));
    EXPECT_TRUE(Logged(L"System entering a suspend state by system or user request"));

    ASSERT_NE(nullptr, OpenSheet());
    sheet->ShowPage(IDD_STATUS);
    const HWND page = sheet->StatusPage().Handle();
    ASSERT_NE(nullptr, page);
    const HWND edit = GetDlgItem(page, IDC_STATUS_TEXT);
    const std::wstring portLine =
        FormatResourceString(IDS_STATUS_PORT_IN_USE, std::to_wstring(port).c_str(), L"127.0.0.1");
    std::wstring shown = WindowTextOf(edit);
    EXPECT_EQ(0u, shown.rfind(ResourceText(IDS_STATUS_SLEEP_HELD) + L"\r\n", 0)) << shown;
    EXPECT_NE(std::wstring::npos, shown.find(L"\r\n  " + portLine + L"\r\n")) << shown;

    loopback.reset();
    SendMessageW(page, WM_TIMER, CStatusPage::kRefreshTimer, 0);
    shown = WindowTextOf(edit);
    EXPECT_EQ(std::wstring::npos, shown.find(portLine)) << shown;
    EXPECT_EQ(0u, shown.rfind(ResourceText(IDS_STATUS_SLEEP_ALLOWED) + L"\r\n", 0)) << shown;
    SendMessageW(core->Window(), WM_TIMER, IDT_CONNECTIONWATCH, 0);
    EXPECT_EQ(L"Tarvik", Tooltip());
    EXPECT_NE(blocked, core->TrayIcon().Icon());
    EXPECT_TRUE(Logged(L"Automatic suspend allowed"));
}

// A second start finds the running copy's process by the hash its core
// window carries, over the real system, for as long as the core runs.
TEST_F(Application, TheCoreWindowCarriesItsInstanceHashForASecondStartToFind)
{
    CInstanceManager manager; // the real channel; this test program's hash
    EXPECT_EQ(0u, manager.RunningCopyProcess());
    ASSERT_TRUE(Start(manager.InstanceHash() ^ 1));
    EXPECT_EQ(0u, manager.RunningCopyProcess()) << "a copy of another name was taken";
    core->Shutdown();
    ASSERT_TRUE(Start(manager.InstanceHash()));
    EXPECT_EQ(GetCurrentProcessId(), manager.RunningCopyProcess());
    core->Shutdown();
    EXPECT_EQ(0u, manager.RunningCopyProcess());
}

// The tray menu's Keep awake submenu starts and stops keep-awake in the
// engine, which shows it on the icon, logs it and holds the system; the menu
// checks the running length as a radio item and greys Stop while none runs.
TEST_F(Application, TheKeepAwakeSubmenuStartsAndStopsItAndTheMenuChecksTheRunningLength)
{
    ASSERT_TRUE(Start());
    const HWND coreWindow = core->Window();
    const HICON allowed = core->TrayIcon().Icon();
    CHook probe(SetWindowsHookExW(WH_CALLWNDPROC, ProbeTrayMenu, nullptr, GetCurrentThreadId()));
    ASSERT_NE(nullptr, probe.Get());
    auto menu = [coreWindow] {
        g_menu = {};
        SendTrayEvent(coreWindow, WM_CONTEXTMENU);
        EXPECT_EQ(1, g_menu.shown);
        return g_menu.keepAwake;
    };
    EXPECT_EQ(L"------ stop greyed", menu());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_120, 0);
    EXPECT_TRUE(core->Engine().KeptAwake());
    EXPECT_EQ(120u, core->Engine().KeepAwakeMinutes());
    EXPECT_EQ(0u, Tooltip().rfind(L"Tarvik - Kept awake until ", 0)) << Tooltip();
    const HICON blocked = core->TrayIcon().Icon();
    EXPECT_NE(allowed, blocked);
    EXPECT_TRUE(SystemHeld());
    EXPECT_TRUE(Logged(L"Kept awake until "));
    EXPECT_EQ(L"--o--- stop", menu());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_UNTIL_STOPPED, 0);
    EXPECT_EQ(L"Tarvik - Kept awake until you stop it", Tooltip());
    EXPECT_EQ(L"----o- stop", menu());
    // A length the menu does not offer checks nothing.
    core->Engine().StartKeepAwake(45);
    EXPECT_EQ(L"------ stop", menu());

    SendMessageW(coreWindow, WM_COMMAND, ID_KEEPAWAKE_STOP, 0);
    EXPECT_FALSE(core->Engine().KeptAwake());
    EXPECT_EQ(L"Tarvik", Tooltip());
    EXPECT_NE(blocked, core->TrayIcon().Icon());
    EXPECT_FALSE(SystemHeld());
    EXPECT_TRUE(Logged(L"Keep awake ended"));
    EXPECT_EQ(L"------ stop greyed", menu());
}

// The core's hidden window is on no monitor and never hears WM_DPICHANGED;
// it hears WM_DISPLAYCHANGE and the taskbar's restart, and loads the icon it
// shows (which of the two, with its tooltip) again at the notification
// area's new scale. Here suspend is not allowed: the "no suspend" icon, at
// 16 pixels for 100 %. A display change at the same scale costs nothing; at
// 200 % the same icon comes at 32 pixels, modified with its tooltip; after a
// change to 150 % the taskbar's restart adds it anew at 24 pixels.
TEST_F(Application, TheCoreLoadsTheShownIconAgainAtTheNotificationAreasNewScale)
{
    ASSERT_TRUE(
        WriteBytes(settings.Path(), "<Application><Suspend allowed=\"false\"/></Application>"));
    CScaledShell& shell = scaledShell;
    ASSERT_TRUE(Start(kHash, &shell));
    ASSERT_TRUE(core->TrayIcon().IsAdded());
    const std::wstring tooltip = Tooltip();
    // The icon shown is the "no suspend" icon's own image of `size` pixels.
    const auto shows = [this](int size) {
        const CIconPicture shown = Picture(core->TrayIcon().Icon());
        return shown.width == size && shown.pixels == OwnImage(IDI_NOSUSPEND, size).pixels;
    };
    EXPECT_TRUE(shows(16));

    shell.Forget();
    SendMessageW(core->Window(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(shell.messages.empty()) << "the scale stayed";
    shell.dpi = 192;
    SendMessageW(core->Window(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(shows(32));
    ASSERT_EQ(std::vector<DWORD>{NIM_MODIFY}, shell.messages);
    EXPECT_EQ(core->TrayIcon().Icon(), shell.icons[0]);
    EXPECT_EQ(tooltip, shell.tooltips[0]);

    shell.Forget();
    shell.dpi = 144;
    SendMessageW(core->Window(), g_taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(shows(24));
    ASSERT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION}), shell.messages);
    EXPECT_EQ(core->TrayIcon().Icon(), shell.icons[1]);
    EXPECT_EQ(tooltip, shell.tooltips[1]);
    EXPECT_TRUE(core->TrayIcon().IsAdded());
}

namespace {

CCommandAnswer Send(RequestVerb verb, unsigned minutes = 0, DWORD hash = kHash)
{
    CCommand command;
    command.kind = CCommand::Kind::Request;
    command.verb = verb;
    command.minutes = minutes;
    return SendCommandRequest(command, hash, 5000);
}

} // namespace

// Status is the report, its exit code whether sleep is allowed now;
// keepawake starts, replaces and ends keep-awake in the engine (which shows
// it as the tray menu's does) and says what it did; a copy of another name
// is not asked.
TEST_F(Application, TheCoreAnswersStatusAndKeepAwakeWithTheReportAndWhatItDid)
{
    ASSERT_TRUE(Start());
    using Outcome = CCommandAnswer::Outcome;
    EXPECT_EQ(Outcome::NotRunning, Send(RequestVerb::Status, 0, kHash ^ 1).outcome);

    CCommandAnswer answer = Send(RequestVerb::Status);
    ASSERT_EQ(Outcome::Answered, answer.outcome);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    // The report as the engine gives it, a line each (its title holds the time).
    const std::vector<std::wstring> report = StatusReportLines(core->Engine().BuildStatusReport());
    std::wstring body;
    for (size_t i = 1; i < report.size(); ++i)
        body += L"\n" + report[i];
    EXPECT_EQ(0u, answer.text.rfind(L"Tarvik status at ", 0)) << answer.text;
    EXPECT_EQ(body, answer.text.substr(answer.text.find(L'\n'))) << answer.text;

    answer = Send(RequestVerb::KeepAwake, 30);
    ASSERT_EQ(Outcome::Answered, answer.outcome);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    EXPECT_EQ(0u, answer.text.rfind(L"Kept awake until ", 0)) << answer.text;
    EXPECT_EQ(L'.', answer.text.back()) << answer.text;
    EXPECT_TRUE(core->Engine().KeptAwake());
    EXPECT_EQ(30u, core->Engine().KeepAwakeMinutes());
    EXPECT_EQ(CommandExit::SleepHeld, Send(RequestVerb::Status).exitCode);

    answer = Send(RequestVerb::KeepAwake, kKeepAwakeUntilStopped);
    EXPECT_EQ(L"Kept awake until you stop it.", answer.text);
    EXPECT_EQ(0u, core->Engine().KeepAwakeEnd());

    answer = Send(RequestVerb::KeepAwakeOff);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    EXPECT_EQ(L"Keep awake ended.", answer.text);
    EXPECT_FALSE(core->Engine().KeptAwake());
    EXPECT_EQ(L"Keep awake was not on.", Send(RequestVerb::KeepAwakeOff).text);
    EXPECT_EQ(CommandExit::Done, Send(RequestVerb::Status).exitCode);
}

// A request the protocol refuses, or one that names a reply window that is
// none, is answered FALSE and changes nothing: no keep-awake, no log line.
// A core that does not know the request (a version before the command line)
// leaves the requester with a refusal.
TEST_F(Application, WhatIsNotAWellFormedRequestChangesNothing)
{
    ASSERT_TRUE(Start());
    const size_t logged = log.Size();
    HWND gone = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
    DestroyWindow(gone);
    HWND reply = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(nullptr, reply);
    const CCommandRequest good = MakeCommandRequest(RequestVerb::KeepAwake, 30, reply, 5);
    CCommandRequest noWindow = MakeCommandRequest(RequestVerb::KeepAwake, 30, gone, 5);
    COPYDATASTRUCT data[] = {
        {kCommandDataTag, sizeof(good) - 4, const_cast<CCommandRequest*>(&good)},
        {kCommandDataTag, sizeof(noWindow), &noWindow},
        {kCommandDataTag, sizeof(good), const_cast<CCommandRequest*>(&good)},
    };
    const auto sent = [&](const COPYDATASTRUCT* copy) {
        return SendMessageW(core->Window(), WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                            reinterpret_cast<LPARAM>(copy));
    };
    EXPECT_EQ(FALSE, sent(&data[0])) << "too short";
    EXPECT_EQ(FALSE, sent(&data[1])) << "no reply window";
    EXPECT_EQ(FALSE, sent(nullptr)) << "no data at all";
    EXPECT_FALSE(core->Engine().KeptAwake());
    EXPECT_EQ(logged, log.Size()) << log.Text();
    EXPECT_EQ(TRUE, sent(&data[2])) << "the same window in a good request";
    EXPECT_TRUE(core->Engine().KeptAwake());
    DestroyWindow(reply);

    // A window of the core's class that does not take requests.
    core->Shutdown();
    HWND older = CreateWindowExW(WS_EX_TOOLWINDOW, kCoreWindowClass, L"Tarvik", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, older);
    SetPropW(older, kInstanceHashProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(kHash)));
    EXPECT_EQ(CCommandAnswer::Outcome::Refused, Send(RequestVerb::Status).outcome);
    EXPECT_EQ(CommandExit::Failed, AnswerExitCode(Send(RequestVerb::Status)));
    RemovePropW(older, kInstanceHashProperty);
    DestroyWindow(older);
    EXPECT_EQ(CommandExit::NotRunning, AnswerExitCode(Send(RequestVerb::Status)));
}
