// An engine over a fake system and tray icon, logging to a file of its own.
// The fakes only record what they are given: no suspend, no shell, no
// screen-saver change, and every system call is answered here, so one added
// later cannot fall through to Windows. Each call that changes something is
// logged as "<...>", so the log and the system calls read as one journal.
// The clock reads 08:00:00 UTC on 10 June 2026. The time zone is
// Europe/Berlin (ctest gives the test process TZ=Europe/Berlin), so local time
// is two hours ahead, and the real conversions apply the rules of the date
// converted, across changes of daylight-saving time too.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "engine/resume_command.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"
#include "tests/support/calendar.h"
#include "tests/support/log_file.h"
#include "tests/support/log_lines.h"
#include "tests/support/privilege_fake.h"

namespace {
constexpr LONGLONG kHour = 3600LL * static_cast<LONGLONG>(kTicksPerSecond);

inline ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file{};
    return SystemTimeToFileTime(&time, &file) ? ToTicks(file) : 0;
}

// How the log shows a moment given in local ticks.
inline std::wstring DateTimeText(ULONGLONG local)
{
    wchar_t text[kDateTimeTextLength] = {};
    return FormatDateTimeText(ToFileTime(local), text) > 0 ? text : L"(no text)";
}

// An established loopback row as GetTcpTable gives it: ports in network byte
// order in the low 16 bits, with high bits that are not part of the port.
inline MIB_TCPROW Row4(unsigned localPort, unsigned remotePort)
{
    auto field = [](unsigned port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); };
    return {{5},
            0x0100007F,
            field(localPort) | 0xABCD0000u,
            0x0100007F,
            field(remotePort) | 0x12340000u};
}

inline bool Note(const std::wstring& call)
{
    Logger().LogText(L"<%s>", call.c_str());
    return true;
}

// Arguments the engine has no reason to pass are refused with
// ERROR_INVALID_PARAMETER, so a wrong call shows in the log as a failure.
class CFakePowerSystem : public CFakePrivileges<IPowerSystem>, public ITrayIcon
{
public:
    bool iconLoads = true;
    ULONGLONG now = 0;     // UTC
    DWORD createError = 0; // non-zero: creation fails with it
    HANDLE created = nullptr;
    BOOL setResult = TRUE;
    DWORD setError = 0; // the last error SetWakeTimer leaves
    LONGLONG due = 0;   // the last one set
    // The IPv4 table; each of the next `growths` fetches first gains `grownRow`,
    // as when connections open between the size query and the fetch.
    std::vector<MIB_TCPROW> tcp4;
    int growths = 0;
    MIB_TCPROW grownRow{};
    std::vector<EXECUTION_STATE> executionCalls;
    BOOL screenSaverActive = TRUE;
    std::vector<BOOL> screenSaverWrites;
    BOOL resumeAutomatic = TRUE;
    HWND activeWindow = nullptr;
    SHELLEXECUTEINFOW shell{}; // the last one; its text pointers are only valid during the call
    // The page window; any value will do, as it is never handed to Windows.
    const HWND page = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
    std::map<UINT_PTR, UINT> runningTimers; // id → period, on `page`

    bool TimerRunning(UINT_PTR id) const { return runningTimers.count(id) > 0; }

    void SetTooltip(const wchar_t* text) override { Note(L"SetTooltip " + std::wstring(text)); }
    bool SetIcon(UINT id) override { return Note(L"SetIcon " + std::to_wstring(id)) && iconLoads; }
    bool Update() override { return Note(L"Update"); }
    FILETIME UtcNow() override { return ToFileTime(now); }
    bool LocalToUtc(const SYSTEMTIME& l, FILETIME* u) override { return m_real.LocalToUtc(l, u); }
    bool UtcToLocal(const FILETIME& u, SYSTEMTIME* l) override { return m_real.UtcToLocal(u, l); }

    // A real handle, so that the engine really closes something.
    HANDLE CreateWakeTimer() override
    {
        SetLastError(createError);
        return created = createError ? nullptr : CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    // An absolute due time, the period of two seconds, resuming the computer.
    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& at, LONG period, BOOL resume) override
    {
        Note(L"SetWakeTimer");
        due = at.QuadPart;
        const bool right = timer == created && period == 2000 && resume;
        SetLastError(right ? setError : ERROR_INVALID_PARAMETER);
        return right && setResult;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        Note(timer == created ? L"CancelWakeTimer" : L"CancelWakeTimer of another handle");
        return TRUE;
    }

