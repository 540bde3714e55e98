// Start-up as the user meets it: the data folder, the log, the tray icon,
// and the window's state.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CStart = CEndToEnd;

TEST_F(CStart, FirstStartMakesDataFolderAndLogWithItsHeader)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    EXPECT_TRUE(FolderExists(DataFolder()));
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed")) << "the first permission entry";

    EXPECT_EQ(ReadBytes(LogPath()).substr(0, 2), "\xFF\xFE");
    const std::vector<std::wstring> lines = LogLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], L"Tarvik");
    EXPECT_TRUE(HasPrefix(lines[1], L"Version ")) << lines[1];
    EXPECT_FALSE(lines[2].empty()) << "the legal notice";
    EXPECT_EQ(lines[3], L"");
    EXPECT_EQ(lines[4], kSeparator);
    EXPECT_EQ(WithoutStamp(lines[5]), kStarting);
    EXPECT_EQ(WithoutStamp(lines[6]), L"Automatic suspend allowed");

    EXPECT_TRUE(tarvik.Visible());
    EXPECT_FALSE(FileExists(SettingsPath())) << "nothing saved before Apply or Exit";
}

TEST_F(CStart, StartMinimizedLivesInTheTrayUntilADoubleClickOnTheIcon)
{
    WriteSettings("<Application><Window minimized=\"true\"/></Application>");
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    // Hidden first, then turned into a tool window: wait for both.
    EXPECT_TRUE(WaitFor([&] { return !tarvik.Visible() && (tarvik.ExStyle() & WS_EX_TOOLWINDOW); }))
        << "visible " << tarvik.Visible() << ", extended style 0x" << std::hex << tarvik.ExStyle();
    EXPECT_FALSE(tarvik.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_TRUE(TrayIconPresent(tarvik.Sheet()));
    EXPECT_TRUE(tarvik.Checked(IDC_START_MINIMIZED));
    EXPECT_TRUE(WaitForLogEvent(kStarting));

    tarvik.TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    EXPECT_TRUE(tarvik.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_FALSE(tarvik.ExStyle() & WS_EX_TOOLWINDOW);
}

} // namespace
} // namespace e2e
