#include "ui/notify_icon.h"

#include <commctrl.h>
#include <windowsx.h>

#include "common/resource_string.h"
#include "ui/display_scale.h"

namespace {

class CRealShellNotify : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        return Shell_NotifyIconW(message, data);
    }
    // The notification area is on the primary monitor's taskbar. A program
    // aware of each monitor's scale learns the present one there: the
    // system's metrics keep the scale of the sign-in.
    UINT NotificationAreaDpi() override { return PrimaryMonitorDpi(); }
    HICON LoadSmallIcon(UINT resourceId, UINT dpi) override
    {
        HINSTANCE module = GetModuleHandleW(nullptr);
        if (dpi) {
            if (HICON icon = LoadIconOfSize(module, MAKEINTRESOURCEW(resourceId),
                                            SystemMetricForDpi(SM_CXSMICON, dpi)))
                return icon;
        }
        HICON icon = nullptr;
        if (FAILED(LoadIconMetric(module, MAKEINTRESOURCEW(resourceId), LIM_SMALL, &icon)))
            return nullptr;
        return icon;
    }
    bool StartTimer(HWND window, UINT_PTR id, UINT milliseconds) override
    {
        return SetTimer(window, id, milliseconds, nullptr) != 0;
    }
    void StopTimer(HWND window, UINT_PTR id) override { KillTimer(window, id); }
};

} // namespace

IShellNotify& RealShellNotify()
{
    static CRealShellNotify shell;
    return shell;
}

TrayCallback DecodeTrayCallback(WPARAM wParam, LPARAM lParam)
{
    const LPARAM anchor = static_cast<LPARAM>(wParam);
    return {LOWORD(lParam), HIWORD(lParam), {GET_X_LPARAM(anchor), GET_Y_LPARAM(anchor)}};
}

CNotifyIcon::CNotifyIcon(UINT callbackMessage, IShellNotify& shell, UINT iconId)
    : m_shell(shell), m_callbackMessage(callbackMessage), m_iconId(iconId)
{
}

CNotifyIcon::~CNotifyIcon()
{
    DeleteOnce();
    StopRetry();
}

void CNotifyIcon::SetTooltip(UINT stringId)
{
    std::wstring text;
    if (LoadResourceString(stringId, text))
        m_tooltip = text;
}

bool CNotifyIcon::SetIcon(UINT resourceId)
{
    const UINT dpi = m_shell.NotificationAreaDpi();
    HICON icon = m_shell.LoadSmallIcon(resourceId, dpi);
    if (!icon)
        return false;
    m_icon.Reset(icon);
    m_iconResource = resourceId;
    m_iconDpi = dpi;
    return true;
}

bool CNotifyIcon::ReloadForScale()
{
    if (!m_iconResource)
        return false;
    const UINT dpi = m_shell.NotificationAreaDpi();
    if (dpi == m_iconDpi)
        return false;
    HICON icon = m_shell.LoadSmallIcon(m_iconResource, dpi);
    if (!icon)
        return false; // the present icon stays, and the next change tries again
    m_icon.Reset(icon);
    m_iconDpi = dpi;
    return true;
}

bool CNotifyIcon::FollowScale()
{
    if (!ReloadForScale())
        return false;
    // An icon not added is shown by the call that adds it, and a retry fills
    // its record afresh.
    if (m_added && !RetryPending())
        Update();
    return true;
}

void CNotifyIcon::FillRecord(NOTIFYICONDATAW& record, bool withContent) const
{
    ZeroMemory(&record, sizeof(record));
    record.cbSize = sizeof(NOTIFYICONDATAW);
    record.hWnd = m_ownerWindow;
    record.uID = m_iconId;
    if (!withContent)
        return;
    // Under version 4 the shell shows the standard tooltip only when asked to.
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    record.uCallbackMessage = m_callbackMessage;
    record.hIcon = m_icon.Get();
    // The field holds 128 units: at most 127 characters and the terminator.
    const size_t length = m_tooltip.size() < 127 ? m_tooltip.size() : 127;
    m_tooltip.copy(record.szTip, length);
    record.szTip[length] = L'\0';
}

