// One instance per program file name: second starts, takeover starts and
// copies under other names.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CSingleInstance = CEndToEnd;

const char kMinimized[] = "<Application><Window minimized=\"true\"/></Application>";

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
    EXPECT_EQ(TRUE, next.PowerBroadcast(PBT_APMSUSPEND));
    EXPECT_TRUE(WaitForLogEvent(kSuspending)) << "the new instance has no log";
    std::vector<std::wstring> events = LogEvents();
    auto stopping = std::find(events.begin(), events.end(), kStopping);
    auto starting = std::find(stopping, events.end(), kStarting);
    EXPECT_NE(events.end(), starting) << "no \"Starting\" after the first's \"Stopping\"";
    EXPECT_NE(events.end(), std::find(starting, events.end(), kSuspending));
    EXPECT_TRUE(next.Running());
}

TEST_F(CSingleInstance, CopyUnderAnotherNameRunsBesideWithItsOwnFiles)
{
    CProgramCopy copy(ProgramFolder() + L"TarvikTwin.exe");
    CTarvik first, twin(copy.Path());
    ASSERT_TRUE(first.StartReady());
    ASSERT_TRUE(twin.StartReady()) << "the copy did not run beside the first";
    EXPECT_TRUE(WaitForLogEvent(kStarting, DataFolder() + L"\\TarvikTwin.txt"));
    EXPECT_TRUE(first.Running() && twin.Running());
}

} // namespace
} // namespace e2e
