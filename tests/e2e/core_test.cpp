// The program's core works whether or not its window was ever opened: the
// power broadcasts reach it, and the connection watch changes what the tray
// shows, while the window stays hidden from the start.
#include "tests/support/loopback.h"

#include <windows.h>

#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CCore = CEndToEnd;

TEST_F(CCore, AWindowNeverOpenedHearsTheBroadcastsAndWatchesTheConnections)
{
    std::wstring ports;
    CTarvik tarvik;
    {
        CLoopback loopback;
        unsigned client = 0;
        const std::string port = std::to_string(loopback.Serve(AF_INET, 0, &client));
        ASSERT_NE("0", port);
        ports.assign(port.begin(), port.end());
        WriteSettings("<Application><Window minimized=\"true\"/><Suspend allowed=\"true\" "
                      "condition=\"1\"><TcpPorts endpoint=\"3\">" +
                      port + "</TcpPorts></Suspend></Application>");
        ASSERT_TRUE(tarvik.Start());
        ASSERT_TRUE(tarvik.WaitListening());
        EXPECT_TRUE(WaitForLogEvent(L"Automatic suspend not allowed; active TCP ports: " + ports));

        const size_t before = LogLines().size();
        EXPECT_EQ(TRUE, tarvik.PowerBroadcast(PBT_APMSUSPEND));
        EXPECT_EQ(TRUE, tarvik.PowerBroadcast(PBT_APMRESUMEAUTOMATIC));
        const std::vector<std::wstring> events = LogEvents(LogPath(), before);
        const std::vector<std::wstring> expected = {L"Warning: suspend conditions are not met",
                                                    kSuspending,
                                                    L"System resuming from a suspend state"};
        EXPECT_EQ(expected, events);
    }
    // The connection is gone: the watch's next round allows sleep again.
    tarvik.Send(tarvik.Core(), WM_TIMER, 2, 0);
    EXPECT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    EXPECT_FALSE(tarvik.Visible()) << "the window was opened";
    EXPECT_TRUE(TrayIconPresent(tarvik.Core()));
}

} // namespace
} // namespace e2e
