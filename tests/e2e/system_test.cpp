// What Windows and the shell do to the program: power broadcasts, the end of
// the session, second, simultaneous and takeover starts, the close asked by
// another program, and the Run value of "Run when Windows starts".
#include <windows.h>
#include <oleauto.h>

#include <iterator>

#include "engine/file_time.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/run_value.h"

namespace e2e {
namespace {

using CSystem = CEndToEnd;

// Whether `event` is `prefix` and the local text of "now + seconds" as the
// engine writes it (short date, one space, time with seconds), for a second of
// a small window around it.
bool IsEntryFor(const std::wstring& event, const wchar_t* prefix, int seconds)
{
    FILETIME now, local;
    GetSystemTimeAsFileTime(&now);
    for (int slack = -3; slack <= 3; ++slack) {
        const FILETIME utc =
            ToFileTime(ToTicks(now) + static_cast<ULONGLONG>(seconds + slack) * kTicksPerSecond);
        SYSTEMTIME time;
        FileTimeToLocalFileTime(&utc, &local);
        FileTimeToSystemTime(&local, &time);
        wchar_t date[128] = {}, clock[128] = {};
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, date, 128, nullptr);
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128);
        if (event == prefix + std::wstring(date) + L" " + clock)
            return true;
    }
    return false;
}

// A log-off that is cancelled saves and ends the log's run; a new one takes
// the later events. The power broadcasts log in order and run the resume
// command. The session's end closing the application saves and ends the log.
TEST_F(CSystem, TheSessionsEndSavesAndEndsTheLogAndPowerBroadcastsLogInOrder)
{
    const std::filesystem::path marker =
        std::filesystem::temp_directory_path() / "tarvik_e2e_resumed.txt";
    DeleteFileW(marker.c_str());
    // The temporary folder's path is ASCII under Wine.
    const std::string command =
        "C:\\windows\\system32\\cmd.exe /c echo resumed&gt;" + marker.string();
    WriteSettings(
        "<Application><Suspend allowed=\"true\" condition=\"0\"/><AutoResume enabled=\"true\" "
        "mode=\"1\" delay=\"3600\"><AutoSuspend enabled=\"true\" delay=\"60\" state=\"0\"/>"
        "<Command run=\"true\">" +
        command + "</Command></AutoResume></Application>");
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    DeleteFileW(SettingsPath().c_str());
    const size_t first = LogLines().size();
    EXPECT_EQ(tarvik.Send(tarvik.Core(), WM_QUERYENDSESSION, 0, 0), TRUE);
    tarvik.Send(tarvik.Core(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(FileExists(SettingsPath())) << "not saved";
    EXPECT_TRUE(tarvik.Visible()) << "the window went with a log-off that did not happen";

    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMSUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMEAUTOMATIC), TRUE);
    EXPECT_TRUE(WaitFor([&] { return FileExists(marker); }, 10000))
        << "the resume command did not run";
    // The countdown's end: under Wine nobody counts as away, so it stops. The
    // broadcast of the user's return that follows says nothing new.
    tarvik.Send(tarvik.Core(), WM_TIMER, 1, 0);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMESUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMPOWERSTATUSCHANGE), TRUE);
    DeleteFileW(marker.c_str());

    const std::vector<std::wstring> lines = LogLines();
    ASSERT_GE(lines.size(), first + 3);
    EXPECT_EQ(WithoutStamp(lines[first]), kStopping);
    EXPECT_EQ(lines[first + 1], kSeparator);
    EXPECT_EQ(WithoutStamp(lines[first + 2]), kStarting);
    const std::vector<std::wstring> events = LogEvents(LogPath(), first + 3);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0], kSuspending);
    EXPECT_TRUE(IsEntryFor(events[1], L"Automatic resume scheduled on ", 3600)) << events[1];
    EXPECT_EQ(events[2], L"System resuming from a suspend state");
    EXPECT_EQ(events[3], L"Running command: C:\\windows\\system32\\cmd.exe /c echo resumed>" +
                             marker.wstring());
    EXPECT_TRUE(IsEntryFor(events[4], L"Automatic suspend scheduled on ", 60)) << events[4];
    EXPECT_EQ(events[5], L"Automatic suspend has been cancelled due to user activity");

    tarvik.Click(IDC_ALLOW_SUSPEND);
    tarvik.Post(tarvik.Core(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    ASSERT_TRUE(tarvik.WaitExit()) << "still running after ENDSESSION_CLOSEAPP";
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"false");
    const std::vector<std::wstring> last = LogEvents();
    ASSERT_GE(last.size(), 2u);
    EXPECT_EQ(last.back(), kStopping);
    EXPECT_NE(last[last.size() - 2], kStopping) << "\"Stopping\" written twice";
}

size_t CountEvents(const std::wstring& text, const std::wstring& path = LogPath())
{
    const std::vector<std::wstring> events = LogEvents(path);
    return static_cast<size_t>(std::count(events.begin(), events.end(), text));
}

