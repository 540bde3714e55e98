// The engine's journal (engine_journal.h): the log and the system calls of
// each case, in order.
#include "tests/engine/engine_journal.h"

#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/resume_command.h"

TEST_F(PowerEngine, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // Evaluates twice; only the first may report. The first evaluation always reports.
    auto evaluated = [this](bool allowed) {
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        return Logged();
    };
    EXPECT_EQ(Shown(L"", 128, L"allowed"), evaluated(true));
    m_model.Suspend.allowed = false;
    EXPECT_EQ(Shown(L"", 213, L"not allowed"), evaluated(false));

    m_model.Suspend.allowed = true;
    m_model.Suspend.condition = Condition::NoConnection;
    m_model.TcpPorts.list = {80, 443};
    m_system.tcp4 = {Row4(50000, 80)};
    EXPECT_EQ(Shown(L"80", 213, L"not allowed; active TCP ports: 80"), evaluated(false));

    // Ascending and each once, from a table that grows twice before its fetch.
    m_system.tcp4 = {Row4(50000, 443)};
    m_system.grownRow = Row4(50001, 80);
    m_system.growths = 2;
    EXPECT_EQ(Shown(L"80,443", 213, L"not allowed; active TCP ports: 80,443"), evaluated(false));

    // An icon that cannot be loaded is not sent to the shell.
    m_system.iconLoads = false;
    m_model.Suspend.allowed = false;
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              evaluated(false));
}

TEST_F(PowerEngine, ExecutionStateAndWatchFollowTheSettings)
{
    const EXECUTION_STATE display = ES_DISPLAY_REQUIRED, system = ES_SYSTEM_REQUIRED;
    // Blanking, suspend allowed and its condition; the flags beside
    // ES_CONTINUOUS, and whether the connection watch runs.
    const std::tuple<bool, bool, Condition, EXECUTION_STATE, bool> cases[] = {
        {true, true, Condition::Always, 0, false},
        {false, true, Condition::NoConnection, display, true},
        {true, false, Condition::NoConnection, system, false},
        {false, false, Condition::Always, display | system, false},
        {true, true, Condition::Always, 0, false},
    };
    m_model.TcpPorts.list = {80};
    for (const auto& [blanking, allowed, condition, flags, watch] : cases) {
        m_model.Suspend.blanking = blanking;
        m_model.Suspend.allowed = allowed;
        m_model.Suspend.condition = condition;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(ES_CONTINUOUS | flags, m_engine.LastExecutionState()) << flags;
        // The watch runs exactly while suspend is allowed under a port condition.
        EXPECT_EQ(watch, m_system.TimerRunning(IDT_CONNECTIONWATCH))
            << allowed << static_cast<int>(condition);
    }
    // Only changes are sent; ES_CONTINUOUS alone is the starting value.
    std::vector<EXECUTION_STATE> sent = {ES_CONTINUOUS | display, ES_CONTINUOUS | system,
                                         ES_CONTINUOUS | display | system, ES_CONTINUOUS};
    EXPECT_EQ(sent, m_system.executionCalls);
    // Each resume asserts the flags again, changed or not: they have been
    // reported lost across a sleep.
    m_engine.HandleResume(false);
    sent.push_back(ES_CONTINUOUS);
    EXPECT_EQ(sent, m_system.executionCalls);
}

TEST_F(PowerEngine, BlankingOffTwiceThenOnRestoresTheFirstFlag)
{
    for (BOOL original : {TRUE, FALSE}) {
        m_system.screenSaverActive = original;
        m_system.screenSaverWrites.clear();
        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        m_engine.ApplyExecutionState(); // keeps what the first switch held
        m_model.Suspend.blanking = true;
        m_engine.ApplyExecutionState();
        m_engine.ApplyExecutionState(); // nothing held: the flag is left alone
        // The engine's end gives back a flag it still holds.
        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        m_engine.Shutdown();
        EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, original, FALSE, original}),
                  m_system.screenSaverWrites);
    }
}

