// One instance per program file name: second starts, takeover starts and
// copies under other names, and the notification they exchange.
#include "tests/e2e/e2e_fixture.h"

#include <oleauto.h>

#include <algorithm>

namespace e2e {
namespace {

using CSingleInstance = CEndToEnd;

const char kMinimized[] = "<Application><Window minimized=\"true\"/></Application>";

// The target of a notification: the hash of the receiver's file name.
LPARAM InstanceHash(const wchar_t* fileName)
{
    return static_cast<LPARAM>(LHashValOfNameSys(SYS_WIN32, LOCALE_SYSTEM_DEFAULT, fileName));
}

void Notify(WPARAM code, LPARAM target)
{
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, InstanceNotifyMessage(), code, target));
}

TEST_F(CSingleInstance, SecondStartShowsTheFirstAndLeavesNoTrace)
{
    WriteSettings(kMinimized);
    CTarvik first;
    ASSERT_TRUE(first.StartReady());
    ASSERT_TRUE(WaitFor([&] { return !first.Visible(); }));
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const std::string log = ReadBytes(LogPath());

    CTarvik second;
    ASSERT_TRUE(second.Start());
    DWORD exitCode = 1;
    ASSERT_TRUE(second.WaitExit(kStepTimeout, &exitCode)) << "the second start keeps running";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return first.Visible(); })) << "the first window was not shown";
    EXPECT_TRUE(first.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_EQ(ReadBytes(LogPath()), log) << "the second start wrote to the log";
}

TEST_F(CSingleInstance, OnlyTheExactLowerCaseRunasTakesOver)
{
    CTarvik first;
    ASSERT_TRUE(first.StartReady());
    for (const wchar_t* arguments : {L"RUNAS", L"/runas", L"runas x"}) {
        CTarvik other;
        ASSERT_TRUE(other.Start(arguments));
        DWORD exitCode = 1;
        EXPECT_TRUE(other.WaitExit(kStepTimeout, &exitCode)) << "\"" << arguments << "\" took over";
        EXPECT_EQ(exitCode, 0u) << arguments;
        EXPECT_TRUE(first.Running()) << "\"" << arguments << "\" ended the first";
    }

    // The takeover: the first saves and ends, the new one carries on.
    first.Click(IDC_ALLOW_SUSPEND); // saved from the model, not from an Apply
    CTarvik next;
    ASSERT_TRUE(next.Start(L"runas"));
    ASSERT_TRUE(first.WaitExit()) << "the first did not end";
    EXPECT_EQ(CSettingsFile().Value(L"/Application/Suspend/@allowed"), L"false");
    ASSERT_TRUE(next.WaitReady());
    // The first closed its log; the new one waited for it to let go of the
    // file and carries the record on after it.
    EXPECT_TRUE(WaitForLogEvent(kStopping));
    const std::wstring suspending = L"System entering a suspend state by system or user request";
    EXPECT_EQ(TRUE, next.PowerBroadcast(PBT_APMSUSPEND));
    EXPECT_TRUE(WaitForLogEvent(suspending)) << "the new instance has no log";
    std::vector<std::wstring> events = LogEvents();
    auto stopping = std::find(events.begin(), events.end(), kStopping);
    auto starting = std::find(stopping, events.end(), kStarting);
    EXPECT_NE(events.end(), starting) << "no \"Starting\" after the first's \"Stopping\"";
    EXPECT_NE(events.end(), std::find(starting, events.end(), suspending));
    EXPECT_TRUE(next.Running());

    // Later starts are directed to the new instance.
    CTarvik later;
    ASSERT_TRUE(later.Start());
    EXPECT_TRUE(later.WaitExit());
    EXPECT_TRUE(next.Running());
}

TEST_F(CSingleInstance, CopyUnderAnotherNameRunsBesideAndHearsOnlyItsOwnName)
{
    WriteSettings(kMinimized);
    WriteBytes(DataFile(L"TarvikTwin.xml"), ReadBytes(SettingsPath()));
    CProgramCopy copy(ProgramFolder() + L"TarvikTwin.exe");
    CTarvik first, twin(copy.Path());
    ASSERT_TRUE(first.StartReady());
    ASSERT_TRUE(twin.StartReady()) << "the copy did not run beside the first";
    EXPECT_TRUE(WaitForLogEvent(kStarting, DataFile(L"TarvikTwin.txt")));
    ASSERT_TRUE(WaitFor([&] { return !first.Visible() && !twin.Visible(); }));

    // Addressed to Tarvik.exe: only the first shows itself.
    Notify(1, InstanceHash(L"Tarvik.exe"));
    EXPECT_TRUE(WaitFor([&] { return first.Visible(); }));
    EXPECT_FALSE(twin.Visible());
    // To all instances: the twin too. An unknown code changes nothing.
    Notify(3, static_cast<LPARAM>(0xFFFFFFFF));
    Notify(1, static_cast<LPARAM>(0xFFFFFFFF));
    EXPECT_TRUE(WaitFor([&] { return twin.Visible(); }));
    EXPECT_TRUE(first.Running() && twin.Running());

    // Close, addressed to the twin by its own name (any letter case).
    Notify(2, InstanceHash(L"TARVIKTWIN.EXE"));
    EXPECT_TRUE(twin.WaitExit());
    EXPECT_TRUE(FileExists(DataFile(L"TarvikTwin.xml")));
    EXPECT_TRUE(first.Running());
}

} // namespace
} // namespace e2e