// After an update Windows restarts the program with the restart argument
// ("RegisterApplicationRestart function"; Wine's does nothing, so the test
// starts the restarted copy itself),
// and "Run when Windows starts" starts another copy with the sign-in one, in
// either order. Alone, the restarted copy runs as any start does: hidden in
// the tray with "Start minimized", and a save before the window was ever
// shown has no placement to write. A copy under another file name runs
// beside it, untouched by its instance messages. Beside the running copy, a
// restarted or sign-in start ends with 0 and leaves it hidden and its log
// untouched; a command line like the takeover's is refused (exit code 2) and
// ends nothing; an ordinary start brings the running copy of its own name to
// the front, out of the tray and again when the other's window covers it.
// Only the exact lower-case "runas" takes over, each time of a copy hidden in
// the tray, whether it has settled there or started only a moment before.
TEST_F(CSystem, ASecondStartActsOnTheCopyOfItsNameAsItsArgumentsSay)
{
    CProgramCopy copy(L"TarvikTwin.exe");
    WriteSettings(kStartHidden);
    WriteSettings(kStartHidden, DataFolder() + L"\\TarvikTwin.xml");
    CTarvik first, twin(copy.Path);
    ASSERT_TRUE(first.StartReady(L"/restarted")) << "the restarted copy did not run alone";
    // Hidden first, then turned into a tool window: wait for both.
    EXPECT_TRUE(WaitFor([&] { return first.HiddenInTray(); }))
        << "visible " << first.Visible() << ", extended style 0x" << std::hex << first.ExStyle();
    EXPECT_TRUE(first.Checked(IDC_START_MINIMIZED));
    first.Command(kApply);
    EXPECT_EQ(Saved(L"/Application/Window/@minimized"), L"true");
    EXPECT_EQ(Saved(L"/Application/Window/Placement"), L"<missing>");
    ASSERT_TRUE(twin.StartReady()) << "the copy did not run beside the first";
    ASSERT_TRUE(WaitFor([&] { return twin.HiddenInTray(); }));
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const std::string log = ReadBytes(LogPath());

    const auto startAgain = [&](const wchar_t* arguments, DWORD exitCode) {
        CTarvik other;
        ASSERT_TRUE(other.Start(arguments));
        EXPECT_TRUE(other.WaitExit()) << "\"" << arguments << "\" runs on";
        EXPECT_EQ(other.ExitCode(), exitCode) << arguments;
        EXPECT_TRUE(first.Running()) << "\"" << arguments << "\" ended the first";
        // Sent messages from other threads are taken in the order they came:
        // these return once both handled what the start sent them.
        first.Send(first.Core(), WM_NULL, 0, 0);
        twin.Send(twin.Core(), WM_NULL, 0, 0);
    };
    for (const wchar_t* arguments : {L"/restarted", L"/signin"})
        startAgain(arguments, 0);
    for (const wchar_t* arguments : {L"RUNAS", L"/runas", L"runas x"})
        startAgain(arguments, 2);
    EXPECT_TRUE(first.HiddenInTray()) << "a start that ended quietly showed the window";
    startAgain(L"", 0);
    EXPECT_TRUE(first.Visible()) << "not shown";
    EXPECT_TRUE(first.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_EQ(first.Sheet(), GetForegroundWindow()) << "shown, but not in front";
    EXPECT_TRUE(twin.HiddenInTray()) << "the copy of another name showed its window";
    EXPECT_EQ(ReadBytes(LogPath()), log) << "a second start wrote to the log";
    twin.Command(ID_TRAY_OPTIONS);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == twin.Sheet(); }));
    startAgain(L"", 0);
    EXPECT_EQ(first.Sheet(), GetForegroundWindow()) << "the open window stayed behind";

    // The takeover: the first saves and ends, the new one carries on.
    first.Click(IDC_ALLOW_SUSPEND); // saved from the model, not from an Apply
    CTarvik next;
    ASSERT_TRUE(next.Start(L"runas"));
    ASSERT_TRUE(first.WaitExit()) << "the first did not end";
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"false");
    ASSERT_TRUE(next.WaitReady());

    CTarvik chain[4];
    CTarvik* running = &next;
    for (CTarvik& taking : chain) {
        const ptrdiff_t i = &taking - chain;
        if (i % 2 == 0) {
            ASSERT_TRUE(WaitFor([&] { return running->HiddenInTray(); }))
                << "takeover " << i << ": not hidden";
        }
        ASSERT_TRUE(taking.Start(L"runas"));
        ASSERT_TRUE(running->WaitExit()) << "takeover " << i << ": the running copy did not end";
        ASSERT_TRUE(taking.WaitListening()) << "takeover " << i;
        running = &taking;
    }
    ASSERT_TRUE(running->WaitReady());
    // Each ended copy closed its log; the next waited for it to let go of
    // the file and carries the record on after it.
    std::vector<std::wstring> expected(1, kStarting);
    for (size_t i = 0; i <= std::size(chain); ++i)
        expected.insert(expected.end(), {kStopping, kStarting});
    std::vector<std::wstring> events = LogEvents();
    events.erase(
        std::remove_if(events.begin(), events.end(),
                       [](const std::wstring& e) { return e != kStarting && e != kStopping; }),
        events.end());
    EXPECT_EQ(expected, events);
    EXPECT_TRUE(twin.Running()) << "a takeover ended the copy";
}

