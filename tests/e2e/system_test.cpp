// What Windows and the shell do to the program: power broadcasts, the end of
// the session, second, simultaneous and takeover starts, the close asked by
// another program, and the Run value of "Run when Windows starts", written by
// a copy in a folder whose name has a space, with Task Manager's record of it.
#include <windows.h>
#include <oleauto.h>

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

TEST_F(CSystem, PowerBroadcastsOfSuspendAndResumeLogInOrder)
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
    const size_t first = LogLines().size();
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMSUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMEAUTOMATIC), TRUE);
    EXPECT_TRUE(WaitFor([&] { return FileExists(marker); }, 10000))
        << "the resume command did not run";
    // The countdown's end: under Wine nobody counts as away, so it stops. The
    // broadcast of the user's return that follows says nothing new.
    tarvik.Send(tarvik.Core(), WM_TIMER, 1, 0);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMESUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMPOWERSTATUSCHANGE), TRUE);

    const std::vector<std::wstring> events = LogEvents(LogPath(), first);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0], kSuspending);
    EXPECT_TRUE(IsEntryFor(events[1], L"Automatic resume scheduled on ", 3600)) << events[1];
    EXPECT_EQ(events[2], L"System resuming from a suspend state");
    EXPECT_EQ(events[3], L"Running command: C:\\windows\\system32\\cmd.exe /c echo resumed>" +
                             marker.wstring());
    EXPECT_TRUE(IsEntryFor(events[4], L"Automatic suspend scheduled on ", 60)) << events[4];
    EXPECT_EQ(events[5], L"Automatic suspend has been cancelled due to user activity");
    DeleteFileW(marker.c_str());
}

TEST_F(CSystem, CancelledLogOffSavesAndTheLogGoesOnWhileClosingTheApplicationEndsIt)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const size_t before = LogLines().size();

    EXPECT_EQ(tarvik.Send(tarvik.Core(), WM_QUERYENDSESSION, 0, 0), TRUE);
    tarvik.Send(tarvik.Core(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(FileExists(SettingsPath())) << "not saved";
    EXPECT_TRUE(tarvik.Visible()) << "the window went with a log-off that did not happen";

    // "Stopping", then a new run of the log, which takes later events.
    tarvik.PowerBroadcast(PBT_APMSUSPEND);
    const std::vector<std::wstring> lines = LogLines();
    ASSERT_GE(lines.size(), before + 4);
    EXPECT_EQ(WithoutStamp(lines[before]), kStopping);
    EXPECT_EQ(lines[before + 1], kSeparator);
    EXPECT_EQ(WithoutStamp(lines[before + 2]), kStarting);
    EXPECT_EQ(WithoutStamp(lines.back()), kSuspending);

    tarvik.Click(IDC_ALLOW_SUSPEND);
    tarvik.Post(tarvik.Core(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    ASSERT_TRUE(tarvik.WaitExit()) << "still running after ENDSESSION_CLOSEAPP";
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"false");
    const std::vector<std::wstring> events = LogEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), kStopping);
    EXPECT_NE(events[events.size() - 2], kStopping) << "\"Stopping\" written twice";
}

// A copy under another file name runs beside the first, untouched by its
// instance messages; only the exact lower-case "runas" takes over, and a
// command line like it is refused (exit code 2) and ends nothing.
TEST_F(CSystem, CopyUnderAnotherNameRunsBesideAndOnlyTheExactRunasTakesOver)
{
    CProgramCopy copy(L"TarvikTwin.exe");
    CTarvik first, twin(copy.Path);
    ASSERT_TRUE(first.StartReady());
    ASSERT_TRUE(twin.StartReady()) << "the copy did not run beside the first";
    EXPECT_TRUE(WaitForLogEvent(kStarting, DataFolder() + L"\\TarvikTwin.txt"));

    for (const wchar_t* arguments : {L"RUNAS", L"/runas", L"runas x"}) {
        CTarvik other;
        ASSERT_TRUE(other.Start(arguments));
        EXPECT_TRUE(other.WaitExit()) << "\"" << arguments << "\" took over";
        EXPECT_EQ(other.ExitCode(), 2u) << arguments;
        EXPECT_TRUE(first.Running()) << "\"" << arguments << "\" ended the first";
    }

    // The takeover: the first saves and ends, the new one carries on.
    first.Click(IDC_ALLOW_SUSPEND); // saved from the model, not from an Apply
    CTarvik next;
    ASSERT_TRUE(next.Start(L"runas"));
    ASSERT_TRUE(first.WaitExit()) << "the first did not end";
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"false");
    ASSERT_TRUE(next.WaitReady());
    // The first closed its log; the new one waited for it to let go of the
    // file and carries the record on after it.
    EXPECT_EQ(TRUE, next.PowerBroadcast(PBT_APMSUSPEND));
    EXPECT_TRUE(WaitForLogEvent(kSuspending)) << "the new instance has no log";
    std::vector<std::wstring> events = LogEvents();
    auto stopping = std::find(events.begin(), events.end(), kStopping);
    auto starting = std::find(stopping, events.end(), kStarting);
    EXPECT_NE(events.end(), starting) << "no \"Starting\" after the first's \"Stopping\"";
    EXPECT_NE(events.end(), std::find(starting, events.end(), kSuspending));
    EXPECT_TRUE(next.Running());
    EXPECT_TRUE(twin.Running()) << "the takeover ended the copy";
}

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

