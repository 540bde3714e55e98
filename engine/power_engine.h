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
constexpr UINT_PTR IDT_WAKEWATCH = 3;          // while the engine holds the system after a wake
constexpr UINT_PTR IDT_KEEPAWAKE = 4;          // the end of keep-awake
constexpr UINT kConnectionWatchPeriod = 30000; // milliseconds
constexpr UINT kWakeWatchPeriod = 5000;

// Keep-awake's length in minutes for "until stopped", and the longest one.
constexpr unsigned kKeepAwakeUntilStopped = 0;
constexpr unsigned kKeepAwakeMaxMinutes = 366u * 24 * 60;

// Message of the page window for the engine, handed to
// CPowerEngine::OnEngineMessage: wParam is one of EngineMessage, lParam its
// value.
constexpr UINT WM_APP_ENGINE = WM_APP + 3;
enum EngineMessage : WPARAM
{
    ENGINE_RUN_COMMAND = 1,    // start the resume command
    ENGINE_SUSPEND_DONE = 2,   // the suspend request returned TRUE
    ENGINE_SUSPEND_FAILED = 3, // it returned FALSE; lParam: the error
};

// What the machine check found that stands in the way of the settings; each
// is logged once when it appears.
enum MachineProblem : unsigned
{
    PROBLEM_NO_SLEEP_STATE = 1u << 0,
    PROBLEM_MODERN_STANDBY = 1u << 1,
    PROBLEM_NO_HIBERNATION = 1u << 2,
    PROBLEM_NO_CLOCK_WAKE = 1u << 3,
    PROBLEM_WAKE_TIMERS_OFF_MAINS = 1u << 4,
    PROBLEM_WAKE_TIMERS_OFF_BATTERY = 1u << 5,
    PROBLEM_WAKE_TIMERS_IMPORTANT_MAINS = 1u << 6,
    PROBLEM_WAKE_TIMERS_IMPORTANT_BATTERY = 1u << 7,
    PROBLEM_REQUESTS_IGNORED_MAINS = 1u << 8,
    PROBLEM_REQUESTS_IGNORED_BATTERY = 1u << 9,
};
// The problems that keep automatic resume from waking the computer.
constexpr unsigned kNoWakeProblems =
    PROBLEM_MODERN_STANDBY | PROBLEM_NO_CLOCK_WAKE | PROBLEM_WAKE_TIMERS_OFF_MAINS |
    PROBLEM_WAKE_TIMERS_OFF_BATTERY | PROBLEM_WAKE_TIMERS_IMPORTANT_MAINS |
    PROBLEM_WAKE_TIMERS_IMPORTANT_BATTERY;

// The problems of `machine` for what `model` asks; `keptAwake`: keep-awake
// runs, so the engine holds the computer whatever the settings say.
unsigned FindMachineProblems(const CMachinePower& machine, const CSettingsModel& model,
                             bool keptAwake);

