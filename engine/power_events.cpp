// The engine's answer to the power broadcasts, and the automatic suspend that
// puts an unattended computer back to sleep after it woke by itself.
//
// After a wake by a timer Windows puts the computer back to sleep when its
// unattended idle timer runs out (at least two minutes) unless a program asks
// for the system ("System Wake-up Events"). So from the wake to the
// countdown's attempt, and while a program the command started still runs,
// the engine holds ES_SYSTEM_REQUIRED; the user's return or the attempt let
// go of it.
#include <algorithm>

#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {
// A window registered for the suspend and resume notifications may get a
// broadcast twice; the same event again this soon is the same event.
constexpr ULONGLONG kRepeatedBroadcast = 2 * kTicksPerSecond;
} // namespace

void CPowerEngine::OnPowerBroadcast(WPARAM event)
{
    size_t slot;
    switch (event) {
    case PBT_APMSUSPEND:
        slot = 0;
        break;
    case PBT_APMRESUMESUSPEND:
        slot = 1;
        break;
    case PBT_APMRESUMEAUTOMATIC:
        slot = 2;
        break;
    default:
        return;
    }
    const ULONGLONG now = ToTicks(m_system.UtcNow());
    ULONGLONG& last = m_lastBroadcastTime[slot];
    if (last != 0 && now - last < kRepeatedBroadcast)
        return;
    last = now;
    if (event == PBT_APMSUSPEND)
        HandleSuspend();
    else
        HandleResume(event == PBT_APMRESUMEAUTOMATIC);
}

void CPowerEngine::HandleSuspend()
{
    m_userBackLogged = false;
    // The wake timer first, the log and the tray after.
    const CArming arming = m_model.AutoResume.enabled ? SetWakeTimer() : CArming{};

    // The suspend is not opposed; the log only records that it came against
    // the conditions or keep-awake.
    if (!EvaluateSuspendPermission() || m_keepAwake)
        Logger().LogMessage(IDS_LOG_CONDITIONS_UNMET);
    Logger().LogMessage(IDS_LOG_SUSPEND_SYSTEM);
    if (m_model.AutoResume.enabled) {
        LogArming(arming);
        CheckMachine();
    }

    // In Modern Standby a request left standing keeps the computer from its
    // lowest power with the lid closed; it is asserted again at resume.
    if (m_machine.modernStandby)
        ReleaseExecutionState();
}

void CPowerEngine::HandleResume(bool automatic)
{
    CancelWakeTimer();

    if (automatic) {
        m_userBackLogged = false;
        Logger().LogMessage(IDS_LOG_RESUMING);
        if (m_model.Command.run && !m_model.Command.text.empty()) {
            Logger().LogMessage(IDS_LOG_RUNNING_COMMAND, m_model.Command.text.c_str());
            // Not from within the broadcast another process sent: the shell's
            // COM-based launches fail there.
            if (!m_pageWindow ||
                !m_system.PostWindowMessage(m_pageWindow, WM_APP_ENGINE, ENGINE_RUN_COMMAND, 0))
                RunResumeCommand();
        }
        if (m_model.Suspend.allowed && m_model.AutoResume.enabled && m_model.AutoSuspend.enabled)
            ScheduleAutoSuspend();
    } else {
        UserReturned(false);
    }
    if (m_keepAwakeEnd)
        OnKeepAwakeTimer();

    // Requests have been reported lost across a sleep the user started:
    // asserting them again costs nothing.
    UpdateExecutionState(true);
}

void CPowerEngine::UserReturned(bool countdownRan)
{
    LogUserReturn(countdownRan);
    StopCountdown();
}

void CPowerEngine::LogUserReturn(bool countdownRan)
{
    // Once per wake: the broadcast may follow what the watch or the attempt saw.
    if (!m_userBackLogged &&
        (countdownRan || (m_model.AutoResume.enabled && m_model.AutoSuspend.enabled)))
        Logger().LogMessage(IDS_LOG_USER_ACTIVITY);
    m_userBackLogged = true;
}

void CPowerEngine::ScheduleAutoSuspend()
{
    const ULONGLONG delay = static_cast<ULONGLONG>(std::max(m_model.AutoSuspend.delay, 0));
    StartTimer(IDT_AUTOSUSPEND, static_cast<UINT>(delay * 1000));
    m_counting = true;
    m_countdownEnd = ToTicks(m_system.UtcNow()) + delay * kTicksPerSecond;
    LogMoment(IDS_LOG_SUSPEND_SCHEDULED, m_countdownEnd);
    StartWakeWatch();
    UpdateExecutionState();
}