    // As GetTcpTable: a null table or a short buffer gets the size it needs.
    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        if (table && growths > 0)
            --growths, tcp4.push_back(grownRow);
        DWORD needed = static_cast<DWORD>(sizeof(DWORD) + tcp4.size() * sizeof(MIB_TCPROW));
        if (!table || *size < needed) {
            *size = needed;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = static_cast<DWORD>(tcp4.size());
        std::memcpy(table->table, tcp4.data(), tcp4.size() * sizeof(MIB_TCPROW));
        return NO_ERROR;
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE*, DWORD*, BOOL) override { return ERROR_NOT_SUPPORTED; }

    // The engine has no use for the previous flags.
    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override
    {
        executionCalls.push_back(flags);
        return 0;
    }

    BOOL GetScreenSaverActive(BOOL* active) override
    {
        *active = screenSaverActive;
        return TRUE;
    }

    BOOL SetScreenSaverActive(BOOL active) override
    {
        screenSaverWrites.push_back(screenSaverActive = active);
        return TRUE;
    }

    BOOL IsResumeAutomatic() override { return resumeAutomatic; }

    // The journal shows when the privilege is asked for.
    bool OpenProcessToken(DWORD access, HANDLE* token) override
    {
        return Note(L"OpenProcessToken") && CFakePrivileges::OpenProcessToken(access, token);
    }

    // Neither forced nor with wake events disabled.
    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWakeEvents) override
    {
        Note(L"SetSuspendState " + std::to_wstring(hibernate));
        return Step("suspend ", !force && !noWakeEvents, errors[SuspendCallStep]);
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        // The texts, "(null)" for a null pointer.
        auto text = [](const wchar_t* p) { return std::wstring(p ? p : L"(null)"); };
        Note(L"ShellExecuteEx " + text(info->lpVerb) + L"|" + text(info->lpFile) + L"|" +
             text(info->lpParameters) + L"|" + text(info->lpDirectory));
        shell = *info;
        SetLastError(ERROR_FILE_NOT_FOUND); // as for a command that cannot start
        return FALSE;
    }

    HWND GetActiveWindow() override { return activeWindow; }

    // Timers of another window than the page's show in the journal.
    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override
    {
        Note(L"SetTimer " + std::to_wstring(id) + L" " + std::to_wstring(elapse) +
             (window == page ? L"" : L" of another window"));
        if (window == page)
            runningTimers[id] = elapse;
        return id;
    }

    BOOL KillWindowTimer(HWND window, UINT_PTR id) override
    {
        Note(L"KillTimer " + std::to_wstring(id) + (window == page ? L"" : L" of another window"));
        return window == page && runningTimers.erase(id) > 0;
    }

private:
    CWindowsPowerSystem m_real; // for its time-zone conversions only
};

// The engine after an automatic wake with everything switched on: automatic
// resume every hour, automatic suspend after ten minutes, a resume command.
class PowerEngine : public ::testing::Test, public IPowerEngineListener
{
protected:
    void SetUp() override
    {
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        m_system.now = Ticks(At(2026, 6, 10, 8, 0, 0));
        m_engine.SetPageWindow(m_system.page);
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.mode = RESUME_EVERY;
        m_model.AutoSuspend.enabled = true;
        m_model.Command.run = true;
        m_model.Command.text = L"\"C:\\Program Files\\Mail\\mail.exe\" /check";
        ASSERT_TRUE(m_engine.CreateWakeTimer());
        Forget();
    }

    // Every token the engine opened is closed again.
    void TearDown() override { EXPECT_TRUE(m_system.TokensClosed()); }

    void OnAutoResumeDisabled() override { ++m_disabled; }

    // The lines written since the last Forget, stamps removed; continuation
    // lines of an error entry start with TABs and carry no stamp.
    std::wstring Logged() const
    {
        std::wstring result;
        for (const std::wstring& line : SplitLines(m_log.Text(m_logStart))) {
            if (!line.empty())
                result += (line[0] == L'\t' ? line : WithoutStamp(line)) + L"\r\n";
        }
        return result;
    }

