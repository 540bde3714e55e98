// Start-up as the user meets it: the data folder, the log, the tray icon,
// the window's state, and the next start appending to the same log.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CStart = CEndToEnd;

std::wstring TodayText()
{
    wchar_t date[128] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, date, 128, nullptr);
    return date;
}

TEST_F(CStart, FirstStartMakesDataFolderAndLogThenExitSavesAndNextStartAppends)
{
    ASSERT_FALSE(FolderExists(DataFolder()));
    {
        CTarvik tarvik;
        ASSERT_TRUE(tarvik.StartReady());
        EXPECT_TRUE(FolderExists(DataFolder()));
        ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed")) << "the first permission entry";

        const std::string bytes = ReadBytes(LogPath());
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        const std::vector<std::wstring> lines = LogLines();
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[0], L"Tarvik");
        EXPECT_TRUE(HasPrefix(lines[1], L"Version ")) << lines[1];
        EXPECT_FALSE(lines[2].empty()) << "the legal notice";
        EXPECT_EQ(lines[3], L"");
        EXPECT_EQ(lines[4], kSeparator);
        EXPECT_TRUE(HasPrefix(lines[5], TodayText() + L" ")) << lines[5];
        EXPECT_EQ(WithoutStamp(lines[5]), kStarting);
        EXPECT_EQ(WithoutStamp(lines[6]), L"Automatic suspend allowed");

        // Shown, with the buttons of a sheet that applies at once.
        EXPECT_TRUE(tarvik.Visible());
        EXPECT_EQ(WindowText(GetDlgItem(tarvik.Sheet(), IDOK)), L"Close");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tarvik.Sheet(), IDCANCEL)));
        EXPECT_FALSE(FileExists(SettingsPath())) << "nothing saved before Apply or Exit";

        tarvik.PostCommand(ID_TRAY_EXIT);
        DWORD exitCode = 1;
        ASSERT_TRUE(tarvik.WaitExit(kStepTimeout, &exitCode));
        EXPECT_FALSE(TrayIconPresent(tarvik.Sheet()));
    }
    const std::vector<std::wstring> events = LogEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), kStopping);
    CSettingsFile saved;
    ASSERT_TRUE(saved.Loaded());
    EXPECT_EQ(saved.Value(L"/Application/Window/@minimized"), L"false");
    EXPECT_EQ(saved.Value(L"/Application/Suspend/@allowed"), L"true");

    // The next start appends a separator and "Starting": no second header.
    const size_t before = LogLines().size();
    CTarvik again;
    ASSERT_TRUE(again.StartReady());
    ASSERT_TRUE(WaitForLogEvent(kStarting, LogPath(), before));
    const std::vector<std::wstring> lines = LogLines();
    ASSERT_GT(lines.size(), before + 1);
    EXPECT_EQ(lines[before], kSeparator);
    EXPECT_EQ(WithoutStamp(lines[before + 1]), kStarting);
    const std::string bytes = ReadBytes(LogPath());
    EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos) << "a byte-order mark in the middle";
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
    EXPECT_TRUE(tarvik.IconPresent());
    EXPECT_TRUE(tarvik.Checked(IDC_START_MINIMIZED));
    EXPECT_TRUE(WaitForLogEvent(kStarting));

    tarvik.TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    EXPECT_TRUE(tarvik.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_FALSE(tarvik.ExStyle() & WS_EX_TOOLWINDOW);
}

} // namespace
} // namespace e2e