// Turned off in Task Manager while the box showed it ticked: an Apply keeps
// that choice. The next run starts with the box clear, and a tick applied
// turns it on again.
TEST_F(CSystem, RunAtLogOnBoxShowsTaskManagersOffAndATickUndoesIt)
{
    CRunValueBackup keepRegistry;
    CStartupRecordBackup keepRecord;
    CStartupRecordBackup::Delete();
    CProgramCopy program(L"run at log-on\\Tarvik.exe");
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + program.Path + L"\""));
    const CStartupRecordBackup::Bytes off = CStartupRecordBackup::Off();
    {
        CTarvik tarvik(program.Path);
        ASSERT_TRUE(tarvik.StartReady());
        ASSERT_TRUE(tarvik.Checked(IDC_RUN_AT_STARTUP));
        ASSERT_TRUE(CStartupRecordBackup::Write(off));
        tarvik.Command(kApply);
        EXPECT_EQ(CStartupRecordBackup::Read(), off)
            << "an unchanged tick undid Task Manager's off";
    }
    CTarvik tarvik(program.Path);
    ASSERT_TRUE(tarvik.StartReady());
    EXPECT_FALSE(tarvik.Checked(IDC_RUN_AT_STARTUP)) << "ticked although Windows will not start it";
    tarvik.Click(IDC_RUN_AT_STARTUP);
    tarvik.Command(kApply);
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());
    std::wstring value;
    DWORD type = 0;
    ASSERT_TRUE(CRunValueBackup::Read(type, value));
    EXPECT_EQ(CompareStringOrdinal(value.c_str(), -1,
                                   (L"\"" + program.Path + L"\" /signin").c_str(), -1, TRUE),
              CSTR_EQUAL)
        << value;
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

size_t CountEvents(const std::wstring& text, const std::wstring& path = LogPath())
{
    const std::vector<std::wstring> events = LogEvents(path);
    return static_cast<size_t>(std::count(events.begin(), events.end(), text));
}

using CInstanceStress = CEndToEnd;

const char kStartHidden[] = "<Application><Window minimized=\"true\"/></Application>";

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

// Each takeover ends the running copy hidden in the tray, whether it has
// settled there or started only a moment before.
TEST_F(CInstanceStress, TakeoverEndsTheHiddenRunningCopy)
{
    WriteSettings(kStartHidden);
    const int runs = 6;
    CTarvik chain[runs];
    ASSERT_TRUE(chain[0].Start());
    ASSERT_TRUE(chain[0].WaitListening());
    for (int i = 1; i < runs; ++i) {
        CTarvik& running = chain[i - 1];
        if (i % 2) {
            ASSERT_TRUE(WaitFor([&] {
                return !running.Visible() && (running.ExStyle() & WS_EX_TOOLWINDOW);
            })) << "takeover "
                << i << ": not hidden";
        }
        ASSERT_TRUE(chain[i].Start(L"runas"));
        ASSERT_TRUE(running.WaitExit()) << "takeover " << i << ": the running copy did not end";
        ASSERT_TRUE(chain[i].WaitListening()) << "takeover " << i;
    }
    ASSERT_TRUE(chain[runs - 1].WaitReady());
    EXPECT_EQ(CountEvents(kStarting), static_cast<size_t>(runs));
    EXPECT_EQ(CountEvents(kStopping), static_cast<size_t>(runs - 1));
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