    void Forget() { m_logStart = m_log.Size(); }

    // Evaluates twice; only the first may report.
    std::wstring Evaluated(bool allowed)
    {
        Forget();
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        return Logged();
    }

    bool Arm(CPowerEngine& engine, int mode)
    {
        Forget();
        m_model.AutoResume.mode = mode;
        return engine.ArmWakeTimer();
    }

    // The entry that logs a moment `seconds` from now on the local clock.
    std::wstring Entry(const wchar_t* entry, LONGLONG seconds) const
    {
        LONGLONG ahead = 2 * kHour + seconds * static_cast<LONGLONG>(kTicksPerSecond);
        return entry + DateTimeText(m_system.now + static_cast<ULONGLONG>(ahead)) + L"\r\n";
    }

    std::wstring Countdown() const
    {
        return L"<SetTimer 1 600000>\r\n" + Entry(L"Automatic suspend scheduled on ", 600);
    }

    // A countdown running, the journal fresh; with `evaluated` the permission's
    // own entries are out of the way too.
    void Counting(bool evaluated = true)
    {
        m_engine.HandleResume(true);
        ASSERT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
        if (evaluated)
            m_engine.EvaluateSuspendPermission();
        Forget();
    }

    CTestLogFile m_log{L"engine"};
    size_t m_logStart = 0;
    int m_disabled = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CPowerEngine m_engine{m_model, m_system, &m_system, this};
};

// The tray and log entries of a changed decision.
std::wstring Shown(const std::wstring& ports, int icon, const std::wstring& entry)
{
    std::wstring tooltip = ports.empty() ? L"" : L" - Active TCP ports: " + ports;
    return L"<SetTooltip Tarvik" + tooltip + L">\r\n<SetIcon " + std::to_wstring(icon) +
           L">\r\n<Update>\r\nAutomatic suspend " + entry + L"\r\n";
}

constexpr LONGLONG kSecond = static_cast<LONGLONG>(kTicksPerSecond);

const std::wstring kAttempt =
    L"<KillTimer 1>\r\nSystem entering a suspend state by application request\r\n";
const std::wstring kOpen = L"<OpenProcessToken>\r\n";
const std::wstring kRetry = L"Rescheduling automatic suspend for another attempt\r\n";
const std::wstring kShell =
    L"<ShellExecuteEx open|C:\\Program Files\\Mail\\mail.exe| /check|(null)>\r\n";
const std::wstring kUserActivity = L"Automatic suspend has been cancelled due to user activity\r\n";
} // namespace

TEST_F(PowerEngine, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // The first evaluation always reports.
    EXPECT_EQ(Shown(L"", 128, L"allowed"), Evaluated(true));

    m_model.Suspend.allowed = false;
    EXPECT_EQ(Shown(L"", 213, L"not allowed"), Evaluated(false));

    m_model.Suspend.allowed = true;
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80, 443};
    m_system.tcp4 = {Row4(50000, 80)};
    EXPECT_EQ(Shown(L"80", 213, L"not allowed; active TCP ports: 80"), Evaluated(false));

    // Ascending and each once, from a table that grows twice before its fetch.
    m_system.tcp4 = {Row4(50000, 443)};
    m_system.grownRow = Row4(50001, 80);
    m_system.growths = 2;
    EXPECT_EQ(Shown(L"80,443", 213, L"not allowed; active TCP ports: 80,443"), Evaluated(false));

    // An icon that cannot be loaded is not sent to the shell.
    m_system.iconLoads = false;
    m_model.Suspend.allowed = false;
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              Evaluated(false));
}