bool CNotifyIcon::Update()
{
    if (!m_icon.IsValid() || RetryPending())
        return false;
    return Call(m_added ? Operation::Modify : Operation::Add);
}

bool CNotifyIcon::Delete()
{
    if (m_pending == Operation::Delete)
        return false;
    // An add still waiting for the shell may have taken effect all the same.
    const bool mayBeAdded = m_added || m_pending == Operation::Add;
    StopRetry();
    return !mayBeAdded || Call(Operation::Delete);
}

bool CNotifyIcon::Readd()
{
    // The taskbar announces itself anew after a change of the display's
    // scale too (reported for Windows 10 and 11; the documentation names its
    // creation only): the icon is loaded for the scale it shows now.
    ReloadForScale();
    // Whatever was waiting is moot: the new taskbar gets the present state.
    // A delete first clears an icon it may have kept; its answer does not
    // matter, so it is not retried.
    DeleteOnce();
    StopRetry();
    m_added = false;
    return Update();
}

void CNotifyIcon::DeleteOnce()
{
    if (!m_added && m_pending != Operation::Add)
        return;
    NOTIFYICONDATAW record;
    FillRecord(record, false);
    m_shell.Notify(NIM_DELETE, &record);
}

bool CNotifyIcon::Call(Operation operation)
{
    const DWORD message = operation == Operation::Add      ? NIM_ADD
                          : operation == Operation::Modify ? NIM_MODIFY
                                                           : NIM_DELETE;
    NOTIFYICONDATAW record;
    FillRecord(record, operation != Operation::Delete);
    if (m_shell.Notify(message, &record)) {
        Succeeded(operation);
        return true;
    }
    // Only a shell that is busy or not there yet is worth waiting for.
    const DWORD error = GetLastError();
    if (error == ERROR_SUCCESS || error == ERROR_TIMEOUT) {
        CKeepLastError keep;
        StartRetry(operation);
    }
    return false;
}

void CNotifyIcon::Succeeded(Operation operation)
{
    m_added = operation != Operation::Delete;
    if (operation != Operation::Add)
        return;
    // The shell forgets the version with the icon: it is set after every add.
    NOTIFYICONDATAW record;
    FillRecord(record, false);
    record.uVersion = NOTIFYICON_VERSION_4;
    m_shell.Notify(NIM_SETVERSION, &record);
}

void CNotifyIcon::StartRetry(Operation operation)
{
    // Without an owner there is no message loop to wait in: the call fails.
    if (!m_ownerWindow || !m_retryTimer ||
        !m_shell.StartTimer(m_ownerWindow, m_retryTimer, kRetryPeriod))
        return;
    m_pending = operation;
    m_retries = 0;
}

void CNotifyIcon::StopRetry()
{
    if (!RetryPending())
        return;
    m_shell.StopTimer(m_ownerWindow, m_retryTimer);
    m_pending = Operation::None;
}

bool CNotifyIcon::OnTimer(UINT_PTR id)
{
    if (!m_retryTimer || id != m_retryTimer)
        return false;
    const Operation operation = m_pending;
    if (operation == Operation::None) {
        m_shell.StopTimer(m_ownerWindow, m_retryTimer); // a tick already queued
        return true;
    }
    // Filled afresh: a tooltip or icon changed meanwhile is what the shell gets.
    NOTIFYICONDATAW record;
    FillRecord(record, operation != Operation::Delete);
    bool done = false;
    // The call that failed may have taken effect after all: a modify succeeds
    // once the icon is there, and fails once it is gone.
    if (operation == Operation::Add)
        done = m_shell.Notify(NIM_MODIFY, &record) || m_shell.Notify(NIM_ADD, &record);
    else if (operation == Operation::Delete)
        done = !m_shell.Notify(NIM_MODIFY, &record) || m_shell.Notify(NIM_DELETE, &record);
    else
        done = m_shell.Notify(NIM_MODIFY, &record) != FALSE;

    if (done) {
        StopRetry();
        Succeeded(operation);
    } else if (++m_retries >= kMaxRetries) {
        StopRetry();
    }
    return true;
}
