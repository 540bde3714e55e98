#include "ui/notify_icon.h"

#include <commctrl.h>

#include "common/resource_string.h"

namespace {

class CRealShellNotify : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        return Shell_NotifyIconW(message, data);
    }
    void Pause(DWORD milliseconds) override { Sleep(milliseconds); }
    HICON LoadSmallIcon(UINT resourceId) override
    {
        HICON icon = nullptr;
        if (FAILED(LoadIconMetric(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                  LIM_SMALL, &icon)))
            return nullptr;
        return icon;
    }
};

} // namespace

IShellNotify& RealShellNotify()
{
    static CRealShellNotify shell;
    return shell;
}

CNotifyIcon::CNotifyIcon(UINT callbackMessage, IShellNotify& shell, UINT iconId)
    : m_shell(shell), m_callbackMessage(callbackMessage), m_iconId(iconId)
{
}

CNotifyIcon::~CNotifyIcon()
{
    Delete();
}

void CNotifyIcon::SetTooltip(UINT stringId)
{
    std::wstring text;
    if (LoadResourceString(stringId, text))
        m_tooltip = text;
}

bool CNotifyIcon::SetIcon(UINT resourceId)
{
    HICON icon = m_shell.LoadSmallIcon(resourceId);
    if (!icon)
        return false;
    m_icon.Reset(icon);
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
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = m_callbackMessage;
    record.hIcon = m_icon.Get();
    // The field holds 128 units: at most 127 characters and the terminator.
    const size_t length = m_tooltip.size() < 127 ? m_tooltip.size() : 127;
    m_tooltip.copy(record.szTip, length);
    record.szTip[length] = L'\0';
}

bool CNotifyIcon::Update()
{
    if (!m_icon.IsValid())
        return false;
    NOTIFYICONDATAW record;
    FillRecord(record, true);
    const DWORD operation = m_added ? NIM_MODIFY : NIM_ADD;
    if (!m_shell.Notify(operation, &record) && !RetryShellNotify(operation, record))
        return false;
    m_added = true;
    return true;
}

bool CNotifyIcon::Delete()
{
    if (!m_added)
        return true;
    NOTIFYICONDATAW record;
    FillRecord(record, false);
    if (!m_shell.Notify(NIM_DELETE, &record) && !RetryShellNotify(NIM_DELETE, record))
        return false;
    m_added = false;
    return true;
}

bool CNotifyIcon::Readd()
{
    Delete();
    m_added = false;
    return Update();
}

bool CNotifyIcon::RetryShellNotify(DWORD operation, NOTIFYICONDATAW& record)
{
    // Only a shell that is busy or not there yet is worth waiting for.
    const DWORD error = GetLastError();
    if (error != ERROR_SUCCESS && error != ERROR_TIMEOUT)
        return false;

    for (int attempt = 0; attempt < kMaxRetries; ++attempt) {
        m_shell.Pause(kRetryPause);
        // The failed call may have taken effect after all.
        if (operation == NIM_ADD && m_shell.Notify(NIM_MODIFY, &record))
            return true;
        if (operation == NIM_DELETE && !m_shell.Notify(NIM_MODIFY, &record))
            return true;
        if (m_shell.Notify(operation, &record))
            return true;
    }
    return false;
}