TEST_F(PowerEngine, ExecutionStateAndWatchFollowTheSettings)
{
    const EXECUTION_STATE display = ES_DISPLAY_REQUIRED, system = ES_SYSTEM_REQUIRED;
    // Blanking, suspend allowed and its condition; the flags beside
    // ES_CONTINUOUS, and whether the connection watch runs.
    const std::tuple<bool, bool, int, EXECUTION_STATE, bool> cases[] = {
        {true, true, CONDITION_ALWAYS, 0, false},
        {false, true, CONDITION_NO_CONNECTION, display, true},
        {true, false, CONDITION_NO_CONNECTION, system, false},
        {false, false, CONDITION_ALWAYS, display | system, false},
        {true, true, CONDITION_NO_CONNECTION, 0, true},
        {true, true, CONDITION_ALWAYS, 0, false},
    };
    m_model.TcpPorts.list = {80};
    for (const auto& [blanking, allowed, condition, flags, watch] : cases) {
        m_model.Suspend.blanking = blanking;
        m_model.Suspend.allowed = allowed;
        m_model.Suspend.condition = condition;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(ES_CONTINUOUS | flags, m_engine.LastExecutionState()) << flags;
        // The watch runs exactly while suspend is allowed under a port condition.
        EXPECT_EQ(watch, m_system.TimerRunning(IDT_CONNECTIONWATCH)) << allowed << condition;
    }
    // Only changes are sent; ES_CONTINUOUS alone is the starting value.
    std::vector<EXECUTION_STATE> sent = {ES_CONTINUOUS | display, ES_CONTINUOUS | system,
                                         ES_CONTINUOUS | display | system, ES_CONTINUOUS};
    EXPECT_EQ(sent, m_system.executionCalls);
}

TEST_F(PowerEngine, BlankingOffTwiceThenOnRestoresTheFirstFlag)
{
    for (BOOL original : {TRUE, FALSE}) {
        m_system.screenSaverActive = original;
        m_system.screenSaverWrites.clear();

        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original ? 1 : 0, m_engine.SavedScreenSaverActive());
        m_engine.ApplyExecutionState(); // keeps what the first switch held

        m_model.Suspend.blanking = true;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
        // With blanking allowed and nothing held the flag is left alone.
        m_engine.ApplyExecutionState();

        // The engine's end gives back a flag it still holds.
        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        m_engine.Shutdown();
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
        EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, original, FALSE, original}),
                  m_system.screenSaverWrites);
    }
}

TEST_F(PowerEngine, EachModeArmsItsNextMomentAsAbsoluteUtc)
{
    m_model.AutoResume.delay = 600;
    // The mode; the clock in UTC; the chosen local moment (only the time of day counts
    // for "Daily at:", the milliseconds are dropped); the due time from now.
    const std::tuple<int, SYSTEMTIME, SYSTEMTIME, LONGLONG> cases[] = {
        // One second later counts, on the local clock.
        {RESUME_ONCE, At(2026, 6, 10, 8, 0, 0), At(2026, 6, 10, 10, 0, 1), kSecond},
        // 600 s after the call, whatever was chosen.
        {RESUME_EVERY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 1, 0, 0), 600 * kSecond},
        // Daily: exactly now is tomorrow; later today is today.
        {RESUME_DAILY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 10, 0, 0), 24 * kHour},
        {RESUME_DAILY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 11, 0, 0), kHour},
        // 23:30 UTC is already 01:30 of the next local day: 01:00 has passed
        // there, so the wake is the local day after.
        {RESUME_DAILY, At(2026, 6, 10, 23, 30, 0), At(2020, 1, 1, 1, 0, 0), 23 * kHour + kHour / 2},
        // The chosen wall-clock time is kept across a change of daylight-saving
        // time: Saturday 28 March 2026, 21:00 CET, clocks go forward that
        // night, so 07:00 CEST is 05:00 UTC; Saturday 24 October 2026, 22:00
        // CEST, clocks go back that night, so 07:00 CET is 06:00 UTC.
        {RESUME_DAILY, At(2026, 3, 28, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 9 * kHour},
        {RESUME_DAILY, At(2026, 10, 24, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 10 * kHour},
    };
    for (const auto& [mode, now, chosen, due] : cases) {
        m_system.now = Ticks(now);
        m_model.AutoResume.time = chosen;
        m_model.AutoResume.time.wMilliseconds = mode == RESUME_DAILY ? 500 : 0;
        EXPECT_TRUE(Arm(m_engine, mode)) << now.wMonth << " " << chosen.wHour;
        EXPECT_EQ(static_cast<LONGLONG>(m_system.now) + due, m_system.due)
            << now.wMonth << " " << chosen.wHour;
        // The entry shows the due time on the local clock of its own date.
        SYSTEMTIME utc, local;
        FILETIME set = ToFileTime(static_cast<ULONGLONG>(m_system.due));
        FileTimeToSystemTime(&set, &utc);
        SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
        EXPECT_EQ(L"<SetWakeTimer>\r\nAutomatic resume scheduled on " + DateTimeText(Ticks(local)) +
                      L"\r\n",
                  Logged());
    }
}

