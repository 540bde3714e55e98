// What the machine cannot do of what the settings ask: each problem is logged
// once when it appears, and the tray says briefly when automatic resume cannot
// wake the computer. Windows' rules behind each check:
// - a wake timer wakes the computer only when the active plan's "Allow wake
//   timers" is on (0 disabled, 2 important system timers only), separately
//   on mains and on battery, and only from states down to the capabilities'
//   RtcWake;
// - a Modern Standby computer (AoAc, no S3) pauses desktop programs while
//   in standby ("Integrating apps with modern standby"): a timer may wake
//   the chip, but no program of the desktop runs until the display comes on;
// - "Allow applications to prevent automatic sleep" set to 0 makes the idle
//   timer ignore the requests that keep the computer awake.
#include "common/resource_string.h"
#include "engine/power_engine.h"
#include "engine/status_report.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {

struct CProblemEntry
{
    unsigned problem;
    UINT message;  // the log's warning
    UINT argument; // a text for the entry's %s, or 0
    UINT report;   // the status report's sentence, with the same %s
    UINT remedy;
};

const CProblemEntry kProblemEntries[] = {
    {PROBLEM_NO_SLEEP_STATE, IDS_LOG_NO_SLEEP_STATE, 0, IDS_PROBLEM_NO_SLEEP_STATE,
     IDS_REMEDY_NO_SLEEP_STATE},
    {PROBLEM_MODERN_STANDBY, IDS_LOG_MODERN_STANDBY, 0, IDS_PROBLEM_MODERN_STANDBY,
     IDS_REMEDY_MODERN_STANDBY},
    {PROBLEM_NO_HIBERNATION, IDS_LOG_NO_HIBERNATION, 0, IDS_PROBLEM_NO_HIBERNATION,
     IDS_REMEDY_NO_HIBERNATION},
    {PROBLEM_NO_CLOCK_WAKE, IDS_LOG_NO_CLOCK_WAKE, 0, IDS_PROBLEM_NO_CLOCK_WAKE,
     IDS_REMEDY_NO_CLOCK_WAKE},
    {PROBLEM_WAKE_TIMERS_OFF_MAINS, IDS_LOG_WAKE_TIMERS_OFF, IDS_ON_MAINS,
     IDS_PROBLEM_WAKE_TIMERS_OFF, IDS_REMEDY_WAKE_TIMERS},
    {PROBLEM_WAKE_TIMERS_OFF_BATTERY, IDS_LOG_WAKE_TIMERS_OFF, IDS_ON_BATTERY,
     IDS_PROBLEM_WAKE_TIMERS_OFF, IDS_REMEDY_WAKE_TIMERS},
    {PROBLEM_WAKE_TIMERS_IMPORTANT_MAINS, IDS_LOG_WAKE_TIMERS_IMPORTANT, IDS_ON_MAINS,
     IDS_PROBLEM_WAKE_TIMERS_IMPORTANT, IDS_REMEDY_WAKE_TIMERS},
    {PROBLEM_WAKE_TIMERS_IMPORTANT_BATTERY, IDS_LOG_WAKE_TIMERS_IMPORTANT, IDS_ON_BATTERY,
     IDS_PROBLEM_WAKE_TIMERS_IMPORTANT, IDS_REMEDY_WAKE_TIMERS},
    {PROBLEM_REQUESTS_IGNORED_MAINS, IDS_LOG_REQUESTS_IGNORED, IDS_ON_MAINS,
     IDS_PROBLEM_REQUESTS_IGNORED, IDS_REMEDY_REQUESTS_IGNORED},
    {PROBLEM_REQUESTS_IGNORED_BATTERY, IDS_LOG_REQUESTS_IGNORED, IDS_ON_BATTERY,
     IDS_PROBLEM_REQUESTS_IGNORED, IDS_REMEDY_REQUESTS_IGNORED},
};

