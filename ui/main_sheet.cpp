#include "ui/main_sheet.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "resources/resource.h"
#include "ui/display_scale.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

bool IsRectEmptyArea(const RECT& rect)
{
    return rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0;
}

} // namespace

CMainSheet::CMainSheet(IApplicationCore& core)
    : CPropertySheet(IDS_APP_NAME), m_core(core), m_generalPage(core), m_statusPage(core)
{
    AddPage(m_generalPage);
    AddPage(m_statusPage);
    AddPage(m_aboutPage);
}

void CMainSheet::OnSheetInitialized()
{
    // Closed before it existed: it goes as soon as its loop runs.
    if (m_closing)
        PostMessageW(Handle(), WM_APP_CLOSE, 0, 0);
    CancelToClose();

    SetWindowIcons(WindowDpi(Handle()));

    if (m_core.Model().Window.minimized) {
        m_core.Placement().showCmd = SW_SHOWMINIMIZED;
        PostMessageW(Handle(), WM_APP_HIDETOTRAY, 0, 0);
    }
}

bool CMainSheet::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result)
{
    switch (message) {
    case WM_DPICHANGED: {
        const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
        // The dialog manager scales the sheet itself (fonts, layout, size)
        // on Windows 10 1703 and later; what it leaves to the program
        // follows.
        result = DefSubclassProc(window, message, wParam, lParam);
        OnDpiChanged(HIWORD(wParam), suggested);
        return true;
    }
    case WM_SHOWWINDOW:
        if (wParam && !m_placementApplied)
            OnFirstShow();
        return false; // the sheet's own handling goes on
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return false;
        HideToTray();
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
        return false;
    }
}

bool CMainSheet::OnCommand(int id)
{
    switch (id) {
    case IDOK:
        HideToTray();
        return true;
    case IDC_APPLY_BUTTON:
        if (ApplyPages(false))
            m_core.Save();
        return true;
    case IDCANCEL:
        // The Cancel button is disabled ("Close" took its place), yet Escape
        // still sends its command: it must not end the program and drop what
        // was applied since the last save. Only the core closes the window,
        // through Close.
        return !m_closing;
    default:
        return false;
    }
}

void CMainSheet::ShowPage(UINT pageId)
{
    if (pageId)
        SendMessageW(Handle(), PSM_SETCURSELID, 0, static_cast<LPARAM>(pageId));
    ShowFromTray();
}

void CMainSheet::Close()
{
    m_closing = true;
    // The sheet ignores a Cancel press while it has no current page: while it
    // builds its first page or changes pages. A notification of another
    // program may arrive in just that moment. So the press is made from the
    // message loop, never from within a page change (our pages run no loop
    // of their own there); the posted message also wakes the sheet's loop,
    // which sees at once that it has ended.
    if (Handle())
        PostMessageW(Handle(), WM_APP_CLOSE, 0, 0);
}

void CMainSheet::RefreshPlacement(WINDOWPLACEMENT& placement)
{
    if (!Handle() || !IsWindowVisible(Handle()))
        return;
    placement.length = sizeof(placement);
    GetWindowPlacement(Handle(), &placement);
}

// --- Showing and hiding ------------------------------------------------------------

void CMainSheet::OnFirstShow()
{
    m_placementApplied = true;
    RECT window;
    GetWindowRect(Handle(), &window);
    WINDOWPLACEMENT& placement = m_core.Placement();
    RECT& stored = placement.rcNormalPosition;
    // A stored rectangle of another size (other screen, other font) is no use.
    if (window.right - window.left != stored.right - stored.left ||
        window.bottom - window.top != stored.bottom - stored.top)
        SetRectEmpty(&stored);

    if (!IsRectEmptyArea(stored)) {
        placement.length = sizeof(placement);
        SetWindowPlacement(Handle(), &placement);
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

void CMainSheet::SetWindowIcons(UINT dpi)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    const struct
    {
        WPARAM kind;
        int metric;
        CIconHandle& owner;
    } icons[] = {{ICON_BIG, SM_CXICON, m_bigIcon}, {ICON_SMALL, SM_CXSMICON, m_smallIcon}};
    for (const auto& icon : icons) {
        HICON loaded = LoadIconOfSize(module, MAKEINTRESOURCEW(IDI_TARVIK),
                                      SystemMetricForDpi(icon.metric, dpi));
        if (!loaded)
            continue; // the present icon stays
        SendMessageW(Handle(), WM_SETICON, icon.kind, reinterpret_cast<LPARAM>(loaded));
        icon.owner.Reset(loaded); // the window no longer shows the old one
    }
}

void CMainSheet::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    // The suggested rectangle keeps the pointer at its place on a window
    // dragged across monitors, and starts no further change of scale.
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowIcons(dpi);

    // Hidden in the tray, the window saves the placement taken when it was
    // hidden: it takes the new rectangle, so that the next start at this
    // scale finds the window's own size in it and keeps its place. (Shown,
    // the window's placement is read anew at each save.) A placement never
    // taken, or given up at the first show, stays empty; before the first
    // show there is nothing to follow: that show compares the sizes itself.
    RECT& stored = m_core.Placement().rcNormalPosition;
    if (!m_placementApplied || IsRectEmptyArea(stored))
        return;
    WINDOWPLACEMENT now = {};
    now.length = sizeof(now);
    if (GetWindowPlacement(Handle(), &now))
        stored = now.rcNormalPosition;
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
    if (!m_shown) {
        SetToolWindowStyle(false);
        ShowWindow(Handle(), SW_RESTORE);
        m_shown = true;
        m_statusPage.OnSheetShown(true);
    }
    // Also a window already shown but covered by another program's comes to
    // the front; Windows allows it once the asker has handed on its right.
    SetForegroundWindow(Handle());
}

void CMainSheet::HideWindow()
{
    if (!m_shown)
        return;
    ShowWindow(Handle(), SW_HIDE);
    SetToolWindowStyle(true);
    m_shown = false;
    m_statusPage.OnSheetShown(false);
}

void CMainSheet::HideToTray()
{
    if (!ApplyPages(true))
        return;
    WINDOWPLACEMENT& placement = m_core.Placement();
    placement.length = sizeof(placement);
    GetWindowPlacement(Handle(), &placement);
    HideWindow();
}
