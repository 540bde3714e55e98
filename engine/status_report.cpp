// The status report: read from the engine's state and the system without
// changing either, and its plain text.
#include "engine/status_report.h"

#include <algorithm>

#include "common/resource_string.h"
#include "common/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "resources/resource.h"

namespace {

CReportMoment MomentOf(IPowerSystem& system, ULONGLONG utc)
{
    CReportMoment moment;
    moment.utc = utc;
    moment.known = system.UtcToLocal(ToFileTime(utc), &moment.local);
    return moment;
}

std::wstring MomentText(const CReportMoment& moment)
{
    const std::wstring text = moment.known ? FormatLocalDateTime(moment.local) : std::wstring();
    return text.empty() ? ResourceText(IDS_STATUS_UNKNOWN) : text;
}

// "01:30:00", as the General page shows a delay.
std::wstring DurationText(int seconds)
{
    return FormatText(L"%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

const wchar_t kIndent[] = L"  ";

// The watched ports in use, one line each, with the addresses of the other
// ends, each once.
void AddPortLines(const std::vector<CPortConnection>& connections, std::vector<std::wstring>& lines)
{
    for (auto first = connections.begin(); first != connections.end();) {
        const auto last =
            std::find_if(first, connections.end(),
                         [port = first->port](const CPortConnection& c) { return c.port != port; });
        std::vector<std::wstring> addresses;
        for (auto c = first; c != last; ++c) {
            if (std::find(addresses.begin(), addresses.end(), c->remoteAddress) == addresses.end())
                addresses.push_back(c->remoteAddress);
        }
        std::wstring joined;
        for (const std::wstring& address : addresses)
            joined += (joined.empty() ? L"" : L", ") + address;
        lines.push_back(kIndent + FormatResourceString(IDS_STATUS_PORT_IN_USE,
                                                       std::to_wstring(first->port).c_str(),
                                                       joined.c_str()));
        first = last;
    }
}

// A plan value for each power source the rules apply to: "enabled on mains
// power, disabled on battery".
template <class Value, class Name>
std::wstring BySource(const CMachinePower& machine, const Value (&values)[2], Name name)
{
    std::wstring text;
    for (int source : {OnMains, OnBattery}) {
        // Battery rules matter only where there is a battery.
        if (source == OnBattery && machine.capabilitiesKnown && !machine.batteries)
            continue;
        text += (text.empty() ? L"" : L", ") + ResourceText(name(values[source])) + L" " +
                ResourceText(source == OnMains ? IDS_ON_MAINS : IDS_ON_BATTERY);
    }
    return text;
}

UINT WakeTimersName(WakeTimers value)
{
    switch (value) {
    case WakeTimers::Disabled:
        return IDS_STATUS_DISABLED;
    case WakeTimers::ImportantOnly:
        return IDS_STATUS_IMPORTANT_ONLY;
    case WakeTimers::Enabled:
        return IDS_STATUS_ENABLED;
    case WakeTimers::Unknown:
        break;
    }
    return IDS_STATUS_UNKNOWN;
}

UINT AnswerName(Answer value, UINT yes, UINT no)
{
    return value == Answer::Yes ? yes : value == Answer::No ? no : UINT{IDS_STATUS_UNKNOWN};
}

void AddSleepNow(const CStatusReport& report, std::vector<std::wstring>& lines)
{
    lines.push_back(
        ResourceText(report.SleepAllowed() ? IDS_STATUS_SLEEP_ALLOWED : IDS_STATUS_SLEEP_HELD));
    if (report.holds & CStatusReport::HOLD_SUSPEND_OFF)
        lines.push_back(kIndent + ResourceText(IDS_STATUS_SUSPEND_OFF));
    if (report.holds & CStatusReport::HOLD_PORTS)
        AddPortLines(report.connections, lines);
    if (report.holds & CStatusReport::HOLD_KEEP_AWAKE) {
        lines.push_back(kIndent +
                        (report.keepAwakeUntilStopped
                             ? ResourceText(IDS_STATUS_KEPT_AWAKE_STOPPED)
                             : FormatResourceString(IDS_STATUS_KEPT_AWAKE_UNTIL,
                                                    MomentText(report.keepAwakeEnd).c_str())));
    }
    if (report.holds & CStatusReport::HOLD_AFTER_WAKE)
        lines.push_back(kIndent + ResourceText(IDS_STATUS_HELD_AFTER_WAKE));
}

void AddNextWake(const CStatusReport& report, std::vector<std::wstring>& lines)
{
    switch (report.wake) {
    case CStatusReport::Wake::Scheduled: {
        const std::wstring due = MomentText(report.wakeDue);
        if (report.wakeKind == CStatusReport::WakeKind::Every)
            lines.push_back(FormatResourceString(IDS_STATUS_WAKE_EVERY, due.c_str(),
                                                 DurationText(report.wakeEverySeconds).c_str()));
        else
            lines.push_back(FormatResourceString(report.wakeKind == CStatusReport::WakeKind::Once
                                                     ? IDS_STATUS_WAKE_ONCE
                                                     : IDS_STATUS_WAKE_DAILY,
                                                 due.c_str()));
        for (unsigned bit = 1; bit != 0 && bit <= report.wakeObstacles; bit <<= 1) {
            if (report.wakeObstacles & bit)
                lines.push_back(kIndent + MachineProblemText(bit));
        }
        break;
    }
    case CStatusReport::Wake::AutoResumeOff:
        lines.push_back(ResourceText(IDS_STATUS_WAKE_OFF));
        break;
    case CStatusReport::Wake::OncePast:
        lines.push_back(ResourceText(IDS_STATUS_WAKE_PAST));
        break;
    case CStatusReport::Wake::NoTimer:
        lines.push_back(ResourceText(IDS_STATUS_WAKE_NO_TIMER));
        break;
    case CStatusReport::Wake::Unknown:
        lines.push_back(ResourceText(IDS_STATUS_WAKE_UNKNOWN));
        break;
    }
}

void AddAfterWake(const CStatusReport& report, std::vector<std::wstring>& lines)
{
    if (report.counting) {
        lines.push_back(
            FormatResourceString(IDS_STATUS_AFTER_COUNTDOWN,
                                 ResourceText(report.hibernate ? IDS_HIBERNATE : IDS_SLEEP).c_str(),
                                 MomentText(report.countdownEnd).c_str()));
        lines.push_back(kIndent + ResourceText(IDS_STATUS_COUNTDOWN_HELD));
    } else if (report.commandRunning) {
        lines.push_back(ResourceText(IDS_STATUS_AFTER_COMMAND));
    } else {
        lines.push_back(ResourceText(IDS_STATUS_AFTER_NOTHING));
    }
    if (report.commandRunning)
        lines.push_back(kIndent + ResourceText(IDS_STATUS_COMMAND_HELD));
}

void AddMachine(const CStatusReport& report, std::vector<std::wstring>& lines)
{
    const CMachinePower& machine = report.machine;
    lines.push_back(ResourceText(IDS_STATUS_MACHINE));
    std::wstring sleep;
    if (!machine.capabilitiesKnown)
        sleep = ResourceText(IDS_STATUS_UNKNOWN);
    else if (machine.modernStandby)
        sleep = ResourceText(IDS_STATUS_MODERN_STANDBY);
    else if (machine.sleepState)
        sleep = FormatResourceString(
            IDS_STATUS_S_STATE, static_cast<unsigned>(machine.deepestSleep - PowerSystemWorking));
    else
        sleep = ResourceText(IDS_STATUS_NONE);
    lines.push_back(kIndent + FormatResourceString(IDS_STATUS_SLEEP_STATE, sleep.c_str()));
    lines.push_back(kIndent + FormatResourceString(
                                  IDS_STATUS_HIBERNATION,
                                  ResourceText(AnswerName(machine.hibernation, IDS_STATUS_AVAILABLE,
                                                          IDS_STATUS_NOT_AVAILABLE))
                                      .c_str()));
    lines.push_back(kIndent + FormatResourceString(
                                  IDS_STATUS_WAKE_TIMERS,
                                  BySource(machine, machine.wakeTimers, WakeTimersName).c_str()));
    lines.push_back(kIndent + FormatResourceString(
                                  IDS_STATUS_REQUESTS,
                                  BySource(machine, machine.requestsHonoured, [](Answer value) {
                                      return AnswerName(value, IDS_STATUS_YES, IDS_STATUS_NO);
                                  }).c_str()));
    for (unsigned bit = 1; bit != 0 && bit <= report.problems; bit <<= 1) {
        if (report.problems & bit)
            lines.push_back(kIndent + FormatResourceString(IDS_STATUS_PROBLEM,
                                                           MachineProblemText(bit).c_str(),
                                                           MachineProblemRemedy(bit).c_str()));
    }
}

} // namespace

CStatusReport CPowerEngine::BuildStatusReport()
{
    CStatusReport report;
    const ULONGLONG now = ToTicks(m_system.UtcNow());
    report.now = MomentOf(m_system, now);

    // What UpdateExecutionState would hold, read without the log and the tray
    // that EvaluateSuspendPermission tells of changes.
    if (!m_model.Suspend.allowed) {
        report.holds |= CStatusReport::HOLD_SUSPEND_OFF;
    } else if (m_model.Suspend.condition == Condition::NoConnection) {
        report.connections =
            FindPortConnections(m_system, m_model.TcpPorts.list, m_model.TcpPorts.endpoint);
        if (!report.connections.empty())
            report.holds |= CStatusReport::HOLD_PORTS;
    }
    if (m_keepAwake) {
        report.holds |= CStatusReport::HOLD_KEEP_AWAKE;
        report.keepAwakeUntilStopped = m_keepAwakeEnd == 0;
        if (m_keepAwakeEnd)
            report.keepAwakeEnd = MomentOf(m_system, m_keepAwakeEnd);
    }
    report.counting = m_counting;
    if (m_counting)
        report.countdownEnd = MomentOf(m_system, m_countdownEnd);
    report.hibernate = m_model.AutoSuspend.state == SuspendState::Hibernate;
    report.commandRunning = m_commandProcess && m_system.IsProcessRunning(m_commandProcess.Get());
    if (report.counting || report.commandRunning)
        report.holds |= CStatusReport::HOLD_AFTER_WAKE;

    report.machine = ReadMachinePower(m_system);
    report.problems = FindMachineProblems(report.machine, m_model, m_keepAwake);

    const auto& resume = m_model.AutoResume;
    report.wakeKind = resume.mode == ResumeMode::Once    ? CStatusReport::WakeKind::Once
                      : resume.mode == ResumeMode::Every ? CStatusReport::WakeKind::Every
                                                         : CStatusReport::WakeKind::Daily;
    report.wakeEverySeconds = std::max(resume.delay, 0);
    if (!resume.enabled) {
        report.wake = CStatusReport::Wake::AutoResumeOff;
    } else if (!m_wakeTimer) {
        report.wake = CStatusReport::Wake::NoTimer;
    } else {
        // As the timer would be set if the computer went to sleep now.
        ULONGLONG due = 0;
        switch (ComputeDueTime(now, &due)) {
        case DueTime::Ready:
            report.wake = CStatusReport::Wake::Scheduled;
            report.wakeDue = MomentOf(m_system, due);
            report.wakeObstacles = report.problems & kNoWakeProblems;
            break;
        case DueTime::Past:
            report.wake = CStatusReport::Wake::OncePast;
            break;
        case DueTime::Failed:
            report.wake = CStatusReport::Wake::Unknown;
            break;
        }
    }
    return report;
}

std::vector<std::wstring> StatusReportLines(const CStatusReport& report)
{
    std::vector<std::wstring> lines;
    lines.push_back(FormatResourceString(IDS_STATUS_TITLE, MomentText(report.now).c_str()));
    lines.emplace_back();
    AddSleepNow(report, lines);
    lines.emplace_back();
    AddNextWake(report, lines);
    lines.emplace_back();
    AddAfterWake(report, lines);
    lines.emplace_back();
    AddMachine(report, lines);
    return lines;
}

std::wstring StatusReportText(const CStatusReport& report)
{
    std::wstring text;
    for (const std::wstring& line : StatusReportLines(report))
        text += line + L"\r\n";
    return text;
}
