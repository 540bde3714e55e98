#pragma once
// What Tarvik and Windows will do about sleep and wake, read at one moment:
// whether the computer may sleep now and what holds it, the next wake as it
// would be set if the computer slept now, what is pending after a wake, and
// what the machine can do. CPowerEngine::BuildStatusReport reads it without
// changing or logging anything; the text below is what the Status page, its
// Copy button and "Tarvik status" show.
#include <windows.h>

#include <string>
#include <vector>

#include "common/machine_power.h"
#include "engine/port_scan.h"

// A moment as UTC FILETIME ticks and on the local clock.
struct CReportMoment
{
    ULONGLONG utc = 0;
    SYSTEMTIME local = {};
    bool known = false; // the local time could be formed
};

struct CStatusReport
{
    CReportMoment now;

    // Sleep now: what holds it, nothing when Windows may sleep when idle.
    enum Hold : unsigned
    {
        HOLD_SUSPEND_OFF = 1u << 0, // "Allow suspend" is cleared
        HOLD_PORTS = 1u << 1,       // a watched port is in use: `connections`
        HOLD_KEEP_AWAKE = 1u << 2,  // keep-awake runs
        HOLD_AFTER_WAKE = 1u << 3,  // the countdown, or the command's program
    };
    unsigned holds = 0;
    std::vector<CPortConnection> connections;
    bool keepAwakeUntilStopped = false;
    CReportMoment keepAwakeEnd;

    // The next wake, computed as the wake timer would be set now.
    enum class Wake
    {
        Scheduled,     // at `wakeDue`
        AutoResumeOff, // "Automatic resume" is cleared
        OncePast,      // the "Once on:" moment has passed
        NoTimer,       // Windows gave no wake timer at start
        Unknown,       // the chosen time cannot be converted
    };
    enum class WakeKind
    {
        Once,
        Every,
        Daily,
    };
    Wake wake = Wake::AutoResumeOff;
    WakeKind wakeKind = WakeKind::Once;
    int wakeEverySeconds = 0; // the interval of WakeKind::Every
    CReportMoment wakeDue;
    // The MachineProblem bits (power_engine.h) that keep a scheduled wake
    // from waking the computer.
    unsigned wakeObstacles = 0;

    // After a wake: the automatic-suspend countdown and the command's program,
    // each of which holds the computer awake while it lasts.
    bool counting = false;
    CReportMoment countdownEnd;
    bool hibernate = false; // the countdown ends in hibernation, not sleep
    bool commandRunning = false;

    // The machine, read afresh, and its MachineProblem bits for the settings.
    CMachinePower machine;
    unsigned problems = 0;

    // The answer of "Tarvik status": nothing holds the computer awake.
    bool SleepAllowed() const { return holds == 0; }
};

// The report as lines of plain text, in sections parted by an empty line.
std::vector<std::wstring> StatusReportLines(const CStatusReport& report);
// The same lines, each ended by CR LF: the clipboard's text.
std::wstring StatusReportText(const CStatusReport& report);

// A machine problem (one MachineProblem bit) in a sentence, and its remedy in
// another; empty for a value that is not one problem.
std::wstring MachineProblemText(unsigned problem);
std::wstring MachineProblemRemedy(unsigned problem);