TEST_F(PowerEngine, EachModeArmsItsNextMomentAsAbsoluteUtc)
{
    m_model.AutoResume.delay = 600;
    // The mode; the clock in UTC; the chosen local moment (only the time of day counts
    // for "Daily at:", the milliseconds are dropped); the due time from now.
    const std::tuple<ResumeMode, SYSTEMTIME, SYSTEMTIME, LONGLONG> cases[] = {
        // One second later counts, on the local clock.
        {ResumeMode::Once, At(2026, 6, 10, 8, 0, 0), At(2026, 6, 10, 10, 0, 1), kSecond},
        // 600 s after the call, whatever was chosen.
        {ResumeMode::Every, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 1, 0, 0), 10 * kMinute},
        // Daily: exactly now is tomorrow.
        {ResumeMode::Daily, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 10, 0, 0), 24 * kHour},
        // 23:30 UTC is already 01:30 of the next local day: 01:00 has passed
        // there, so the wake is the local day after.
        {ResumeMode::Daily, At(2026, 6, 10, 23, 30, 0), At(2020, 1, 1, 1, 0, 0),
         23 * kHour + 30 * kMinute},
        // The chosen wall-clock time is kept across a change of daylight-saving
        // time: Saturday 28 March 2026, 21:00 CET, clocks go forward that
        // night, so 07:00 CEST is 05:00 UTC; Saturday 24 October 2026, 22:00
        // CEST, clocks go back that night, so 07:00 CET is 06:00 UTC.
        {ResumeMode::Daily, At(2026, 3, 28, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 9 * kHour},
        {ResumeMode::Daily, At(2026, 10, 24, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 10 * kHour},
    };
    for (const auto& [mode, now, chosen, due] : cases) {
        m_system.now = Ticks(now);
        m_model.AutoResume.mode = mode;
        m_model.AutoResume.time = chosen;
        m_model.AutoResume.time.wMilliseconds = mode == ResumeMode::Daily ? 500 : 0;
        EXPECT_TRUE(m_engine.ArmWakeTimer()) << now.wMonth << " " << chosen.wHour;
        EXPECT_EQ(static_cast<LONGLONG>(m_system.now) + due, m_system.due)
            << now.wMonth << " " << chosen.wHour;
    }
}

TEST_F(PowerEngine, PastMomentsAndFailures)
{
    // No timer: false, and nothing logged or called.
    CPowerEngine engine{m_model, m_system, &m_system, this};
    EXPECT_FALSE(engine.ArmWakeTimer());
    EXPECT_FALSE(engine.CancelWakeTimer());
    EXPECT_EQ(L"", Logged());

    // A creation that fails is logged; later arming says nothing.
    m_system.createError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_FALSE(engine.CreateWakeTimer());
    EXPECT_FALSE(engine.ArmWakeTimer());
    EXPECT_EQ(L"Error:  unable to create the waitable timer" + ErrorSuffix(ERROR_NOT_ENOUGH_MEMORY),
              Logged());

    // A timer that cannot be set; one set that cannot wake the system, which stays set.
    m_system.createError = 0;
    ASSERT_TRUE(engine.CreateWakeTimer());
    const std::tuple<BOOL, DWORD, const wchar_t*> failures[] = {
        {FALSE, ERROR_ACCESS_DENIED, L"unable to activate the waitable timer"},
        {TRUE, ERROR_NOT_SUPPORTED, L"automatic resume not supported by the system"},
    };
    for (const auto& [result, error, text] : failures) {
        m_system.setResult = result;
        m_system.setError = error;
        EXPECT_FALSE(engine.ArmWakeTimer());
        EXPECT_EQ(L"<SetWakeTimer>\r\nError: " + std::wstring(text) + ErrorSuffix(error), Logged());
    }
    EXPECT_EQ(0, m_disabled);

    // "Once on:" exactly now is past: automatic resume is switched off and
    // the owner told.
    m_model.AutoResume.mode = ResumeMode::Once;
    m_model.AutoResume.time = At(2026, 6, 10, 10, 0, 0);
    EXPECT_FALSE(engine.ArmWakeTimer());
    EXPECT_FALSE(m_model.AutoResume.enabled);
    EXPECT_EQ(L"Warning: the resume time is in the past; automatic resume disabled.\r\n", Logged());
    EXPECT_EQ(1, m_disabled);
}

