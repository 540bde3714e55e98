#include <algorithm>

#include "common/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "common/handles.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {
// The timer signals again every 2 s once due, until the resume cancels it.
constexpr LONG kWakePeriod = 2000;

// The same wall-clock time on the next calendar day.
bool NextDay(SYSTEMTIME& local)
{
    FILETIME naive;
    if (!SystemTimeToFileTime(&local, &naive))
        return false;
    FILETIME next = ToFileTime(ToTicks(naive) + kTicksPerDay);
    return FileTimeToSystemTime(&next, &local) != FALSE;
}
} // namespace

CPowerEngine::DueTime CPowerEngine::ComputeDueTime(ULONGLONG now, ULONGLONG* due)
{
    const auto& resume = m_model.AutoResume;
    FILETIME utc;

    if (resume.mode == ResumeMode::Every) {
        *due = now + static_cast<ULONGLONG>(std::max(resume.delay, 0)) * kTicksPerSecond;
        return DueTime::Ready;
    }

    if (resume.mode == ResumeMode::Once) {
        if (!m_system.LocalToUtc(resume.time, &utc))
            return DueTime::Failed;
        *due = ToTicks(utc);
        return now >= *due ? DueTime::Past : DueTime::Ready;
    }

    // Daily: the chosen wall-clock time today, or tomorrow once it has come.
    // Each day is converted with its own rules, so a change of daylight-saving
    // time in between does not move the wake by an hour.
    SYSTEMTIME local;
    if (!m_system.UtcToLocal(ToFileTime(now), &local))
        return DueTime::Failed;
    local.wHour = resume.time.wHour;
    local.wMinute = resume.time.wMinute;
    local.wSecond = resume.time.wSecond;
    local.wMilliseconds = 0;
    if (!m_system.LocalToUtc(local, &utc))
        return DueTime::Failed;
    *due = ToTicks(utc);
    if (now >= *due) {
        if (!NextDay(local) || !m_system.LocalToUtc(local, &utc))
            return DueTime::Failed;
        *due = ToTicks(utc);
    }
    return DueTime::Ready;
}

CPowerEngine::CArming CPowerEngine::SetWakeTimer()
{
    CArming arming;
    if (!m_wakeTimer)
        return arming;

    const ULONGLONG now = ToTicks(m_system.UtcNow());
    switch (ComputeDueTime(now, &arming.due)) {
    case DueTime::Ready:
        break;
    case DueTime::Past:
        arming.result = CArming::Past;
        return arming;
    case DueTime::Failed:
        // A chosen time that cannot be converted cannot be armed either.
        arming.result = CArming::Failed;
        arming.error = GetLastError();
        return arming;
    }

    LARGE_INTEGER dueTime;
    dueTime.QuadPart = static_cast<LONGLONG>(arming.due); // positive: an absolute UTC moment
    // A success leaves the last error alone, and only ERROR_NOT_SUPPORTED after
    // it means anything: start from a clean value.
    SetLastError(ERROR_SUCCESS);
    if (!m_system.SetWakeTimer(m_wakeTimer.Get(), dueTime, kWakePeriod, TRUE)) {
        arming.result = CArming::Failed;
        arming.error = GetLastError();
    } else if (GetLastError() == ERROR_NOT_SUPPORTED) {
        // The timer stays set: it still signals, it just cannot wake the system.
        arming.result = CArming::Unsupported;
        arming.error = ERROR_NOT_SUPPORTED;
    } else {
        arming.result = CArming::Armed;
    }
    return arming;
}

bool CPowerEngine::LogArming(const CArming& arming)
{
    switch (arming.result) {
    case CArming::NoTimer:
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    case CArming::Past:
        Logger().LogMessage(IDS_LOG_RESUME_PAST);
        m_model.AutoResume.enabled = false;
        if (m_listener)
            m_listener->OnAutoResumeDisabled();
        return false;
    case CArming::Failed:
        SetLastError(arming.error);
        Logger().LogLastError(IDS_LOG_TIMER_SET);
        return false;
    case CArming::Unsupported:
        SetLastError(arming.error);
        Logger().LogLastError(IDS_LOG_RESUME_UNSUPPORTED);
        return false;
    case CArming::Armed:
        break;
    }
    LogMoment(IDS_LOG_RESUME_SCHEDULED, arming.due);
    return true;
}

bool CPowerEngine::ArmWakeTimer()
{
    const bool armed = LogArming(SetWakeTimer());
    if (!m_wakeTimer)
        return false; // no timer: nothing was tried, nothing is said
    CKeepLastError keep;
    CheckMachine();
    return armed;
}

void CPowerEngine::LogMoment(UINT id, ULONGLONG utc)
{
    CKeepLastError keep;
    SYSTEMTIME local;
    if (!m_system.UtcToLocal(ToFileTime(utc), &local))
        return;
    const std::wstring text = FormatLocalDateTime(local);
    if (!text.empty())
        Logger().LogMessage(id, text.c_str());
}
