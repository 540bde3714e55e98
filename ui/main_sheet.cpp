#include "ui/main_sheet.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "common/system_helpers.h"
#include "log/log_file.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "ui/instance_protocol.h"
#include "ui/process_objects.h"

namespace {

bool IsRectEmptyArea(const RECT& rect)
{
    return rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0;
}

} // namespace

CMainSheet::CMainSheet(DWORD instanceHash, IPowerSystem* system, ITrayIcon* trayIcon,
                       IWindowMessageFilter* messageFilter)
    : CPropertySheet(IDS_APP_NAME), m_generalPage(system, trayIcon), m_instanceHash(instanceHash),
      m_messageFilter(messageFilter ? *messageFilter : SystemWindowMessageFilter())
{
    AddPage(m_generalPage);
    AddPage(m_aboutPage);

    ZeroMemory(&m_placement, sizeof(m_placement));
    m_placement.length = sizeof(m_placement);

    m_settingsPath[0] = L'\0';
    m_logPath[0] = L'\0';
    wchar_t folder[MAX_PATH];
    wchar_t module[MAX_PATH];
    if (GetDataFolder(folder) && GetModuleFileNameW(nullptr, module, MAX_PATH)) {
        lstrcpynW(m_settingsPath, folder, MAX_PATH);
        if (PathAppendW(m_settingsPath, PathFindFileNameW(module)) &&
            PathRenameExtensionW(m_settingsPath, L".xml")) {
            lstrcpynW(m_logPath, m_settingsPath, MAX_PATH);
            PathRenameExtensionW(m_logPath, L".txt");
        } else {
            m_settingsPath[0] = L'\0';
        }
    }
}

void CMainSheet::SetPaths(const wchar_t* settingsPath, const wchar_t* logPath)
{
    lstrcpynW(m_settingsPath, settingsPath, MAX_PATH);
    lstrcpynW(m_logPath, logPath, MAX_PATH);
}

void CMainSheet::OnSheetInitialized()
{
    StartLog(m_logPath);
    LoadSettings(m_settingsPath, m_generalPage.Model(), m_placement);
    CancelToClose();

    HINSTANCE module = GetModuleHandleW(nullptr);
    HICON icon = nullptr;
    if (SUCCEEDED(LoadIconMetric(module, MAKEINTRESOURCEW(IDI_TARVIK), LIM_LARGE, &icon))) {
        m_bigIcon.Reset(icon);
        SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    icon = nullptr;
    if (SUCCEEDED(LoadIconMetric(module, MAKEINTRESOURCEW(IDI_TARVIK), LIM_SMALL, &icon))) {
        m_smallIcon.Reset(icon);
        SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }

    // An elevated copy must still hear of the taskbar's restart, to add its
    // icon again, and of a second start without elevation.
    m_messageFilter.Allow(Handle(), g_taskbarCreatedMessage);
    m_messageFilter.Allow(Handle(), g_instanceNotifyMessage);

    g_notifyIcon.SetOwner(Handle(), IDT_TRAYRETRY);
    g_notifyIcon.SetTooltip(static_cast<UINT>(IDS_APP_NAME));
    if (g_notifyIcon.SetIcon(IDI_TARVIK))
        g_notifyIcon.Update();

    if (m_generalPage.Model().Window.minimized) {
        m_placement.showCmd = SW_SHOWMINIMIZED;
        PostMessageW(Handle(), WM_APP_HIDETOTRAY, 0, 0);
    }
}

bool CMainSheet::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && !m_placementApplied)
            OnFirstShow();
        return false; // the sheet's own handling goes on
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return false;
        HideToTray();
        return true;
    case WM_TIMER:
        if (g_notifyIcon.OnTimer(wParam))
            return true;
        if (wParam != IDT_TRAYCLICK)
            return false;
        OnTrayClickTimer();
        return true;
    case WM_POWERBROADCAST:
        m_generalPage.Engine().OnPowerBroadcast(wParam);
        result = TRUE;
        return true;
    case WM_DESTROY:
        StopLog();
        return false; // the sheet still frees what it holds
    case WM_QUERYENDSESSION:
        RegisterApplicationRestart(nullptr, 0);
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE, lParam);
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_APP_HIDETOTRAY:
        HideWindow();
        return true;
    case WM_APP_CLOSE:
        if (m_closing) // ours, not a stray message of another program
            SendMessageW(Handle(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
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
        g_notifyIcon.Readd();
        return true;
    }
    return false;
}

bool CMainSheet::OnCommand(int id)
{
    switch (id) {
    case IDOK:
        HideToTray();
        return true;
    case IDC_APPLY_BUTTON:
        if (ApplyPages(false))
            Save();
        return true;
    case ID_TRAY_OPTIONS:
        SendMessageW(Handle(), PSM_SETCURSELID, 0, IDD_GENERAL);
        ShowFromTray();
        return true;
    case ID_LOG_OPEN:
        OpenWithShell(m_logPath, nullptr, nullptr, GetActiveWindow());
        return true;
    case ID_LOG_RESET:
        CloseLog();
        ResetLog(m_logPath);
        return true;
    case ID_TRAY_ABOUT:
        SendMessageW(Handle(), PSM_SETCURSELID, 0, IDD_ABOUT);
        ShowFromTray();
        return true;
    case ID_TRAY_EXIT:
        Save();
        RequestClose();
        return true;
    case IDCANCEL:
        // The Cancel button is disabled ("Close" took its place), yet Escape
        // still sends its command: it must not end the program and drop what
        // was applied since the last save. Only Exit, a takeover and the end
        // of the session close the window, through RequestClose.
        return !m_closing;
    default:
        return false;
    }
}