TEST_F(PowerEngine, AutomaticWakeCancelsLogsCountsThenRunsTheCommandFromTheLoop)
{
    m_system.activeWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4321));
    m_engine.HandleResume(true);
    // The command waits for the message loop: inside the broadcast another
    // process sent, the shell's COM-based launches fail.
    EXPECT_EQ(std::wstring::npos, Logged().find(L"<ShellExecuteEx"));
    m_system.DeliverPosted(m_engine);
    EXPECT_EQ(kShell + L"<SetTimer 3 5000>\r\n", Logged());
    // The open verb and nothing else: no box of errors on an unattended
    // computer, and a program's process is asked for, to be watched.
    EXPECT_EQ(SEE_MASK_UNICODE | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS,
              m_system.shell.fMask);
    EXPECT_EQ(m_system.activeWindow, m_system.shell.hwnd);

    // The countdown needs all three switches; the command runs all the same.
    for (int off = 0; off < 3; ++off) {
        m_model.Suspend.allowed = off != 0;
        m_model.AutoResume.enabled = off != 1;
        m_model.AutoSuspend.enabled = off != 2;
        m_engine.HandleResume(true);
        m_system.DeliverPosted(m_engine);
        const std::wstring logged = Logged();
        EXPECT_EQ(std::wstring::npos, logged.find(L"Automatic suspend scheduled")) << off;
        EXPECT_NE(std::wstring::npos, logged.find(kShell)) << off;
    }
    m_engine.Shutdown();
    EXPECT_TRUE(m_system.ProcessesClosed());
}

TEST_F(PowerEngine, TheWakeIsHeldUntilTheAttemptTheUsersReturnOrTheCommandsEnd)
{
    // Windows sleeps again two minutes after an unattended wake unless a
    // program holds ES_SYSTEM_REQUIRED ("System Wake-up Events"), so the
    // countdown holds it, and the attempt lets go just before it asks.
    Counting();
    EXPECT_TRUE(HoldsSystem());
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_TRUE(m_system.suspendRequested);
    EXPECT_FALSE(HoldsSystem());

    // The user comes back without a broadcast: the watch sees the wake turn
    // attended, ends the countdown once and lets go.
    Counting();
    m_system.resumeAutomatic = FALSE;
    m_engine.OnEngineTimer(IDT_WAKEWATCH);
    EXPECT_EQ(kUserActivity + L"<KillTimer 1>\r\n<KillTimer 3>\r\n", Logged());
    EXPECT_FALSE(HoldsSystem());
    m_engine.HandleResume(false); // the broadcast comes after all: said once
    EXPECT_EQ(L"<CancelWakeTimer>\r\n<KillTimer 1>\r\n", Logged());
    m_system.resumeAutomatic = TRUE;

    // A program the command started holds the system until it ends, without
    // a countdown too; the nights of power_rules_test.cpp have an attempt wait for it.
    m_model.AutoSuspend.enabled = false;
    m_engine.HandleResume(true);
    m_system.DeliverPosted(m_engine);
    EXPECT_TRUE(HoldsSystem());
    m_engine.HandleResume(false);
    EXPECT_TRUE(HoldsSystem()); // the user's return does not end the program's hold
    m_system.commandRunning = false;
    Forget();
    m_engine.OnEngineTimer(IDT_WAKEWATCH);
    EXPECT_EQ(L"<KillTimer 3>\r\n", Logged());
    EXPECT_FALSE(HoldsSystem());
    EXPECT_TRUE(m_system.ProcessesClosed());
}

TEST_F(PowerEngine, CommandsThatFailAreLoggedAndDocumentsAreNotWatched)
{
    // The shell's failure, with the system's text for it.
    m_system.shellError = ERROR_FILE_NOT_FOUND;
    m_engine.RunResumeCommand();
    EXPECT_EQ(kShell + L"Error: unable to run the command" + ErrorSuffix(ERROR_FILE_NOT_FOUND),
              Logged());
    EXPECT_FALSE(HoldsSystem());

    // A document holds nothing beyond the countdown.
    m_system.shellError = 0;
    m_model.Command.text = L"C:\\Reports\\today.pdf";
    m_engine.RunResumeCommand();
    EXPECT_EQ(SEE_MASK_UNICODE | SEE_MASK_FLAG_NO_UI, m_system.shell.fMask);
    EXPECT_FALSE(HoldsSystem());
}

