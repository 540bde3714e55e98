#include "app/application.h"

#include <shlwapi.h>

#include "common/data_folder.h"
#include "app/start_kind.h"
#include "common/system_helpers.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "ui/instance_protocol.h"
#include "ui/process_objects.h"
#include "ui/window_class.h"

namespace {

// The lengths of the Keep awake submenu.
struct CKeepAwakeChoice
{
    int command;
    unsigned minutes;
};
const CKeepAwakeChoice kKeepAwakeChoices[] = {
    {ID_KEEPAWAKE_30, 30},
    {ID_KEEPAWAKE_60, 60},
    {ID_KEEPAWAKE_120, 120},
    {ID_KEEPAWAKE_240, 240},
    {ID_KEEPAWAKE_UNTIL_STOPPED, kKeepAwakeUntilStopped},
};

// The submenu of `menu` that holds the command `id`; null for none.
HMENU SubmenuWith(HMENU menu, UINT id)
{
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        HMENU submenu = GetSubMenu(menu, i);
        if (submenu && GetMenuState(submenu, id, MF_BYCOMMAND) != static_cast<UINT>(-1))
            return submenu;
    }
    return nullptr;
}

} // namespace

CApplication::CApplication(DWORD instanceHash, IPowerSystem* system, IShellNotify* shell,
                           IWindowMessageFilter* messageFilter)
    : m_instanceHash(instanceHash), m_system(system ? *system : m_windowsSystem),
      m_messageFilter(messageFilter ? *messageFilter : SystemWindowMessageFilter()),
      m_trayIcon(g_taskbarNotifyMessage, shell ? *shell : RealShellNotify(), kTrayIconId),
      m_runAtStartup(m_runAtStartupChoice.Detect()), m_engine(m_model, m_system, this, this)
{
    ZeroMemory(&m_placement, sizeof(m_placement));
    m_placement.length = sizeof(m_placement);
    // "Tarvik.exe" keeps "Tarvik.xml" and "Tarvik.txt"; both empty when there
    // is no data folder: the files then fail quietly.
    m_settingsPath = DataFilePath(L".xml");
    m_logPath = DataFilePath(L".txt");
}

CApplication::~CApplication()
{
    Shutdown();
}

void CApplication::SetPaths(const std::wstring& settingsPath, const std::wstring& logPath)
{
    m_settingsPath = settingsPath;
    m_logPath = logPath;
}

bool CApplication::Start()
{
    if (!RegisterWindowClass(kCoreWindowClass, WindowProc))
        return false;
    // Never shown, no taskbar button; not message-only, so broadcasts reach it.
    m_window.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kCoreWindowClass, L"Tarvik", WS_POPUP, 0, 0, 0,
                                   0, nullptr, nullptr, GetModuleHandleW(nullptr), this));
    if (!m_window)
        return false;
    // A second start finds this copy's process by it, among copies of other names.
    SetPropW(Window(), kInstanceHashProperty,
             reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(m_instanceHash)));
    m_started = true;

    StartLog(m_logPath.c_str());
    LoadSettings(m_settingsPath.c_str(), m_model, m_placement);

    // An elevated copy must still hear of the taskbar's restart, to add its
    // icon again, of a second start without elevation, and of the command
    // line's requests.
    m_messageFilter.Allow(Window(), g_taskbarCreatedMessage);
    m_messageFilter.Allow(Window(), g_instanceNotifyMessage);
    m_messageFilter.Allow(Window(), WM_COPYDATA);

    m_trayIcon.SetOwner(Window(), IDT_TRAYRETRY);
    m_trayIcon.SetTooltip(static_cast<UINT>(IDS_APP_NAME));
    if (m_trayIcon.SetIcon(IDI_TARVIK))
        m_trayIcon.Update();

    m_engine.SetPageWindow(Window());
    m_engine.CreateWakeTimer();
    m_engine.ApplyExecutionState();
    // A Modern Standby computer tells a window of its standby only when
    // asked; elsewhere asking costs nothing, and the engine drops a copy.
    m_suspendResume.Register(Window());
    return true;
}