TEST_F(PowerEngine, PastMomentsAndFailures)
{
    // No timer: false, and nothing logged or called.
    CPowerEngine engine{m_model, m_system, &m_system, this};
    EXPECT_FALSE(Arm(engine, RESUME_EVERY));
    EXPECT_FALSE(engine.CancelWakeTimer());
    EXPECT_EQ(L"", Logged());

    // A creation that fails is logged; later arming says nothing.
    m_system.createError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_FALSE(engine.CreateWakeTimer());
    EXPECT_FALSE(engine.ArmWakeTimer());
    EXPECT_EQ(L"Error:  unable to create the waitable timer" + ErrorSuffix(ERROR_NOT_ENOUGH_MEMORY),
              Logged());

    m_system.createError = 0;
    ASSERT_TRUE(engine.CreateWakeTimer());
    m_system.setResult = FALSE;
    m_system.setError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(Arm(engine, RESUME_EVERY));
    EXPECT_EQ(L"<SetWakeTimer>\r\nError: unable to activate the waitable timer" +
                  ErrorSuffix(ERROR_ACCESS_DENIED),
              Logged());

    // Set, but the system cannot wake by timer: the timer stays set.
    m_system.setResult = TRUE;
    m_system.setError = ERROR_NOT_SUPPORTED;
    EXPECT_FALSE(Arm(engine, RESUME_EVERY));
    EXPECT_EQ(L"<SetWakeTimer>\r\nError: automatic resume not supported by the system" +
                  ErrorSuffix(ERROR_NOT_SUPPORTED),
              Logged());
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_disabled);

    // "Once on:" exactly now is past: automatic resume is switched off and
    // the owner told.
    m_model.AutoResume.time = At(2026, 6, 10, 10, 0, 0);
    EXPECT_FALSE(Arm(engine, RESUME_ONCE));
    EXPECT_FALSE(m_model.AutoResume.enabled);
    EXPECT_EQ(L"Warning: the resume time is in the past; automatic resume disabled.\r\n", Logged());
    EXPECT_EQ(1, m_disabled);
}

TEST_F(PowerEngine, AutomaticWakeCancelsLogsRunsAndCounts)
{
    m_system.activeWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4321));
    m_engine.HandleResume(true);
    EXPECT_EQ(L"<CancelWakeTimer>\r\nSystem resuming from a suspend state\r\n"
              L"Running command: \"C:\\Program Files\\Mail\\mail.exe\" /check\r\n" +
                  kShell + Countdown(),
              Logged());

    // The shell gets the open verb and nothing else: no process handle is
    // asked for or kept, and its failure is not logged.
    const SHELLEXECUTEINFOW& shell = m_system.shell; // its texts are in the journal
    SHELLEXECUTEINFOW expected{};
    expected.cbSize = sizeof expected;
    expected.fMask = SEE_MASK_UNICODE;
    expected.hwnd = m_system.activeWindow;
    expected.lpVerb = shell.lpVerb;
    expected.lpFile = shell.lpFile;
    expected.lpParameters = shell.lpParameters;
    expected.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(0, std::memcmp(&expected, &shell, sizeof expected));

    // The countdown needs all three switches; the command runs all the same.
    for (int off = 0; off < 3; ++off) {
        m_model.Suspend.allowed = off != 0;
        m_model.AutoResume.enabled = off != 1;
        m_model.AutoSuspend.enabled = off != 2;
        m_system.runningTimers.clear();
        Forget();
        m_engine.HandleResume(true);
        EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND)) << off;
        EXPECT_EQ(std::wstring::npos, Logged().find(L"Automatic suspend scheduled")) << off;
        EXPECT_NE(std::wstring::npos, Logged().find(kShell)) << off;
    }
}