struct CStatusReport;

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

    // WM_POWERBROADCAST: PBT_APMSUSPEND, PBT_APMRESUMESUSPEND and
    // PBT_APMRESUMEAUTOMATIC go to the handlers below; other events are
    // ignored, and so is the same event again within two seconds (a window
    // registered for the notifications may get one twice, and the copies
    // may interleave with the next event).
    void OnPowerBroadcast(WPARAM event);
    // The wake timer is set first: Windows gives the broadcast about two
    // seconds, and a slow tray or log must not cost the next wake.
    void HandleSuspend();
    // `automatic` for PBT_APMRESUMEAUTOMATIC: nobody is at the computer.
    void HandleResume(bool automatic);
    // Starts (or restarts) the automatic-suspend countdown and logs its end;
    // the system is held awake while it runs.
    void ScheduleAutoSuspend();
    // Hands the resume command to the shell, without a window of errors; a
    // program it starts holds the system awake until it ends.
    void RunResumeCommand();
    // The page's WM_APP_ENGINE.
    void OnEngineMessage(WPARAM code, LPARAM value);

    // Reads what the machine can do and logs each problem for the settings
    // once, when it appears; the tray tooltip says when automatic resume
    // cannot wake the computer. At start, at every apply and when the wake
    // timer is armed.
    void CheckMachine();
    unsigned MachineProblems() const { return m_machineProblems; }
    const CMachinePower& Machine() const { return m_machine; }

    // Keeps the computer awake for `minutes` from now (kKeepAwakeUntilStopped:
    // until StopKeepAwake), whatever "Allow suspend" says; a running one is
    // replaced. Nothing of the settings changes. False, with nothing done,
    // for more than kKeepAwakeMaxMinutes.
    bool StartKeepAwake(unsigned minutes);
    // Ends keep-awake; nothing when none runs.
    void StopKeepAwake();
    bool KeptAwake() const { return m_keepAwake; }
    // The length it was started with (kKeepAwakeUntilStopped for none), and
    // its end as UTC FILETIME ticks (0 for none).
    unsigned KeepAwakeMinutes() const { return m_keepAwakeMinutes; }
    ULONGLONG KeepAwakeEnd() const { return m_keepAwakeEnd; }

    // What the engine and Windows will do, read now; changes nothing and
    // logs nothing (status_report.h).
    CStatusReport BuildStatusReport();

    // The page window is going: the screen saver gets back the flag the engine
    // switched off, the window timers stop, keep-awake ends and the wake timer
    // is closed.
    void Shutdown();

    // Whether the engine holds the system awake for an unattended wake: the
    // countdown runs or the command it started still does.
    bool HoldsSystem() const;
    bool SuspendRequestPending() const { return m_suspendPending; }

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
    // The outcome of setting the wake timer, logged after the fact.
    struct CArming
    {
        enum Result
        {
            NoTimer,
            Armed,
            Past,
            Failed,      // IDS_LOG_TIMER_SET
            Unsupported, // IDS_LOG_RESUME_UNSUPPORTED
        } result = NoTimer;
        ULONGLONG due = 0;
        DWORD error = 0;
    };
    DueTime ComputeDueTime(ULONGLONG now, ULONGLONG* due);
    CArming SetWakeTimer();
    bool LogArming(const CArming& arming);
    // Writes entry `id` with the local date and time of the UTC moment `utc`;
    // nothing when the text cannot be formed.
    void LogMoment(UINT id, ULONGLONG utc);

    // `reassert` sends the flags even when they did not change.
    void UpdateExecutionState(bool reassert = false);
    void ReleaseExecutionState();
    void StopCountdown();
    // The user is back: the countdown ends; entry 161 once per wake.
    void UserReturned(bool countdownRan);
    void LogUserReturn(bool countdownRan);
    void OnWakeWatch();
    void StartWakeWatch();
    void OnSuspendRequestEnded(bool succeeded, DWORD error);
    void UpdateScreenSaver();
    void RestoreScreenSaver();
    void ShowPermission(const std::wstring& tooltip, UINT iconId);
    void ShowTray();
    // Keep-awake's timer, also called at resume: a sleep may have passed its
    // end, and a window timer cannot wait longer than about 24.8 days.
    void OnKeepAwakeTimer();
    void ArmKeepAwakeTimer(ULONGLONG now);
    // Ends keep-awake and shows and tells Windows what holds without it.
    void EndKeepAwake();
    // Its state and timer go and its end is logged; nothing else. False when
    // none ran.
    bool ClearKeepAwake();
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

    // The tray's tooltip and icon of the last decision, and whether the
    // tooltip warns that automatic resume cannot wake the computer.
    std::wstring m_tooltip;
    UINT m_icon = 0;
    bool m_noWakeShown = false;

    bool m_counting = false;       // the automatic-suspend countdown runs
    ULONGLONG m_countdownEnd = 0;  // its end, UTC
    bool m_userBackLogged = false; // entry 161 written since the last wake
    bool m_suspendPending = false; // the suspend request has not returned
    CHandle m_commandProcess;      // the program the resume command started
    // When each handled broadcast (suspend, resume, automatic resume) last
    // came, UTC; 0 before the first.
    ULONGLONG m_lastBroadcastTime[3] = {};

    CMachinePower m_machine;
    unsigned m_machineProblems = 0;

    bool m_keepAwake = false;
    unsigned m_keepAwakeMinutes = kKeepAwakeUntilStopped;
    ULONGLONG m_keepAwakeEnd = 0; // UTC; 0 until stopped
    std::wstring m_keepAwakeTooltip;
};
