#pragma once
// The system calls the power engine relies on, behind one interface so that
// the engine's decisions can be exercised with a chosen clock and timer.
// CWindowsPowerSystem forwards each call to Windows.
#include <windows.h>

class IPowerSystem
{
public:
    virtual ~IPowerSystem() = default;

    // The current time, UTC.
    virtual FILETIME UtcNow() = 0;
    // Conversions between local calendar time and UTC that apply the time-zone
    // rules of the date converted, not the ones in force today.
    virtual bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) = 0;
    virtual bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) = 0;

    // The wake timer: an unnamed synchronization waitable timer.
    virtual HANDLE CreateWakeTimer() = 0;
    // SetWaitableTimer without a completion routine.
    virtual BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period,
                              BOOL resume) = 0;
    virtual BOOL CancelWakeTimer(HANDLE timer) = 0;
};
