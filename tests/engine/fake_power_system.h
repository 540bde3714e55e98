#pragma once
// The engine's system with a clock the test sets and a wake timer that only
// records its calls. Time-zone conversions add a fixed offset, or, with
// `realZone`, are the real ones of the process's time zone.
#include <windows.h>

#include <vector>

#include "engine/file_time.h"
#include "engine/windows_power_system.h"

struct CTimerCall
{
    HANDLE timer;
    LONGLONG due;
    LONG period;
    BOOL resume;
};

class CFakePowerSystem : public CWindowsPowerSystem
{
public:
    ULONGLONG now = 0;             // UTC
    LONGLONG localOffset = 0;      // local = UTC + offset, unless realZone
    bool realZone = false;

    DWORD createError = 0;         // non-zero: creation fails with it
    BOOL setResult = TRUE;
    DWORD setError = 0;            // the last error SetWakeTimer leaves
    bool setLeavesError = false;   // SetWakeTimer does not touch the last error
    std::vector<CTimerCall> setCalls;
    std::vector<HANDLE> cancelCalls;

    FILETIME UtcNow() override { return ToFileTime(now); }

    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override
    {
        if (realZone)
            return CWindowsPowerSystem::LocalToUtc(local, utc);
        FILETIME naive;
        if (!SystemTimeToFileTime(&local, &naive))
            return false;
        *utc = ToFileTime(ToTicks(naive) - localOffset);
        return true;
    }

    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override
    {
        if (realZone)
            return CWindowsPowerSystem::UtcToLocal(utc, local);
        FILETIME shifted = ToFileTime(ToTicks(utc) + localOffset);
        return FileTimeToSystemTime(&shifted, local) != FALSE;
    }

    // A real handle, so that the engine's owner really closes something.
    HANDLE CreateWakeTimer() override
    {
        if (createError != 0) {
            SetLastError(createError);
            return nullptr;
        }
        return CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override
    {
        setCalls.push_back({timer, due.QuadPart, period, resume});
        if (!setLeavesError)
            SetLastError(setError);
        return setResult;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        cancelCalls.push_back(timer);
        return TRUE;
    }
};