TEST_F(PowerEngine, AttemptsThatDoNotSuspend)
{
    // A user resume while counting down.
    Counting(false);
    m_engine.HandleResume(false);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n" + kUserActivity + L"<KillTimer 1>\r\n", Logged());

    // The conditions are not met: another countdown. The evaluation is not
    // part of the wake, so nothing was blocked before the attempt.
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80};
    m_system.tcp4 = {Row4(50000, 80)};
    Counting(false);
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n"
              L"<SetTooltip Tarvik - Active TCP ports: 80>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed; active TCP ports: 80\r\n" +
                  kRetry + Countdown(),
              Logged());

    // The user is active when that countdown ends.
    Forget();
    m_system.resumeAutomatic = FALSE;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n" + kUserActivity, Logged());
}

TEST_F(PowerEngine, SuccessfulAttemptArmsTheWakeFirstThenSuspends)
{
    m_model.AutoSuspend.state = SUSPEND_STATE_HIBERNATE;
    Counting();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(kAttempt + L"<SetWakeTimer>\r\n" + Entry(L"Automatic resume scheduled on ", 3600) +
                  kOpen + L"<SetSuspendState 1>\r\n",
              Logged());

    // Only state 1 hibernates; with automatic resume switched off on the page
    // the wake timer is left alone.
    m_model.AutoResume.enabled = false;
    for (int state : {int{SUSPEND_STATE_SLEEP}, 2, -1}) {
        m_model.AutoSuspend.state = state;
        Forget();
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        EXPECT_EQ(kAttempt + kOpen + L"<SetSuspendState 0>\r\n", Logged()) << state;
    }
}

TEST_F(PowerEngine, FailuresAreLoggedAndRetriedUnlessAccessIsDenied)
{
    const std::pair<SuspendStep, DWORD> cases[] = {
        {OpenStep, ERROR_INVALID_HANDLE},           {OpenStep, ERROR_ACCESS_DENIED},
        {LookupStep, ERROR_NO_SUCH_PRIVILEGE},      {AdjustStep, ERROR_NOT_ENOUGH_MEMORY},
        {AdjustLeavesStep, ERROR_NOT_ALL_ASSIGNED}, {SuspendCallStep, ERROR_NOT_SUPPORTED},
        {SuspendCallStep, ERROR_ACCESS_DENIED},
    };
    Counting();
    m_model.AutoResume.enabled = false; // keeps the wake timer's entries out
    for (const auto& [step, error] : cases) {
        m_system.errors = {};
        m_system.errors[step] = error;
        Forget();
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        bool retried = error != ERROR_ACCESS_DENIED;
        EXPECT_EQ(kAttempt + kOpen + (step == SuspendCallStep ? L"<SetSuspendState 0>\r\n" : L"") +
                      L"Error:  unable to suspend the system" + ErrorSuffix(error) +
                      (retried ? kRetry + Countdown() : L""),
                  Logged())
            << step << " " << error;
    }
}

TEST_F(PowerEngine, SuspendAnnouncedAgainstTheConditions)
{
    m_model.Suspend.allowed = false;
    m_engine.HandleSuspend();
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed\r\nWarning: suspend conditions are not met\r\n"
              L"System entering a suspend state by system or user request\r\n<SetWakeTimer>\r\n" +
                  Entry(L"Automatic resume scheduled on ", 3600),
              Logged());
}

TEST(SplitCommand, CutsFileFromParameters)
{
    // The text, the file and the parameters.
    const wchar_t* const cases[][3] = {
        // A quoted path with spaces: the separating space stays with the options.
        {L"\"C:\\Program Files\\App\\app.exe\" /a \"b c\"", L"C:\\Program Files\\App\\app.exe",
         L" /a \"b c\""},
        // A URL is the file, whole.
        {L"https://example.org/a?b=c", L"https://example.org/a?b=c", L""},
        // A lone quote, and a quote never closed.
        {L"\"", L"", L""},
        {L"\"C:\\Program Files\\App\\app.exe -x", L"C:\\Program Files\\App\\app.exe -x", L""},
        // Unquoted: cut at the first space, which belongs to neither part.
        {L"C:\\Program Files\\App\\app.exe -x", L"C:\\Program", L"Files\\App\\app.exe -x"},
    };
    for (const auto& c : cases) {
        CCommandParts parts = SplitCommand(c[0]);
        EXPECT_EQ(c[1], parts.file) << std::wstring(c[0]).size();
        EXPECT_EQ(c[2], parts.parameters) << std::wstring(c[0]).size();
    }
}