TEST_F(PowerEngine, ABroadcastRepeatedAtOnceIsHandledOnce)
{
    // A window registered for the notifications may be told twice.
    m_engine.OnPowerBroadcast(PBT_APMRESUMEAUTOMATIC);
    const std::wstring once = Logged();
    m_engine.OnPowerBroadcast(PBT_APMRESUMEAUTOMATIC);
    EXPECT_EQ(L"", Logged());
    m_engine.OnPowerBroadcast(PBT_APMPOWERSTATUSCHANGE); // not ours
    EXPECT_EQ(L"", Logged());

    // The copies may come after the next event: the user's return is
    // handled once, and the late copy of the wake starts nothing again.
    m_engine.OnPowerBroadcast(PBT_APMRESUMESUSPEND);
    m_engine.OnPowerBroadcast(PBT_APMRESUMEAUTOMATIC);
    m_engine.OnPowerBroadcast(PBT_APMRESUMESUSPEND);
    EXPECT_EQ(std::wstring::npos, Logged().find(L"System resuming from a suspend state"));
    EXPECT_FALSE(HoldsSystem());

    // Two seconds on it is another wake.
    m_system.now += 2 * kTicksPerSecond;
    m_engine.OnPowerBroadcast(PBT_APMRESUMEAUTOMATIC);
    EXPECT_NE(std::wstring::npos, Logged().find(L"System resuming from a suspend state"));
    EXPECT_NE(std::wstring::npos, once.find(L"System resuming from a suspend state"));
}

TEST_F(PowerEngine, AttemptsThatDoNotSuspend)
{
    // The conditions are not met: another countdown. The wake's evaluation
    // already said why (as EachChangeIsLoggedOnceAndShownByTheTray shows).
    m_model.Suspend.condition = Condition::NoConnection;
    m_model.TcpPorts.list = {80};
    m_system.tcp4 = {Row4(50000, 80)};
    Counting();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n" + kRetry + Countdown(), Logged());

    // The user is active when that countdown ends.
    m_system.resumeAutomatic = FALSE;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n" + kUserActivity, Logged());
}

TEST_F(PowerEngine, TheAttemptArmsTheWakeFirstThenAsksForWhatTheMachineCanDo)
{
    const std::wstring sleep = kOpen + L"<RequestSuspend 0>\r\n";
    // Only state 1 hibernates (the nights of power_rules_test.cpp show it
    // and a sleep asked for after the wake timer is armed). A Modern Standby computer has no sleep state to
    // ask for: its display going off is how it enters standby. One without any
    // sleep state would hibernate or do nothing: the attempt is refused.
    const std::tuple<SuspendState, SYSTEM_POWER_CAPABILITIES, std::wstring> cases[] = {
        {static_cast<SuspendState>(-1), DesktopCapabilities(), sleep},
        {SuspendState::Sleep, ModernStandbyCapabilities(), L"<TurnDisplayOff>\r\n"},
        {SuspendState::Sleep, NoSleepCapabilities(),
         L"Error:  unable to suspend the system" + ErrorSuffix(ERROR_NOT_SUPPORTED)},
    };
    // With automatic resume switched off on the page the wake timer is left alone.
    Counting();
    m_model.AutoResume.enabled = false;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(kAttempt + sleep, Logged());
    m_model.AutoResume.enabled = true;
    for (const auto& [state, capabilities, asked] : cases) {
        m_system.capabilities = capabilities;
        m_engine.CheckMachine();
        m_model.AutoSuspend.state = state;
        m_system.suspendRequested = false;
        Counting();
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        EXPECT_EQ(kAttempt + L"<SetWakeTimer>\r\n" + Entry(L"Automatic resume scheduled on ", 60) +
                      asked,
                  Logged())
            << static_cast<int>(state);
        EXPECT_FALSE(HoldsSystem());
    }
}

TEST_F(PowerEngine, FailuresAreLoggedAndRetriedUnlessAccessIsDenied)
{
    const std::pair<SuspendStep, DWORD> cases[] = {{OpenStep, ERROR_INVALID_HANDLE},
                                                   {AdjustLeavesStep, ERROR_NOT_ALL_ASSIGNED},
                                                   {SuspendCallStep, ERROR_NOT_SUPPORTED},
                                                   {SuspendCallStep, ERROR_ACCESS_DENIED}};
    Counting();
    m_model.AutoResume.enabled = false; // keeps the wake timer's entries out
    for (const auto& [step, error] : cases) {
        m_system.errors = {};
        m_system.errors[step] = error;
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        // The request's own failure comes back from its thread.
        if (step == SuspendCallStep)
            m_engine.OnEngineMessage(ENGINE_SUSPEND_FAILED, static_cast<LPARAM>(error));
        bool retried = error != ERROR_ACCESS_DENIED;
        EXPECT_EQ(kAttempt + kOpen + (step == SuspendCallStep ? L"<RequestSuspend 0>\r\n" : L"") +
                      L"Error:  unable to suspend the system" + ErrorSuffix(error) +
                      (retried ? kRetry + Countdown() : L""),
                  Logged())
            << step << " " << error;
        EXPECT_EQ(retried, HoldsSystem()) << step << " " << error;
    }
}

