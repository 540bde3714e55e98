#pragma once
// The tray program's core: the one home of its state. It owns the settings
// model and the window placement kept with them, the power engine over the
// real system, the tray icon, the log and the paths of both files. A hidden
// top-level window of its own receives what Windows and other copies send:
// the power broadcasts, the end of the session, the taskbar's restart, the
// display's changes, the tray icon's callbacks, the instance notification,
// the command line's requests, and the engine's timers.
// A top-level window, because broadcasts reach every top-level window, shown
// or not, and skip message-only ones; its own, so the engine and the icon work
// whether or not the property sheet and its pages exist yet. The sheet and its
// pages are views of the core.
#include <windows.h>

#include <string>

#include "common/handles.h"
#include "engine/engine_listener.h"
#include "engine/power_engine.h"
#include "engine/tray_icon.h"
#include "engine/windows_power_system.h"
#include "settings/run_at_startup.h"
#include "settings/settings_model.h"
#include "ui/application_core.h"
#include "ui/notify_icon.h"
#include "ui/suspend_resume_registration.h"
#include "ui/window_message_filter.h"

// The icon's id within the window: the high word of the tray callback's lParam.
constexpr UINT kTrayIconId = 128;

// Window timers of the core window besides the engine's.
constexpr UINT_PTR IDT_TRAYRETRY = 0x7401; // the tray icon retries a call the shell timed out
constexpr UINT_PTR IDT_TRAYCLICK = 0x7402; // a click on the icon waits for a second one

class CApplication : public IApplicationCore, private IPowerEngineListener, private ITrayIcon
{
public:
    // `instanceHash`: the running copy's instance hash; notifications that
    // name another copy are ignored. Null seams stand for the real ones;
    // given ones outlive the core.
    explicit CApplication(DWORD instanceHash, IPowerSystem* system = nullptr,
                          IShellNotify* shell = nullptr,
                          IWindowMessageFilter* messageFilter = nullptr);
    ~CApplication() override;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // For tests: other files than the data folder's; before Start.
    void SetPaths(const std::wstring& settingsPath, const std::wstring& logPath);
    // The view that the tray and the other copies show, and that ends the
    // program; before Start. Null for none.
    void SetView(IMainView* view) { m_view = view; }

    // Creates the window, starts the log, loads the settings, adds the tray
    // icon and sets the engine going. False (last error set) when the window
    // cannot be made.
    bool Start();
    // Writes "Stopping", closes the log, takes the icon away and destroys the
    // window. Also done by the destructor.
    void Shutdown();

    HWND Window() const { return m_window.Get(); }
    // The program is to end (Exit, a takeover, the end of the session): also
    // when that was asked before there was a view to close.
    bool Exiting() const { return m_exiting; }
    const std::wstring& SettingsPath() const { return m_settingsPath; }
    const std::wstring& LogPath() const { return m_logPath; }
    CPowerEngine& Engine() { return m_engine; }
    CNotifyIcon& TrayIcon() { return m_trayIcon; }

    // IApplicationCore
    CSettingsModel& Model() override { return m_model; }
    bool RunAtStartup() const override { return m_runAtStartup; }
    void SetRunAtStartup(bool run) override { m_runAtStartup = run; }
    void ApplySettings() override;
    bool Save() override;
    WINDOWPLACEMENT& Placement() override { return m_placement; }
    CStatusReport StatusReport() override { return m_engine.BuildStatusReport(); }

    // The tray menu, its right edge at `anchor`.
    void ShowTrayMenu(POINT anchor);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCommand(int id);
    void OnEndSession(bool ending, LPARAM flags);
    void OnInstanceNotify(WPARAM code, LPARAM target);
    // A request of the command line (command_protocol.h): done and replied
    // to when it is well formed and its reply window is of this user; false,
    // with nothing done, otherwise.
    bool OnCommandRequest(const COPYDATASTRUCT* data);
    std::wstring KeepAwakeReplyText();
    void OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnTrayClickTimer();
    void StopTrayClickTimer();
    void ShowView(UINT pageId);
    void Exit();
    // The Keep awake submenu of the tray menu `menu`: the running length
    // checked, Stop greyed while none runs.
    void ShowKeepAwakeChoice(HMENU menu);

    // IPowerEngineListener
    void OnAutoResumeDisabled() override;
    // ITrayIcon: the engine's view of the icon.
    void SetTooltip(const wchar_t* text) override { m_trayIcon.SetTooltip(text); }
    bool SetIcon(UINT resourceId) override { return m_trayIcon.SetIcon(resourceId); }
    bool Update() override { return m_trayIcon.Update(); }

    DWORD m_instanceHash;
    CWindowsPowerSystem m_windowsSystem;
    IPowerSystem& m_system;
    IWindowMessageFilter& m_messageFilter;
    CNotifyIcon m_trayIcon;
    CSettingsModel m_model;
    WINDOWPLACEMENT m_placement;
    CRunAtStartup m_runAtStartupChoice;
    bool m_runAtStartup;
    CPowerEngine m_engine;
    CSuspendResumeRegistration m_suspendResume;
    std::wstring m_settingsPath;
    std::wstring m_logPath;
    IMainView* m_view = nullptr;
    CWindowHandle m_window;
    bool m_started = false;
    bool m_exiting = false;
    // Between a click on the icon and the end of the double-click time.
    enum class TrayClick
    {
        None,
        Waiting,      // a click: the menu opens unless a second click comes
        DoubleClicked // the window was shown: the double-click's release opens nothing
    } m_trayClick = TrayClick::None;
    POINT m_clickAnchor = {};
};