void CPowerEngine::StopCountdown()
{
    StopTimer(IDT_AUTOSUSPEND);
    m_counting = false;
    UpdateExecutionState();
}

bool CPowerEngine::HoldsSystem() const
{
    return m_counting || m_commandProcess.IsValid();
}

void CPowerEngine::StartWakeWatch()
{
    StartTimer(IDT_WAKEWATCH, kWakeWatchPeriod);
}

void CPowerEngine::OnWakeWatch()
{
    // Windows turns an unattended wake into an attended one at the first
    // input; the broadcast that says so may come late, or not at all where
    // it was lost.
    if (m_counting && !m_system.IsResumeAutomatic())
        UserReturned(true);
    if (m_commandProcess && !m_system.IsProcessRunning(m_commandProcess.Get()))
        m_commandProcess.Reset();
    if (!HoldsSystem())
        StopTimer(IDT_WAKEWATCH);
    UpdateExecutionState();
}

void CPowerEngine::AttemptAutoSuspend()
{
    StopTimer(IDT_AUTOSUSPEND); // the countdown fires once
    m_counting = false;

    if (!m_system.IsResumeAutomatic()) {
        LogUserReturn(true);
        UpdateExecutionState();
        return;
    }

    // A backup the wake started must finish first.
    if (m_commandProcess && m_system.IsProcessRunning(m_commandProcess.Get())) {
        Logger().LogMessage(IDS_LOG_COMMAND_STILL_RUNNING);
    } else if (m_keepAwake) {
        // Someone asked for the computer to stay awake: that outweighs a
        // countdown nobody watches.
        Logger().LogMessage(IDS_LOG_KEPT_AWAKE_POSTPONED);
    } else if (EvaluateSuspendPermission()) {
        Logger().LogMessage(IDS_LOG_SUSPEND_APP);
        // The next wake is set before the computer goes down.
        if (m_model.AutoResume.enabled)
            ArmWakeTimer();

        const bool hibernate = m_model.AutoSuspend.state == SuspendState::Hibernate;
        if (!hibernate && m_machine.modernStandby) {
            // No sleep state to ask for: SetSuspendState(FALSE) would
            // hibernate or do nothing. The display going off is how such a
            // computer enters standby.
            ReleaseExecutionState();
            m_system.TurnDisplayOff();
            return;
        }
        if (!hibernate && m_machine.capabilitiesKnown && !m_machine.sleepState) {
            // Asking anyway would hibernate it or do nothing; waiting will
            // not give it a sleep state.
            SetLastError(ERROR_NOT_SUPPORTED);
            Logger().LogLastError(IDS_LOG_SUSPEND_FAILED);
            UpdateExecutionState();
            return;
        }
        if (EnableShutdownPrivilege(m_system)) {
            // Nothing of ours stands against the request.
            ReleaseExecutionState();
            if (m_system.RequestSuspend(m_pageWindow, hibernate ? TRUE : FALSE)) {
                m_suspendPending = true;
                return;
            }
        }
        OnSuspendRequestEnded(false, GetLastError());
        return;
    }

    Logger().LogMessage(IDS_LOG_RESCHEDULING);
    ScheduleAutoSuspend();
}

void CPowerEngine::OnSuspendRequestEnded(bool succeeded, DWORD error)
{
    m_suspendPending = false;
    // Accepted: the broadcasts that follow are handled as they come.
    if (succeeded)
        return;
    SetLastError(error);
    Logger().LogLastError(IDS_LOG_SUSPEND_FAILED);
    // Access denied will not change by waiting: no further attempt.
    if (error == ERROR_ACCESS_DENIED) {
        UpdateExecutionState();
        return;
    }
    Logger().LogMessage(IDS_LOG_RESCHEDULING);
    ScheduleAutoSuspend();
}

void CPowerEngine::OnEngineMessage(WPARAM code, LPARAM value)
{
    switch (code) {
    case ENGINE_RUN_COMMAND:
        RunResumeCommand();
        break;
    case ENGINE_SUSPEND_DONE:
        OnSuspendRequestEnded(true, ERROR_SUCCESS);
        break;
    case ENGINE_SUSPEND_FAILED:
        OnSuspendRequestEnded(false, static_cast<DWORD>(value));
        break;
    default:
        break;
    }
}
