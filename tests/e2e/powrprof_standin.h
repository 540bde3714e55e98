#pragma once
// The machine a test describes to the stand-in powrprof.dll
// (powrprof_standin.cpp), written as it is in memory to the file that
// TARVIK_STANDIN_MACHINE names: the test and the stand-in are built for one
// architecture.
#include <windows.h>

// The sleep subgroup of power plans and two of its settings, as Windows names
// them. Written out here rather than taken from the programs' headers: the
// stand-in plays Windows, and a mistyped GUID there must not match it.
constexpr GUID kSleepGroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID kWakeTimers = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
// May programs keep the computer awake.
constexpr GUID kRequests = {
    0xa4b195f5, 0x8225, 0x47d8, {0x80, 0x12, 0x9d, 0x41, 0x36, 0x97, 0x86, 0xe2}};

struct CStandInMachine
{
    BOOL capabilitiesKnown; // FALSE: GetPwrCapabilities fails
    SYSTEM_POWER_CAPABILITIES capabilities;
    int hibernateAllowed; // IsPwrHibernateAllowed; -1: it fails
    // The active plan's values on mains power [0] and on battery [1].
    DWORD wakeTimers[2];
    DWORD requests[2];
};
