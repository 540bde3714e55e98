#pragma once
// What GetPwrCapabilities answers for the kinds of machine our users have,
// for the fakes of both programs and the stand-in library's machine files.
#include <windows.h>

#include <cstddef>

// The AoAc flag: the byte before DiskSpinDown ("AoAc" in Windows' own
// header; older headers call it a spare).
inline BOOLEAN& AoAc(SYSTEM_POWER_CAPABILITIES& caps)
{
    return reinterpret_cast<BOOLEAN*>(&caps)[offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) - 1];
}

// A desktop: S1 to S4, hibernation, its clock wakes it from hibernation.
inline SYSTEM_POWER_CAPABILITIES DesktopCapabilities()
{
    SYSTEM_POWER_CAPABILITIES caps{};
    caps.PowerButtonPresent = TRUE;
    caps.SystemS1 = caps.SystemS3 = caps.SystemS4 = caps.SystemS5 = TRUE;
    caps.HiberFilePresent = TRUE;
    caps.RtcWake = PowerSystemHibernate;
    return caps;
}

// A Modern Standby laptop: no S1 to S3, AoAc set, a battery.
inline SYSTEM_POWER_CAPABILITIES ModernStandbyCapabilities()
{
    SYSTEM_POWER_CAPABILITIES caps{};
    caps.PowerButtonPresent = caps.LidPresent = TRUE;
    caps.SystemS4 = caps.SystemS5 = caps.HiberFilePresent = TRUE;
    AoAc(caps) = TRUE;
    caps.SystemBatteriesPresent = TRUE;
    caps.RtcWake = PowerSystemHibernate;
    return caps;
}

// A computer without a sleep state: no S1 to S3 and no Modern Standby (a
// virtual machine, or firmware with standby turned off), hibernation kept.
inline SYSTEM_POWER_CAPABILITIES NoSleepCapabilities()
{
    SYSTEM_POWER_CAPABILITIES caps = DesktopCapabilities();
    caps.SystemS1 = caps.SystemS3 = FALSE;
    return caps;
}
