#include "engine/windows_power_system.h"

FILETIME CWindowsPowerSystem::UtcNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

bool CWindowsPowerSystem::LocalToUtc(const SYSTEMTIME& local, FILETIME* utc)
{
    SYSTEMTIME universal;
    return TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal)
        && SystemTimeToFileTime(&universal, utc);
}

bool CWindowsPowerSystem::UtcToLocal(const FILETIME& utc, SYSTEMTIME* local)
{
    SYSTEMTIME universal;
    return FileTimeToSystemTime(&utc, &universal)
        && SystemTimeToTzSpecificLocalTime(nullptr, &universal, local);
}

HANDLE CWindowsPowerSystem::CreateWakeTimer()
{
    return CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

BOOL CWindowsPowerSystem::SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period,
                                       BOOL resume)
{
    return SetWaitableTimer(timer, &due, period, nullptr, nullptr, resume);
}

BOOL CWindowsPowerSystem::CancelWakeTimer(HANDLE timer)
{
    return CancelWaitableTimer(timer);
}