void CApplication::Shutdown()
{
    if (!m_started)
        return;
    m_started = false;
    m_suspendResume.Unregister();
    m_engine.Shutdown();
    StopLog();
    StopTrayClickTimer();
    m_trayIcon.Delete();
    RemovePropW(Window(), kInstanceHashProperty);
    m_window.Reset();
}

void CApplication::ApplySettings()
{
    m_engine.ApplyExecutionState();
    m_runAtStartupChoice.Update(m_runAtStartup);
}

bool CApplication::Save()
{
    if (m_view)
        m_view->RefreshPlacement(m_placement);
    return SaveSettings(m_settingsPath.c_str(), m_model, m_placement);
}

void CApplication::OnAutoResumeDisabled()
{
    if (m_view)
        m_view->OnAutoResumeDisabled();
}

LRESULT CALLBACK CApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* application = reinterpret_cast<CApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (application && application->m_window.Get() == window &&
        application->OnMessage(message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CApplication::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_TIMER:
        if (m_trayIcon.OnTimer(wParam))
            return true;
        if (wParam == IDT_TRAYCLICK)
            OnTrayClickTimer();
        else
            m_engine.OnEngineTimer(wParam);
        return true;
    case WM_APP_ENGINE:
        m_engine.OnEngineMessage(wParam, lParam);
        return true;
    case WM_POWERBROADCAST:
        m_engine.OnPowerBroadcast(wParam);
        result = TRUE;
        return true;
    case WM_QUERYENDSESSION:
        RegisterForRestart();
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE, lParam);
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return true;
    case WM_COPYDATA:
        result = OnCommandRequest(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
        return true;
    case WM_DISPLAYCHANGE:
        // Sent to every top-level window when the display's resolution
        // changes, and reported to come after a change of its scale too,
        // which is what matters here: WM_DPICHANGED never reaches this
        // window, which is on no monitor. The icon follows the notification
        // area's scale (nothing happens when it stayed).
        m_trayIcon.FollowScale();
        return true;
    default:
        break;
    }
    if (message == g_instanceNotifyMessage) {
        OnInstanceNotify(wParam, lParam);
        return true;
    }
    if (message == g_taskbarNotifyMessage) {
        OnTrayNotify(wParam, lParam);
        return true;
    }
    if (message == g_taskbarCreatedMessage) {
        m_trayIcon.Readd();
        return true;
    }
    return false;
}

void CApplication::OnCommand(int id)
{
    switch (id) {
    case ID_TRAY_OPTIONS:
        ShowView(IDD_GENERAL);
        break;
    case ID_LOG_OPEN:
        OpenWithShell(m_logPath.c_str(), nullptr, nullptr, GetActiveWindow());
        break;
    case ID_LOG_RESET:
        CloseLog();
        ResetLog(m_logPath.c_str());
        break;
    case ID_TRAY_ABOUT:
        ShowView(IDD_ABOUT);
        break;
    case ID_TRAY_EXIT:
        Save();
        Exit();
        break;
    case ID_KEEPAWAKE_STOP:
        m_engine.StopKeepAwake();
        break;
    default:
        for (const CKeepAwakeChoice& choice : kKeepAwakeChoices) {
            if (choice.command == id) {
                m_engine.StartKeepAwake(choice.minutes);
                break;
            }
        }
        break;
    }
}

void CApplication::ShowView(UINT pageId)
{
    if (m_view)
        m_view->ShowPage(pageId);
}

void CApplication::Exit()
{
    m_exiting = true;
    StopTrayClickTimer(); // no menu opens on the way out
    // An open tray menu holds the thread in a loop of its own until the user
    // dismisses it; the program is ending, so it goes now.
    EndMenu();
    if (m_view)
        m_view->Close();
}

void CApplication::OnEndSession(bool ending, LPARAM flags)
{
    StopLog();
    Save();
    if (ending && (flags & ENDSESSION_CLOSEAPP)) {
        Exit();
    } else if (!ending) {
        // The log-off was cancelled: the program runs on, and so does its record.
        StartLog(m_logPath.c_str());
    }
}

void CApplication::OnInstanceNotify(WPARAM code, LPARAM target)
{
    const DWORD targetHash = static_cast<DWORD>(target);
    if (targetHash != m_instanceHash && targetHash != ALL_INSTANCES)
        return;
    if (code == NOTIFY_ACTIVATE) {
        ShowView(0);
    } else if (code == NOTIFY_CLOSE) {
        Save();
        Exit();
    }
}

