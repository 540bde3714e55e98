#pragma once
// The program's one icon in the taskbar's notification area, and the retry rule
// that copes with a shell that is slow, not yet running, or restarting.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/handles.h"

// The shell side of the icon: a seam so the retry rule can be tested without a
// taskbar and without waiting.
class IShellNotify
{
public:
    virtual ~IShellNotify() = default;
    virtual BOOL Notify(DWORD message, NOTIFYICONDATAW* data) = 0;
    virtual void Pause(DWORD milliseconds) = 0;
    virtual HICON LoadSmallIcon(UINT resourceId) = 0;
};

// Shell_NotifyIconW, Sleep and LoadIconMetric of the running program's module.
IShellNotify& RealShellNotify();

class CNotifyIcon
{
public:
    static constexpr UINT kDefaultIconId = 128;
    static constexpr int kMaxRetries = 120;
    static constexpr DWORD kRetryPause = 250;

    CNotifyIcon(UINT callbackMessage, IShellNotify& shell = RealShellNotify(),
                UINT iconId = kDefaultIconId);
    virtual ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    void SetOwner(HWND window) { m_ownerWindow = window; }
    void SetTooltip(const wchar_t* text) { m_tooltip = text ? text : L""; }
    void SetTooltip(UINT stringId);
    // Loads the small icon of `resourceId`; on failure the present icon stays.
    bool SetIcon(UINT resourceId);
    // Adds the icon, or modifies it once added.
    bool Update();
    bool Delete();
    // The taskbar was re-created: it lost the icon, so add it again.
    bool Readd();

    bool IsAdded() const { return m_added; }
    HWND Owner() const { return m_ownerWindow; }
    UINT IconId() const { return m_iconId; }
    const std::wstring& Tooltip() const { return m_tooltip; }
    HICON Icon() const { return m_icon.Get(); }

private:
    void FillRecord(NOTIFYICONDATAW& record, bool withContent) const;
    bool RetryShellNotify(DWORD operation, NOTIFYICONDATAW& record);

    IShellNotify& m_shell;
    UINT m_callbackMessage;
    HWND m_ownerWindow = nullptr;
    UINT m_iconId;
    bool m_added = false;
    std::wstring m_tooltip;
    CIconHandle m_icon;
};
