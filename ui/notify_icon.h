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
    // The dots per inch the notification area shows its icons at now; 0 when
    // the system cannot tell.
    virtual UINT NotificationAreaDpi() = 0;
    // The small icon of `resourceId` for `dpi`; for 0, at the system's small
    // icon size. Null on failure.
    virtual HICON LoadSmallIcon(UINT resourceId, UINT dpi) = 0;
    // A window timer of `window`; the window hands its WM_TIMER to the icon.
    virtual bool StartTimer(HWND window, UINT_PTR id, UINT milliseconds) = 0;
    virtual void StopTimer(HWND window, UINT_PTR id) = 0;
};

// Shell_NotifyIconW, SetTimer and KillTimer; the primary monitor's scale; the
// icons of the running program's module.
IShellNotify& RealShellNotify();

// What the shell reports with the icon's callback message once the icon speaks
// NOTIFYICON_VERSION_4: the event in the low word of lParam, the icon's id in
// the high word, and the point the event refers to in wParam (signed: a
// monitor left of or above the primary one has negative coordinates).
struct TrayCallback
{
    UINT event;
    UINT iconId;
    POINT anchor;
};
TrayCallback DecodeTrayCallback(WPARAM wParam, LPARAM lParam);

class CNotifyIcon
{
public:
    static constexpr UINT kDefaultIconId = 128;
    static constexpr int kMaxRetries = 120;
    static constexpr UINT kRetryPeriod = 250; // milliseconds

    CNotifyIcon(UINT callbackMessage, IShellNotify& shell = RealShellNotify(),
                UINT iconId = kDefaultIconId);
    // The end of the program, when no message loop runs any more: one try at
    // removing the icon, no retry.
    virtual ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // `retryTimer`: the id of the owner's window timer that retries a call the
    // shell did not answer in time; the owner passes its WM_TIMER to OnTimer.
    void SetOwner(HWND window, UINT_PTR retryTimer)
    {
        m_ownerWindow = window;
        m_retryTimer = retryTimer;
    }
    void SetTooltip(const wchar_t* text) { m_tooltip = text ? text : L""; }
    void SetTooltip(UINT stringId);
    // Loads the small icon of `resourceId` at the notification area's scale;
    // on failure the present icon stays.
    bool SetIcon(UINT resourceId);
    // The display's scale may have changed: when the notification area's
    // scale is not the one the icon was loaded for, the icon is loaded anew
    // and, once added, shown (a modify; a retry waiting carries it). False
    // when nothing changed or the new icon could not be loaded.
    bool FollowScale();
    // Adds the icon, or modifies it once added. False when the shell refused,
    // and while a retry is pending: the retry then carries the present state.
    bool Update();
    // False when the shell refused (the icon stays added), and while a retry
    // is pending.
    bool Delete();
    // The taskbar was re-created: it lost the icon, so add it again, at the
    // scale the new taskbar shows.
    bool Readd();
    // The owner's WM_TIMER: true when `id` is the retry's timer.
    bool OnTimer(UINT_PTR id);

    bool IsAdded() const { return m_added; }
    bool RetryPending() const { return m_pending != Operation::None; }
    HWND Owner() const { return m_ownerWindow; }
    UINT IconId() const { return m_iconId; }
    const std::wstring& Tooltip() const { return m_tooltip; }
    HICON Icon() const { return m_icon.Get(); }

private:
    enum class Operation
    {
        None,
        Add,
        Modify,
        Delete
    };

    // Loads the present icon again when the scale changed; true when it did.
    bool ReloadForScale();
    void FillRecord(NOTIFYICONDATAW& record, bool withContent) const;
    bool Call(Operation operation);
    void Succeeded(Operation operation);
    void StartRetry(Operation operation);
    void StopRetry();
    // Removes the icon if the shell may hold it, once, whatever the answer.
    void DeleteOnce();

    IShellNotify& m_shell;
    UINT m_callbackMessage;
    HWND m_ownerWindow = nullptr;
    UINT_PTR m_retryTimer = 0;
    UINT m_iconId;
    bool m_added = false;
    Operation m_pending = Operation::None;
    int m_retries = 0;
    std::wstring m_tooltip;
    CIconHandle m_icon;
    UINT m_iconResource = 0; // what m_icon shows
    UINT m_iconDpi = 0;      // the scale m_icon was loaded for
};
