// A start while a copy runs: Windows' restart of the program ends quietly,
// an ordinary start brings the running copy's window to the front.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CSecondStart = CEndToEnd;

// The argument the program registers for Windows to restart it with.
const wchar_t kRestart[] = L"/restarted";
const char kStartHidden[] = "<Application><Window minimized=\"true\"/></Application>";

// Whether the sheet has been hidden to the tray.
bool HiddenInTray(const CTarvik& tarvik)
{
    return !tarvik.Visible() && (tarvik.ExStyle() & WS_EX_TOOLWINDOW);
}

// Returns once `tarvik` has handled every notification sent to it before:
// sent messages from other threads are taken in the order they came.
void Settle(const CTarvik& tarvik)
{
    tarvik.Send(tarvik.Core(), WM_NULL, 0, 0);
}

// After a restart Windows reopens the program with the restart argument, and
// "Run when Windows starts" starts another copy with the sign-in argument, in
// either order. Alone, the restarted copy runs as any start does, hidden with
// "Start minimized"; beside a running copy either ends with 0 and leaves that
// copy's window hidden and its log untouched. An ordinary start still shows
// the window.
TEST_F(CSecondStart, RestartedCopyRunsAloneAsAnyStartAndBesideARunningOneEndsQuietly)
{
    WriteSettings(kStartHidden);
    CTarvik restarted;
    ASSERT_TRUE(restarted.Start(kRestart));
    ASSERT_TRUE(restarted.WaitReady()) << "the restarted copy did not run alone";
    EXPECT_TRUE(WaitFor([&] { return HiddenInTray(restarted); })) << "\"Start minimized\" ignored";
    EXPECT_TRUE(TrayIconPresent(restarted.Core()));
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));

    const std::string log = ReadBytes(LogPath());
    for (int round = 0; round < 3; ++round) {
        CTarvik again;
        ASSERT_TRUE(again.Start(round == 1 ? L"/signin" : kRestart));
        ASSERT_TRUE(again.WaitExit()) << "round " << round << ": a second copy runs";
        EXPECT_EQ(0u, again.ExitCode()) << "round " << round;
        Settle(restarted);
        EXPECT_TRUE(HiddenInTray(restarted)) << "round " << round << ": the window was shown";
    }
    EXPECT_EQ(log, ReadBytes(LogPath())) << "a restarted second copy wrote to the log";
    EXPECT_TRUE(restarted.Running());

    CTarvik ordinary;
    ASSERT_TRUE(ordinary.Start());
    ASSERT_TRUE(ordinary.WaitExit());
    EXPECT_EQ(0u, ordinary.ExitCode());
    Settle(restarted);
    EXPECT_TRUE(restarted.Visible()) << "an ordinary start no longer shows the window";
}

// A second start of Tarvik.exe brings its running copy's window to the front:
// out of the tray, and again when it is open but another program's window
// covers it. A copy under another name, started later, stays as it is.
TEST_F(CSecondStart, OrdinaryStartBringsTheRunningCopyOfItsNameToTheFront)
{
    CProgramCopy copy(L"TarvikTwin.exe");
    WriteSettings(kStartHidden);
    WriteSettings(kStartHidden, DataFolder() + L"\\TarvikTwin.xml");
    CTarvik first;
    ASSERT_TRUE(first.StartReady());
    CTarvik twin(copy.Path);
    ASSERT_TRUE(twin.StartReady());
    ASSERT_TRUE(WaitFor([&] { return HiddenInTray(first) && HiddenInTray(twin); }));

    const auto startAgain = [] {
        CTarvik second;
        ASSERT_TRUE(second.Start());
        ASSERT_TRUE(second.WaitExit());
        EXPECT_EQ(0u, second.ExitCode());
    };
    startAgain();
    Settle(first);
    Settle(twin);
    EXPECT_TRUE(first.Visible()) << "not shown";
    EXPECT_EQ(first.Sheet(), GetForegroundWindow()) << "shown, but not in front";
    EXPECT_TRUE(HiddenInTray(twin)) << "the copy of another name showed its window";

    // The copy's window opens over it.
    twin.Command(ID_TRAY_OPTIONS);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == twin.Sheet(); }));
    startAgain();
    Settle(first);
    EXPECT_EQ(first.Sheet(), GetForegroundWindow()) << "the open window stayed behind";
}

} // namespace
} // namespace e2e