void CMainSheet::OnEndSession(bool ending, LPARAM flags)
{
    StopLog();
    Save();
    if (ending && (flags & ENDSESSION_CLOSEAPP)) {
        RequestClose();
    } else if (!ending) {
        // The log-off was cancelled: the program runs on, and so does its record.
        StartLog(m_logPath);
    }
}

void CMainSheet::OnInstanceNotify(WPARAM code, LPARAM target)
{
    const DWORD targetHash = static_cast<DWORD>(target);
    if (targetHash != m_instanceHash && targetHash != ALL_INSTANCES)
        return;
    if (code == NOTIFY_ACTIVATE) {
        ShowFromTray();
    } else if (code == NOTIFY_CLOSE) {
        Save();
        RequestClose();
    }
}

void CMainSheet::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    const TrayCallback callback = DecodeTrayCallback(wParam, lParam);
    if (callback.iconId != kTrayIconId)
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
        if (SetTimer(Handle(), IDT_TRAYCLICK, GetDoubleClickTime(), nullptr))
            m_trayClick = TrayClick::Waiting;
        else
            ShowTrayMenu(callback.anchor);
        break;
    case WM_LBUTTONDBLCLK:
        StopTrayClickTimer();
        if (SetTimer(Handle(), IDT_TRAYCLICK, GetDoubleClickTime(), nullptr))
            m_trayClick = TrayClick::DoubleClicked;
        ShowFromTray();
        break;
    case NIN_KEYSELECT: // Enter or Space on the focused icon: the menu's default item
        StopTrayClickTimer();
        OnCommand(ID_TRAY_OPTIONS);
        break;
    default:
        break;
    }
}

void CMainSheet::OnTrayClickTimer()
{
    const bool openMenu = m_trayClick == TrayClick::Waiting;
    StopTrayClickTimer();
    if (openMenu)
        ShowTrayMenu(m_clickAnchor);
}

void CMainSheet::StopTrayClickTimer()
{
    if (m_trayClick == TrayClick::None)
        return;
    KillTimer(Handle(), IDT_TRAYCLICK);
    m_trayClick = TrayClick::None;
}

void CMainSheet::RequestClose()
{
    m_closing = true;
    StopTrayClickTimer(); // no menu opens on the way out
    // An open tray menu holds the thread in a loop of its own until the user
    // dismisses it; the program is ending, so it goes now.
    EndMenu();
    // The sheet ignores a Cancel press while it has no current page: while it
    // builds its first page or changes pages. A notification of another
    // program arrives in just that moment when the page's start-up waits for
    // the shell to take the tray icon. So the press is made from the message
    // loop, never from within a page change (our pages run no loop of their
    // own there); the posted message also wakes the sheet's loop, which sees
    // at once that it has ended.
    PostMessageW(Handle(), WM_APP_CLOSE, 0, 0);
}

bool CMainSheet::Save()
{
    if (Handle() && IsWindowVisible(Handle())) {
        m_placement.length = sizeof(m_placement);
        GetWindowPlacement(Handle(), &m_placement);
    }
    return SaveSettings(m_settingsPath, m_generalPage.Model(), m_placement);
}

// --- Showing and hiding ------------------------------------------------------------

void CMainSheet::OnFirstShow()
{
    m_placementApplied = true;
    RECT window;
    GetWindowRect(Handle(), &window);
    RECT& stored = m_placement.rcNormalPosition;
    // A stored rectangle of another size (other screen, other font) is no use.
    if (window.right - window.left != stored.right - stored.left ||
        window.bottom - window.top != stored.bottom - stored.top)
        SetRectEmpty(&stored);

    if (!IsRectEmptyArea(stored)) {
        m_placement.length = sizeof(m_placement);
        SetWindowPlacement(Handle(), &m_placement);
        return;
    }

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& area = monitor.rcWork;
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG left = area.left + (area.right - area.left - width) / 2;
    LONG top = area.top + (area.bottom - area.top - height) / 2;
    // Pull in the far edges first, then push out the near ones.
    if (left + width > area.right)
        left = area.right - width;
    if (top + height > area.bottom)
        top = area.bottom - height;
    if (left < area.left)
        left = area.left;
    if (top < area.top)
        top = area.top;
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainSheet::SetToolWindowStyle(bool toolWindow)
{
    const LONG style = GetWindowLongW(Handle(), GWL_EXSTYLE);
    LONG changed = style;
    if (toolWindow)
        changed = (changed & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW;
    else
        changed = (changed & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW;
    if (changed != style)
        SetWindowLongW(Handle(), GWL_EXSTYLE, changed);
}

void CMainSheet::ShowFromTray()
{
    if (m_shown)
        return;
    SetToolWindowStyle(false);
    ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
    m_shown = true;
}

void CMainSheet::HideWindow()
{
    if (!m_shown)
        return;
    ShowWindow(Handle(), SW_HIDE);
    SetToolWindowStyle(true);
    m_shown = false;
}

void CMainSheet::HideToTray()
{
    if (!ApplyPages(true))
        return;
    m_placement.length = sizeof(m_placement);
    GetWindowPlacement(Handle(), &m_placement);
    HideWindow();
}

void CMainSheet::ShowTrayMenu(POINT anchor)
{
    CMenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    SetMenuDefaultItem(popup, ID_TRAY_OPTIONS, FALSE);
    if (!PathFileExistsW(m_logPath)) {
        EnableMenuItem(popup, ID_LOG_OPEN, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(popup, ID_LOG_RESET, MF_BYCOMMAND | MF_GRAYED);
    }
    // Even while hidden: the menu closes when the user clicks elsewhere.
    SetForegroundWindow(Handle());

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
    TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, x, anchor.y, 0, Handle(), nullptr);
    PostMessageW(Handle(), WM_NULL, 0, 0);
}
