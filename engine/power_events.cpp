// The engine's answer to the power broadcasts, and the automatic suspend that
// puts an unattended computer back to sleep after it woke by itself.
#include <algorithm>

#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "log/logger.h"
#include "resources/resource.h"

void CPowerEngine::HandleSuspend()
{
    // The suspend is not opposed; the log only records that it came against
    // the conditions.
    if (!EvaluateSuspendPermission())
        Logger().LogMessage(IDS_LOG_CONDITIONS_UNMET);
    Logger().LogMessage(IDS_LOG_SUSPEND_SYSTEM);
    if (m_model.AutoResume.enabled)
        ArmWakeTimer();
}

void CPowerEngine::HandleResume(bool automatic)
{
    CancelWakeTimer();

    if (automatic) {
        Logger().LogMessage(IDS_LOG_RESUMING);
        if (m_model.Command.run && !m_model.Command.text.empty()) {
            Logger().LogMessage(IDS_LOG_RUNNING_COMMAND, m_model.Command.text.c_str());
            RunResumeCommand();
        }
        if (m_model.Suspend.allowed && m_model.AutoResume.enabled && m_model.AutoSuspend.enabled)
            ScheduleAutoSuspend();
        return;
    }

    // The user is back.
    if (m_model.AutoResume.enabled && m_model.AutoSuspend.enabled)
        Logger().LogMessage(IDS_LOG_USER_ACTIVITY);
    StopTimer(IDT_AUTOSUSPEND);
}

void CPowerEngine::ScheduleAutoSuspend()
{
    const ULONGLONG delay = static_cast<ULONGLONG>(std::max(m_model.AutoSuspend.delay, 0));
    StartTimer(IDT_AUTOSUSPEND, static_cast<UINT>(delay * 1000));
    LogMoment(IDS_LOG_SUSPEND_SCHEDULED, ToTicks(m_system.UtcNow()) + delay * kTicksPerSecond);
}

void CPowerEngine::AttemptAutoSuspend()
{
    StopTimer(IDT_AUTOSUSPEND); // the countdown fires once

    if (!m_system.IsResumeAutomatic()) {
        Logger().LogMessage(IDS_LOG_USER_ACTIVITY);
        return;
    }

    if (EvaluateSuspendPermission()) {
        Logger().LogMessage(IDS_LOG_SUSPEND_APP);
        // The next wake is set before the computer goes down.
        if (m_model.AutoResume.enabled)
            ArmWakeTimer();

        if (EnableShutdownPrivilege(m_system)) {
            const BOOLEAN hibernate = m_model.AutoSuspend.state == SUSPEND_STATE_HIBERNATE;
            SetLastError(ERROR_SUCCESS);
            if (m_system.SetSuspendState(hibernate, FALSE, FALSE))
                return;
        }

        const DWORD error = GetLastError();
        Logger().LogLastError(IDS_LOG_SUSPEND_FAILED);
        // Access denied will not change by waiting: no further attempt.
        if (error == ERROR_ACCESS_DENIED)
            return;
    }

    Logger().LogMessage(IDS_LOG_RESCHEDULING);
    ScheduleAutoSuspend();
}
