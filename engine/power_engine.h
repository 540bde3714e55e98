#pragma once
// The power engine: the state the General page keeps for automatic resume,
// suspend permission, automatic suspend and the resume command, over the
// settings model and the system interface. Single-threaded: every call comes
// from the user-interface thread.
#include <windows.h>

#include <string>

#include "common/handles.h"
#include "engine/engine_listener.h"
#include "engine/power_system.h"
#include "engine/tray_icon.h"
#include "settings/settings_model.h"

// Window timers of the page window; its WM_TIMER handler passes the id to
// CPowerEngine::OnEngineTimer.
constexpr UINT_PTR IDT_AUTOSUSPEND = 1;        // the automatic-suspend countdown
constexpr UINT_PTR IDT_CONNECTIONWATCH = 2;    // re-evaluation while a port condition holds
constexpr UINT kConnectionWatchPeriod = 30000; // milliseconds

class CPowerEngine
{
public:
    // The decision last reported to the log and the tray icon.
    enum PermissionState : int
    {
        PermissionNone = 0,
        NotAllowed = 1,
        BlockedByPorts = 2,
        Allowed = 3,
    };

    // The engine keeps references to `model` and `system`, which outlive it.
    // `tray` and `listener` may be null.
    CPowerEngine(CSettingsModel& model, IPowerSystem& system, ITrayIcon* tray = nullptr,
                 IPowerEngineListener* listener = nullptr);
    // Gives back the screen saver if the engine still holds it off.
    ~CPowerEngine();
    CPowerEngine(const CPowerEngine&) = delete;
    CPowerEngine& operator=(const CPowerEngine&) = delete;

    // The page window that owns the engine's window timers. Until it is set no
    // timer is started.
    void SetPageWindow(HWND window) { m_pageWindow = window; }
    HWND PageWindow() const { return m_pageWindow; }

    // Wake timer lifetime: created when the page initialises (a failure is
    // logged and leaves no timer), closed when the page goes or with the engine.
    bool CreateWakeTimer();
    void CloseWakeTimer() { m_wakeTimer.Reset(); }
    HANDLE WakeTimer() const { return m_wakeTimer.Get(); }

    // Sets the wake timer to the next moment automatic resume asks for. False
    // with no timer (nothing logged), when a one-time moment has passed
    // (automatic resume is then switched off) or when the timer cannot be set.
    bool ArmWakeTimer();
    // Called at every resume; false with no timer, silently.
    bool CancelWakeTimer();

    // Whether the computer may be suspended now. A change of the decision, or
    // of the watched ports that block it, is logged and shown by the tray icon.
    bool EvaluateSuspendPermission();
    // The watched ports with an established connection now, as a port-list
    // text ("80,443"); empty when there is none.
    std::wstring ScanActivePorts();
    // Execution state, connection watch and screen saver after the settings:
    // at page initialisation and at every apply.
    void ApplyExecutionState();
    // The page's WM_TIMER: IDT_AUTOSUSPEND or IDT_CONNECTIONWATCH; other ids
    // are ignored.
    void OnEngineTimer(UINT_PTR id);

    // WM_POWERBROADCAST: PBT_APMSUSPEND, and the two kinds of resume
    // (`automatic` for PBT_APMRESUMEAUTOMATIC).
    void HandleSuspend();
    void HandleResume(bool automatic);
    // Starts (or restarts) the automatic-suspend countdown and logs its end.
    void ScheduleAutoSuspend();
    // Hands the resume command to the shell.
    void RunResumeCommand();

    // The page window is going: the screen saver gets back the flag the engine
    // switched off, the window timers stop and the wake timer is closed.
    void Shutdown();

    int LastPermissionState() const { return m_lastPermissionState; }
    const std::wstring& LastActivePorts() const { return m_lastActivePorts; }
    EXECUTION_STATE LastExecutionState() const { return m_lastExecutionState; }
    // The screen-saver flag held while the engine keeps it off; -1 for none.
    int SavedScreenSaverActive() const { return m_savedScreenSaverActive; }

private:
    enum class DueTime
    {
        Ready,
        Past,
        Failed,
    };
    DueTime ComputeDueTime(ULONGLONG now, ULONGLONG* due);
    // Writes entry `id` with the local date and time of the UTC moment `utc`;
    // nothing when the text cannot be formed.
    void LogMoment(UINT id, ULONGLONG utc);

    void UpdateExecutionState();
    void UpdateScreenSaver();
    void RestoreScreenSaver();
    void ShowPermission(const std::wstring& tooltip, UINT iconId);
    void AttemptAutoSuspend();
    void StartTimer(UINT_PTR id, UINT elapse);
    void StopTimer(UINT_PTR id);

    CSettingsModel& m_model;
    IPowerSystem& m_system;
    ITrayIcon* m_tray;
    IPowerEngineListener* m_listener;
    HWND m_pageWindow = nullptr;
    CHandle m_wakeTimer;

    int m_lastPermissionState = PermissionNone;
    std::wstring m_lastActivePorts;
    EXECUTION_STATE m_lastExecutionState = ES_CONTINUOUS;
    int m_savedScreenSaverActive = -1;
};