const CProblemEntry* FindProblemEntry(unsigned problem)
{
    for (const CProblemEntry& entry : kProblemEntries) {
        if (entry.problem == problem)
            return &entry;
    }
    return nullptr;
}

} // namespace

unsigned FindMachineProblems(const CMachinePower& machine, const CSettingsModel& model,
                             bool keptAwake)
{
    const bool resume = model.AutoResume.enabled;
    const bool autoSuspend = model.Suspend.allowed && resume && model.AutoSuspend.enabled;
    const bool hibernate = model.AutoSuspend.state == SuspendState::Hibernate;

    unsigned problems = 0;
    if (machine.capabilitiesKnown) {
        if (autoSuspend && !hibernate && !machine.sleepState && !machine.modernStandby)
            problems |= PROBLEM_NO_SLEEP_STATE;
        if (resume && machine.modernStandby)
            problems |= PROBLEM_MODERN_STANDBY;
        // The state the wake must come from: hibernation when the countdown
        // hibernates, else the deepest sleep the computer has.
        const bool fromHibernation = autoSuspend && hibernate;
        const SYSTEM_POWER_STATE from =
            fromHibernation ? PowerSystemHibernate : machine.deepestSleep;
        if (resume && (fromHibernation || machine.sleepState) && machine.clockWake < from)
            problems |= PROBLEM_NO_CLOCK_WAKE;
    }
    if (autoSuspend && hibernate && machine.hibernation == Answer::No)
        problems |= PROBLEM_NO_HIBERNATION;

    // Battery rules matter only where there is a battery.
    const bool battery = !machine.capabilitiesKnown || machine.batteries;
    // Whether the engine may have to keep the computer awake.
    const bool holds = !model.Suspend.allowed ||
                       model.Suspend.condition == Condition::NoConnection || autoSuspend ||
                       (resume && model.Command.run) || keptAwake;
    for (int source : {OnMains, OnBattery}) {
        if (source == OnBattery && !battery)
            continue;
        const bool mains = source == OnMains;
        if (resume && machine.wakeTimers[source] == WakeTimers::Disabled)
            problems |= mains ? PROBLEM_WAKE_TIMERS_OFF_MAINS : PROBLEM_WAKE_TIMERS_OFF_BATTERY;
        if (resume && machine.wakeTimers[source] == WakeTimers::ImportantOnly)
            problems |=
                mains ? PROBLEM_WAKE_TIMERS_IMPORTANT_MAINS : PROBLEM_WAKE_TIMERS_IMPORTANT_BATTERY;
        if (holds && machine.requestsHonoured[source] == Answer::No)
            problems |= mains ? PROBLEM_REQUESTS_IGNORED_MAINS : PROBLEM_REQUESTS_IGNORED_BATTERY;
    }
    return problems;
}

void CPowerEngine::CheckMachine()
{
    m_machine = ReadMachinePower(m_system);
    const unsigned problems = FindMachineProblems(m_machine, m_model, m_keepAwake);
    const unsigned appeared = problems & ~m_machineProblems;
    m_machineProblems = problems;
    for (const CProblemEntry& entry : kProblemEntries) {
        if (!(appeared & entry.problem))
            continue;
        if (entry.argument)
            Logger().LogMessage(entry.message, ResourceText(entry.argument).c_str());
        else
            Logger().LogMessage(entry.message);
    }

    const bool noWake = (problems & kNoWakeProblems) != 0;
    if (noWake != m_noWakeShown) {
        m_noWakeShown = noWake;
        ShowTray();
    }
}

std::wstring MachineProblemText(unsigned problem)
{
    const CProblemEntry* entry = FindProblemEntry(problem);
    if (!entry)
        return std::wstring();
    return FormatResourceString(entry->report,
                                entry->argument ? ResourceText(entry->argument).c_str() : L"");
}

std::wstring MachineProblemRemedy(unsigned problem)
{
    const CProblemEntry* entry = FindProblemEntry(problem);
    return entry ? ResourceText(entry->remedy) : std::wstring();
}