// "Run when Windows starts" of a copy in a folder whose name has a space: the
// value is its quoted path and the sign-in argument; a new run finds it.
TEST_F(CSystem, RunAtLogOnValueIsWrittenQuotedDetectedAndDeleted)
{
    CRunValueBackup keepRegistry;
    CRunValueBackup::Delete();
    CProgramCopy program(L"run at log-on\\Tarvik.exe");
    const std::wstring quoted = L"\"" + program.Path + L"\" /signin";
    // Ticked and applied, then, in a new run that finds the value, cleared.
    for (const bool on : {true, false}) {
        CTarvik tarvik(program.Path);
        ASSERT_TRUE(tarvik.StartReady());
        EXPECT_EQ(tarvik.Checked(IDC_RUN_AT_STARTUP), !on)
            << (on ? "ticked with no value" : "the value was not recognised");
        tarvik.Click(IDC_RUN_AT_STARTUP);
        tarvik.Command(kApply);
        std::wstring value;
        DWORD type = 0;
        ASSERT_EQ(CRunValueBackup::Read(type, value), on) << "found " << value;
        if (on) {
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(CompareStringOrdinal(value.c_str(), -1, quoted.c_str(), -1, TRUE), CSTR_EQUAL)
                << "expected " << quoted << ", found " << value;
        }
    }
}

// The instance notification's close code, as a takeover start sends it, to
// the copies of program file `name`, or to every copy (-1) without one.
bool SendClose(const wchar_t* name = nullptr)
{
    const LPARAM target =
        name ? static_cast<LPARAM>(LHashValOfNameSys(SYS_WIN32, LOCALE_SYSTEM_DEFAULT, name)) : -1;
    return SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"ZPQInstanceNotify"), 2,
                              target) != FALSE;
}

using CInstanceStress = CEndToEnd;

// A close sent the moment a copy starts listening arrives while its first
// page is being built; the copy must end all the same, shown or starting
// hidden, and only the copy named. Tarvik.exe beside it ends on a close for
// every copy even with its tray menu open.
TEST_F(CInstanceStress, CloseFromOutsideEndsEachCopyWheneverItArrives)
{
    CProgramCopy copy(L"Other.exe");
    const std::wstring copyLog = DataFolder() + L"\\Other.txt";
    CTarvik first;
    ASSERT_TRUE(first.StartReady());
    const int rounds = 20;
    for (int round = 0; round < rounds; ++round) {
        if (round == rounds / 2)
            WriteSettings(kStartHidden, DataFolder() + L"\\Other.xml");
        CTarvik other(copy.Path);
        ASSERT_TRUE(other.Start());
        ASSERT_TRUE(other.WaitListening()) << "round " << round;
        ASSERT_TRUE(SendClose(L"Other.exe"));
        ASSERT_TRUE(other.WaitExit()) << "round " << round << ": the close was lost";
        EXPECT_EQ(other.ExitCode(), 0u) << "round " << round;
    }
    // Each copy ended in order, through its window.
    EXPECT_EQ(CountEvents(kStarting, copyLog), static_cast<size_t>(rounds));
    EXPECT_EQ(CountEvents(kStopping, copyLog), static_cast<size_t>(rounds));
    ASSERT_TRUE(first.Running()) << "a close of the copy ended Tarvik.exe";

    first.TrayEvent(WM_CONTEXTMENU);
    ASSERT_TRUE(WaitFor([&] { return first.OpenMenu() != nullptr; })) << "no menu";
    // A 32-bit sender's 0xFFFFFFFF reaches a 64-bit copy sign-extended.
    ASSERT_TRUE(SendClose());
    EXPECT_TRUE(first.WaitExit()) << "the open menu held the close back";
}

// Started all at once, one copy carries on; the others hand over and end
// without a trace in the log.
TEST_F(CInstanceStress, TwentySimultaneousStartsLeaveOneInstance)
{
    CTarvik starts[20];
    for (CTarvik& start : starts)
        ASSERT_TRUE(start.Start());
    const auto isRunning = [](const CTarvik& start) { return start.Running(); };
    const auto running = [&] {
        return std::count_if(std::begin(starts), std::end(starts), isRunning);
    };
    // Nothing starts any more, so the count only falls.
    ASSERT_TRUE(WaitFor([&] { return running() <= 1; }, 60000)) << running() << " still run";
    CTarvik* survivor = std::find_if(std::begin(starts), std::end(starts), isRunning);
    ASSERT_NE(survivor, std::end(starts)) << "none carries on";
    ASSERT_TRUE(survivor->WaitReady());
    for (CTarvik& start : starts) {
        if (&start != survivor) {
            EXPECT_EQ(start.ExitCode(), 0u); // STILL_ACTIVE while it runs
        }
    }
    EXPECT_EQ(CountEvents(kStarting), 1u);
}

} // namespace
} // namespace e2e
