// Keep-awake: on the user's request the computer stays awake for a while or
// until stopped, whatever "Allow suspend" says. It is no setting: nothing of
// the model changes, it is not saved, and it ends with the program. Its end
// is measured on the clock, not in window-timer ticks, so a sleep in between
// does not move it.
#include "common/resource_string.h"
#include "common/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {
constexpr ULONGLONG kTicksPerMinute = 60 * kTicksPerSecond;
constexpr ULONGLONG kTicksPerMillisecond = 10000;
// A timer that fires this close to the end ends keep-awake rather than being
// set again for the rest.
constexpr ULONGLONG kEndTolerance = kTicksPerSecond;
} // namespace

bool CPowerEngine::StartKeepAwake(unsigned minutes)
{
    if (minutes > kKeepAwakeMaxMinutes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const ULONGLONG now = ToTicks(m_system.UtcNow());
    const bool timerRuns = m_keepAwake && m_keepAwakeEnd;
    m_keepAwake = true;
    m_keepAwakeMinutes = minutes;
    m_keepAwakeEnd = minutes == kKeepAwakeUntilStopped ? 0 : now + minutes * kTicksPerMinute;

    const std::wstring name = ResourceText(IDS_APP_NAME);
    if (m_keepAwakeEnd) {
        ArmKeepAwakeTimer(now);
        LogMoment(IDS_LOG_KEPT_AWAKE_UNTIL, m_keepAwakeEnd);
        // The tooltip is read at a glance: the time alone, with the date only
        // when the end falls on another day.
        SYSTEMTIME today, end;
        std::wstring text;
        if (m_system.UtcToLocal(ToFileTime(now), &today) &&
            m_system.UtcToLocal(ToFileTime(m_keepAwakeEnd), &end)) {
            const bool otherDay =
                end.wYear != today.wYear || end.wMonth != today.wMonth || end.wDay != today.wDay;
            text = otherDay ? FormatLocalDateTime(end, TIME_NOSECONDS)
                            : FormatLocalTime(end, TIME_NOSECONDS);
        }
        m_keepAwakeTooltip =
            text.empty()
                ? name
                : name + L" - " +
                      FormatText(ResourceText(IDS_TIP_KEPT_AWAKE_UNTIL).c_str(), text.c_str());
    } else {
        if (timerRuns)
            StopTimer(IDT_KEEPAWAKE); // of the timed one it replaces
        Logger().LogMessage(IDS_LOG_KEPT_AWAKE_STOPPED);
        m_keepAwakeTooltip = name + L" - " + ResourceText(IDS_TIP_KEPT_AWAKE_STOPPED);
    }
    ShowTray();
    UpdateExecutionState();
    // The plan may not let programs keep the computer awake.
    CheckMachine();
    return true;
}

void CPowerEngine::StopKeepAwake()
{
    if (m_keepAwake)
        EndKeepAwake();
}

void CPowerEngine::OnKeepAwakeTimer()
{
    if (!m_keepAwake || !m_keepAwakeEnd) {
        StopTimer(IDT_KEEPAWAKE);
        return;
    }
    const ULONGLONG now = ToTicks(m_system.UtcNow());
    if (now + kEndTolerance >= m_keepAwakeEnd)
        EndKeepAwake();
    else
        ArmKeepAwakeTimer(now);
}

void CPowerEngine::ArmKeepAwakeTimer(ULONGLONG now)
{
    const ULONGLONG rest = m_keepAwakeEnd > now ? m_keepAwakeEnd - now : 0;
    const ULONGLONG milliseconds = (rest + kTicksPerMillisecond - 1) / kTicksPerMillisecond;
    // A longer wait is set again when this one ends.
    StartTimer(IDT_KEEPAWAKE, static_cast<UINT>(milliseconds < USER_TIMER_MAXIMUM
                                                    ? milliseconds
                                                    : ULONGLONG{USER_TIMER_MAXIMUM}));
}

void CPowerEngine::EndKeepAwake()
{
    if (!ClearKeepAwake())
        return;
    ShowTray();
    UpdateExecutionState();
    CheckMachine();
}

bool CPowerEngine::ClearKeepAwake()
{
    if (!m_keepAwake)
        return false;
    StopTimer(IDT_KEEPAWAKE);
    m_keepAwake = false;
    m_keepAwakeMinutes = kKeepAwakeUntilStopped;
    m_keepAwakeEnd = 0;
    m_keepAwakeTooltip.clear();
    Logger().LogMessage(IDS_LOG_KEEP_AWAKE_ENDED);
    return true;
}