TEST_F(PowerEngine, SuspendAnnouncedAgainstTheConditions)
{
    // The wake timer is set before anything else: the broadcast gives about
    // two seconds. The log keeps its order.
    m_model.Suspend.allowed = false;
    m_engine.HandleSuspend();
    EXPECT_EQ(L"<SetWakeTimer>\r\n" + Shown(L"", 213, L"not allowed") +
                  L"Warning: suspend conditions are not met\r\n"
                  L"System entering a suspend state by system or user request\r\n" +
                  Entry(L"Automatic resume scheduled on ", 60),
              Logged());
}

TEST_F(PowerEngine, TheMachineCheckSaysOnceWhatTheComputerCannotDo)
{
    // Said once, and while a wake is promised the tooltip's second line says
    // it will not come.
    m_system.capabilities = ModernStandbyCapabilities();
    m_engine.EvaluateSuspendPermission();
    Forget();
    m_engine.CheckMachine();
    m_engine.CheckMachine();
    const std::wstring tray = L">\r\n<SetIcon 128>\r\n<Update>\r\n";
    EXPECT_EQ(L"Warning: this computer sleeps in Modern Standby; automatic resume cannot wake it "
              L"from there\r\n<SetTooltip Tarvik\nAutomatic resume cannot wake this computer" +
                  tray,
              Logged());
    m_model.AutoResume.enabled = false;
    m_engine.CheckMachine();
    EXPECT_EQ(L"<SetTooltip Tarvik" + tray, Logged());
    m_model.AutoResume.enabled = true;

    using Plan = std::map<std::pair<DWORD, bool>, DWORD>;
    const DWORD wake = kAllowWakeTimers.Data1, requests = kAllowSystemRequired.Data1;
    const SYSTEM_POWER_CAPABILITIES desktop = DesktopCapabilities();
    SYSTEM_POWER_CAPABILITIES laptop = desktop, clockToS1 = desktop;
    laptop.SystemBatteriesPresent = TRUE;
    clockToS1.RtcWake = PowerSystemSleeping1;
    const SuspendState sleep = SuspendState::Sleep, hibernate = SuspendState::Hibernate;
    // The machine, its plan, the state chosen and "Allow suspend"; what is found.
    const std::tuple<SYSTEM_POWER_CAPABILITIES, Plan, SuspendState, bool, unsigned> cases[] = {
        {desktop, {{{wake, false}, 1}, {{requests, false}, 1}}, sleep, true, 0},
        // No sleep state, which hibernating does not need.
        {NoSleepCapabilities(), {}, sleep, true, PROBLEM_NO_SLEEP_STATE},
        {NoSleepCapabilities(), {}, hibernate, true, 0},
        // A clock that wakes from S1 only, with hibernation chosen.
        {clockToS1, {}, hibernate, true, PROBLEM_NO_CLOCK_WAKE},
        {desktop, {{{wake, false}, 0}}, sleep, true, PROBLEM_WAKE_TIMERS_OFF_MAINS},
        {laptop, {{{wake, true}, 2}}, sleep, true, PROBLEM_WAKE_TIMERS_IMPORTANT_BATTERY},
        // The battery values of a desktop without a battery do not count.
        {desktop, {{{wake, true}, 0}, {{requests, true}, 0}}, sleep, false, 0},
        // Programs' requests ignored matter while the engine may hold the computer.
        {desktop, {{{requests, false}, 0}}, sleep, false, PROBLEM_REQUESTS_IGNORED_MAINS},
    };
    for (const auto& [capabilities, plan, state, allowed, problems] : cases) {
        m_system.capabilities = capabilities;
        m_system.planValues = plan;
        m_model.AutoSuspend.state = state;
        m_model.Suspend.allowed = allowed;
        m_engine.CheckMachine();
        EXPECT_EQ(problems, m_engine.MachineProblems()) << problems;
    }
    // Nothing readable: nothing found.
    m_system.capabilitiesKnown = false;
    m_system.planValues.clear();
    m_engine.CheckMachine();
    EXPECT_EQ(0u, m_engine.MachineProblems());
}

