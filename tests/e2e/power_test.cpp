// Power broadcasts sent to the window as Windows would send them: each
// reaches the engine, is answered TRUE and leaves its entries in the log.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CPowerEvents = CEndToEnd;

const wchar_t kResuming[] = L"System resuming from a suspend state";
const wchar_t kUserActivity[] = L"Automatic suspend has been cancelled due to user activity";

// The local text of "now + seconds" as the engine writes it (short date,
// one space, time with seconds), for each second of a small window around it.
bool IsMomentAfter(const std::wstring& text, int seconds)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    for (int slack = -3; slack <= 3; ++slack) {
        ULARGE_INTEGER moment = {{now.dwLowDateTime, now.dwHighDateTime}};
        moment.QuadPart += static_cast<ULONGLONG>(seconds + slack) * 10000000ULL;
        FILETIME utc = {moment.LowPart, moment.HighPart}, local;
        SYSTEMTIME time;
        FileTimeToLocalFileTime(&utc, &local);
        FileTimeToSystemTime(&local, &time);
        wchar_t date[128] = {}, clock[128] = {};
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, date, 128, nullptr);
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128);
        if (text == std::wstring(date) + L" " + clock)
            return true;
    }
    return false;
}

TEST_F(CPowerEvents, SuspendAutomaticResumeAndUserResumeInOrder)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"tarvik_e2e_resumed.txt";
    DeleteFileW(marker.c_str());
    std::string markerUtf8(marker.begin(), marker.end()); // the temp path is ASCII under Wine
    const std::string command = "C:\\windows\\system32\\cmd.exe /c echo resumed&gt;" + markerUtf8;
    WriteSettings("<Application><Suspend allowed=\"true\" condition=\"0\"/><AutoResume enabled=\"true\" "
                  "mode=\"1\" delay=\"3600\"><AutoSuspend enabled=\"true\" delay=\"60\" state=\"0\"/>"
                  "<Command run=\"true\">" + command + "</Command></AutoResume></Application>");

    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const size_t first = LogLines().size();
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMSUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMEAUTOMATIC), TRUE);
    EXPECT_TRUE(WaitFor([&] { return FileExists(marker); }, 10000)) << "the resume command did not run";
    // The countdown's end: under Wine nobody counts as away, so it stops.
    tarvik.Send(tarvik.General(), WM_TIMER, 1, 0);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMRESUMESUSPEND), TRUE);
    EXPECT_EQ(tarvik.PowerBroadcast(PBT_APMPOWERSTATUSCHANGE), TRUE);

    const std::vector<std::wstring> events = LogEvents(LogPath(), first);
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0], kSuspending);
    const std::wstring resumePrefix = L"Automatic resume scheduled on ";
    ASSERT_TRUE(HasPrefix(events[1], resumePrefix)) << events[1];
    EXPECT_TRUE(IsMomentAfter(events[1].substr(resumePrefix.size()), 3600)) << events[1];
    EXPECT_EQ(events[2], kResuming);
    EXPECT_EQ(events[3], L"Running command: C:\\windows\\system32\\cmd.exe /c echo resumed>" +
                             marker);
    const std::wstring countdownPrefix = L"Automatic suspend scheduled on ";
    ASSERT_TRUE(HasPrefix(events[4], countdownPrefix)) << events[4];
    EXPECT_TRUE(IsMomentAfter(events[4].substr(countdownPrefix.size()), 60)) << events[4];
    EXPECT_EQ(events[5], kUserActivity);
    EXPECT_EQ(events[6], kUserActivity);
    DeleteFileW(marker.c_str());
}

} // namespace
} // namespace e2e
