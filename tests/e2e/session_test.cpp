// The end of the Windows session as the system announces it to the window.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CEndOfSession = CEndToEnd;

TEST_F(CEndOfSession, CancelledLogOffSavesAndTheLogGoesOnWhileClosingTheApplicationEndsIt)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const size_t before = LogLines().size();

    EXPECT_EQ(tarvik.Send(tarvik.Sheet(), WM_QUERYENDSESSION, 0, 0), TRUE);
    tarvik.Send(tarvik.Sheet(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(FileExists(SettingsPath())) << "not saved";
    EXPECT_TRUE(tarvik.Running());
    EXPECT_TRUE(tarvik.Visible());

    // "Stopping", then a new run of the log, which takes later events.
    tarvik.PowerBroadcast(PBT_APMSUSPEND);
    const std::vector<std::wstring> lines = LogLines();
    ASSERT_GE(lines.size(), before + 4);
    EXPECT_EQ(WithoutStamp(lines[before]), kStopping);
    EXPECT_EQ(lines[before + 1], kSeparator);
    EXPECT_EQ(WithoutStamp(lines[before + 2]), kStarting);
    EXPECT_EQ(WithoutStamp(lines.back()), kSuspending);

    tarvik.Click(IDC_ALLOW_SUSPEND);
    EXPECT_EQ(tarvik.Send(tarvik.Sheet(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    tarvik.Post(tarvik.Sheet(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    ASSERT_TRUE(tarvik.WaitExit()) << "still running after ENDSESSION_CLOSEAPP";
    EXPECT_EQ(CSettingsFile().Value(L"/Application/Suspend/@allowed"), L"false");
    const std::vector<std::wstring> events = LogEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), kStopping);
    EXPECT_NE(events[events.size() - 2], kStopping) << "\"Stopping\" written twice";
}

} // namespace
} // namespace e2e