TEST(ResumeCommand, SplitsTellsProgramsFromDocumentsAndNamesTheNativeSystemFolder)
{
    // The text, the file and the parameters.
    const wchar_t* const cases[][3] = {
        // A quoted path with spaces: the separating space stays with the options.
        {L"\"C:\\Program Files\\App\\app.exe\" /a \"b c\"", L"C:\\Program Files\\App\\app.exe",
         L" /a \"b c\""},
        // A quote never closed.
        {L"\"C:\\Program Files\\App\\app.exe -x", L"C:\\Program Files\\App\\app.exe -x", L""},
        // Unquoted: cut at the first space, which belongs to neither part.
        {L"C:\\Program Files\\App\\app.exe -x", L"C:\\Program", L"Files\\App\\app.exe -x"},
    };
    for (const auto& c : cases) {
        CCommandParts parts = SplitCommand(c[0]);
        EXPECT_EQ(c[1], parts.file) << c[0];
        EXPECT_EQ(c[2], parts.parameters) << c[0];
    }

    const std::pair<const wchar_t*, bool> files[] = {
        {L"backup.CMD", true},
        {L"wsl", true}, // the shell looks for wsl.exe
        {L"https://example.org/run.exe", false},
        {L"C:\\Reports\\today.pdf", false},
        {L"C:\\Tools.v2\\sync", true}, // a dot in a folder is no extension
    };
    for (const auto& [file, program] : files)
        EXPECT_EQ(program, IsProgramFile(file)) << file;

    // A 32-bit program on 64-bit Windows names the native system folder. What exists in the 32-bit program's redirected view: cmd.exe in both
    // folders, the 64-bit-only tools only through "Sysnative".
    auto exists = [](const std::wstring& path) {
        return path.size() > 4 && path.substr(path.size() - 4) == L".exe" &&
               (path.find(L"Sysnative") != std::wstring::npos ||
                path.find(L"\\cmd.") != std::wstring::npos);
    };
    CSystemFolders wow64{true, L"C:\\Windows\\system32", L"C:\\Windows"};
    const std::pair<const wchar_t*, const wchar_t*> mapped[] = {
        // The system folder, in any case of letters, is named through its alias.
        {L"C:\\WINDOWS\\System32\\OpenSSH\\ssh.exe", L"C:\\Windows\\Sysnative\\OpenSSH\\ssh.exe"},
        // A bare name only the 64-bit folder has; one the 32-bit view has stays.
        {L"wsl", L"C:\\Windows\\Sysnative\\wsl.exe"},
        {L"cmd.exe", L"cmd.exe"},
        // A folder whose name only begins like the system folder's is left alone.
        {L"C:\\Windows\\system32x\\tool.exe", L"C:\\Windows\\system32x\\tool.exe"},
    };
    for (const auto& [file, expected] : mapped)
        EXPECT_EQ(expected, MapToNativeSystemFolder(file, wow64, exists)) << file;

    // A 64-bit program, or 32-bit Windows, sees the real folder.
    CSystemFolders native{false, L"C:\\Windows\\system32", L"C:\\Windows"};
    EXPECT_EQ(L"wsl", MapToNativeSystemFolder(L"wsl", native, exists));
}

TEST(WindowsPowerSystem, AFarDateIsConvertedWithTheRulesOfItsOwnYear)
{
    // Berlin keeps its rules in 2035 as far as anyone knows: summer time is
    // UTC+2 from that year's last Sunday of March, the 25th (in 2026 it is the
    // 29th), so 03:30 on the 25th is summer time.
    CWindowsPowerSystem system;
    const SYSTEMTIME local = At(2035, 3, 25, 3, 30, 0);
    FILETIME converted{};
    SYSTEMTIME back{};
    ASSERT_TRUE(system.LocalToUtc(local, &converted));
    EXPECT_EQ(Ticks(At(2035, 3, 25, 1, 30, 0)), ToTicks(converted));
    ASSERT_TRUE(system.UtcToLocal(converted, &back));
    EXPECT_EQ(Ticks(local), Ticks(back));
}
