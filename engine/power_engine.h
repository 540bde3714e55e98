#pragma once
// The power engine: the state the General page keeps for automatic resume,
// over the settings model and the system interface. Single-threaded: every
// call comes from the user-interface thread.
#include <windows.h>

#include "common/handles.h"
#include "engine/engine_listener.h"
#include "engine/power_system.h"
#include "settings/settings_model.h"

class CPowerEngine
{
public:
    // The engine keeps references to `model` and `system`, which outlive it.
    // `listener` may be null.
    CPowerEngine(CSettingsModel& model, IPowerSystem& system,
                 IPowerEngineListener* listener = nullptr);
    CPowerEngine(const CPowerEngine&) = delete;
    CPowerEngine& operator=(const CPowerEngine&) = delete;

    // Wake timer lifetime: created when the page initialises (a failure is
    // logged and leaves no timer), closed when the page goes or with the engine.
    bool CreateWakeTimer();
    void CloseWakeTimer() { m_wakeTimer.Close(); }
    HANDLE WakeTimer() const { return m_wakeTimer.Get(); }

    // Sets the wake timer to the next moment automatic resume asks for. False
    // with no timer (nothing logged), when a one-time moment has passed
    // (automatic resume is then switched off) or when the timer cannot be set.
    bool ArmWakeTimer();
    // Called at every resume; false with no timer, silently.
    bool CancelWakeTimer();

private:
    enum class DueTime
    {
        Ready,
        Past,
        Failed,
    };
    DueTime ComputeDueTime(ULONGLONG now, ULONGLONG* due);
    void LogScheduled(ULONGLONG due);

    CSettingsModel& m_model;
    IPowerSystem& m_system;
    IPowerEngineListener* m_listener;
    CHandle m_wakeTimer;
};
