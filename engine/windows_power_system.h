#pragma once
// The engine's system interface over the real Windows calls.
#include "engine/power_system.h"

class CWindowsPowerSystem : public IPowerSystem
{
public:
    FILETIME UtcNow() override;
    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override;
    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override;

    HANDLE CreateWakeTimer() override;
    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override;
    BOOL CancelWakeTimer(HANDLE timer) override;
};