void CApplication::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    const TrayCallback callback = DecodeTrayCallback(wParam, lParam);
    if (callback.iconId != kTrayIconId || m_exiting)
        return;
    switch (callback.event) {
    case WM_CONTEXTMENU: // the right button's release, Shift+F10 or the menu key
        StopTrayClickTimer();
        ShowTrayMenu(callback.anchor);
        break;
    case NIN_SELECT: // a click of the left button
        if (m_trayClick == TrayClick::DoubleClicked) {
            StopTrayClickTimer(); // the release of the double-click's second click
            break;
        }
        // A menu opened now would run its loop while the second click of a
        // double-click comes, and take it: the menu waits for the double-click
        // time to pass without one.
        StopTrayClickTimer();
        m_clickAnchor = callback.anchor;
        if (SetTimer(Window(), IDT_TRAYCLICK, GetDoubleClickTime(), nullptr))
            m_trayClick = TrayClick::Waiting;
        else
            ShowTrayMenu(callback.anchor);
        break;
    case WM_LBUTTONDBLCLK:
        StopTrayClickTimer();
        if (SetTimer(Window(), IDT_TRAYCLICK, GetDoubleClickTime(), nullptr))
            m_trayClick = TrayClick::DoubleClicked;
        ShowView(0);
        break;
    case NIN_KEYSELECT: // Enter or Space on the focused icon: the menu's default item
        StopTrayClickTimer();
        OnCommand(ID_TRAY_OPTIONS);
        break;
    default:
        break;
    }
}

void CApplication::OnTrayClickTimer()
{
    const bool openMenu = m_trayClick == TrayClick::Waiting;
    StopTrayClickTimer();
    if (openMenu)
        ShowTrayMenu(m_clickAnchor);
}

void CApplication::StopTrayClickTimer()
{
    if (m_trayClick == TrayClick::None)
        return;
    KillTimer(Window(), IDT_TRAYCLICK);
    m_trayClick = TrayClick::None;
}

void CApplication::ShowTrayMenu(POINT anchor)
{
    CMenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    SetMenuDefaultItem(popup, ID_TRAY_OPTIONS, FALSE);
    if (!PathFileExistsW(m_logPath.c_str())) {
        EnableMenuItem(popup, ID_LOG_OPEN, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(popup, ID_LOG_RESET, MF_BYCOMMAND | MF_GRAYED);
    }
    ShowKeepAwakeChoice(popup);
    // The window that owns the menu comes to the front, though it is never
    // shown: the menu then closes when the user clicks elsewhere.
    SetForegroundWindow(Window());

    LONG x = anchor.x;
    if (!MonitorFromPoint(anchor, MONITOR_DEFAULTTONULL)) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        if (GetMonitorInfoW(MonitorFromPoint(anchor, MONITOR_DEFAULTTONEAREST), &monitor)) {
            if (x < monitor.rcWork.left)
                x = monitor.rcWork.left;
            if (x > monitor.rcWork.right)
                x = monitor.rcWork.right;
        }
    }
    // Either button chooses an item: the menu may have opened on a right click.
    TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, x, anchor.y, 0, Window(), nullptr);
    PostMessageW(Window(), WM_NULL, 0, 0);
}

void CApplication::ShowKeepAwakeChoice(HMENU menu)
{
    if (!m_engine.KeptAwake()) {
        EnableMenuItem(menu, ID_KEEPAWAKE_STOP, MF_BYCOMMAND | MF_GRAYED);
        return;
    }
    // The radio group is looked up in its own submenu: by command, only the
    // single-item calls are documented to search submenus.
    HMENU submenu = SubmenuWith(menu, ID_KEEPAWAKE_STOP);
    if (!submenu)
        return;
    // A length the menu does not offer (from the command line) checks nothing.
    for (const CKeepAwakeChoice& choice : kKeepAwakeChoices) {
        if (choice.minutes == m_engine.KeepAwakeMinutes())
            CheckMenuRadioItem(submenu, ID_KEEPAWAKE_30, ID_KEEPAWAKE_UNTIL_STOPPED,
                               static_cast<UINT>(choice.command), MF_BYCOMMAND);
    }
}
