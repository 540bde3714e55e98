#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "log/log_file.h"
#include "log/logger.h"
#include "resources/resource.h"
#include "tests/log/log_test_file.h"
#include "tests/support/calendar.h"

namespace
{
std::wstring LocaleName()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SNAME, name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

// The locale ctest gives this run through LC_ALL ("de_DE.UTF-8" → "de-DE"),
// empty when none is given.
std::wstring GivenLocale()
{
    wchar_t given[64] = L"";
    GetEnvironmentVariableW(L"LC_ALL", given, 64);
    std::wstring name = given;
    name = name.substr(0, name.find(L'.'));
    if (name.size() != 5 || name[2] != L'_')
        return std::wstring();
    name[2] = L'-';
    return name;
}

std::wstring ShortDate(const SYSTEMTIME& time)
{
    wchar_t date[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, date, 128, nullptr);
    return date;
}


std::wstring Stamp(const SYSTEMTIME& time)
{
    wchar_t stamp[kStampLength];
    int length = FormatTimeStamp(time, stamp);
    EXPECT_EQ(static_cast<size_t>(length), wcslen(stamp));
    return stamp;
}

// A stamp is the user's short date, one space, a 24-hour time with no
// day-period marker, and two spaces.
void ExpectStampShape(const std::wstring& stamp, const SYSTEMTIME& time, const wchar_t* timePattern)
{
    std::wstring date = ShortDate(time);
    ASSERT_FALSE(date.empty());
    ASSERT_GT(stamp.size(), date.size() + 3);
    EXPECT_EQ(date + L" ", stamp.substr(0, date.size() + 1));
    EXPECT_EQ(L"  ", stamp.substr(stamp.size() - 2));
    std::wstring clock = stamp.substr(date.size() + 1, stamp.size() - date.size() - 3);
    EXPECT_TRUE(std::regex_match(clock, std::wregex(timePattern))) << clock;

    std::wstring locale = LocaleName();
    if (locale == L"de-DE") {
        EXPECT_TRUE(std::regex_match(date, std::wregex(L"\\d{1,2}\\.\\d{1,2}\\.\\d{4}"))) << date;
    } else if (locale == L"en-US") {
        EXPECT_TRUE(std::regex_match(date, std::wregex(L"\\d{1,2}/\\d{1,2}/\\d{4}"))) << date;
    }
}
}

// Run under two locales by ctest (en-US and de-DE): the expected texts follow
// whichever is in force.
TEST(TimeStamp, EveningIsWrittenOnTheTwentyFourHourClock)
{
    std::wstring locale = LocaleName();
    // Otherwise the second run would only repeat the first.
    std::wstring given = GivenLocale();
    if (!given.empty()) {
        ASSERT_EQ(given, locale) << "the locale given through LC_ALL is not in force";
    }
    SYSTEMTIME time = At(2026, 12, 5, 21, 30, 5);
    std::wstring stamp = Stamp(time);
    ExpectStampShape(stamp, time, L"21:30:05");
    if (locale == L"de-DE") {
        EXPECT_TRUE(std::regex_match(stamp, std::wregex(L"0?5\\.12\\.2026 21:30:05  "))) << stamp;
    }
    if (locale == L"en-US") {
        EXPECT_TRUE(std::regex_match(stamp, std::wregex(L"12/0?5/2026 21:30:05  "))) << stamp;
    }
}

TEST(TimeStamp, MorningCarriesNoDayPeriodMarker)
{
    SYSTEMTIME time = At(2026, 1, 9, 9, 5, 7);
    ExpectStampShape(Stamp(time), time, L"0?9:05:07");
    time = At(2026, 1, 9, 0, 0, 0);
    ExpectStampShape(Stamp(time), time, L"0?0:00:00");
}

TEST(TimeStamp, UnformattableDateGivesASingleSpace)
{
    SYSTEMTIME time = At(2026, 12, 5, 21, 30, 5);
    time.wMonth = 13;
    EXPECT_EQ(L" ", Stamp(time));
}

class LogLines : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartLog(m_file.Path());
        ASSERT_TRUE(Logger().IsOpen());
        m_start = m_file.Size();
    }

    // Everything written since SetUp.
    std::wstring Written() const { return m_file.Text(m_start); }

    CTestLogFile m_file{L"lines"};
    size_t m_start = 0;
};

TEST_F(LogLines, PlainLineIsStampedTextAndCrLf)
{
    SYSTEMTIME before;
    GetLocalTime(&before);
    EXPECT_TRUE(Logger().LogText(L"%d ports, %s", 3, L"80,443"));
    SYSTEMTIME after;
    GetLocalTime(&after);

    std::wstring line = Written();
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(L"3 ports, 80,443\r\n", WithoutStamp(line));
    std::wstring stamp = StampOf(line);
    wchar_t expected[kStampLength];
    FormatTimeStamp(before, expected);
    std::wstring first = expected;
    FormatTimeStamp(after, expected);
    std::wstring second = expected;
    EXPECT_TRUE(stamp + L"  " == first || stamp + L"  " == second) << stamp;
}

TEST_F(LogLines, StringTableFormatTakesWideText)
{
    EXPECT_TRUE(Logger().LogMessage(IDS_LOG_RESUME_SCHEDULED, L"a wide text"));
    EXPECT_EQ(L"Automatic resume scheduled on a wide text\r\n", WithoutStamp(Written()));
}

TEST_F(LogLines, MissingStringWritesNothing)
{
    EXPECT_FALSE(Logger().LogMessage(153));
    SetLastError(5);
    EXPECT_FALSE(Logger().LogLastError(158));
    EXPECT_EQ(L"", Written());
}

// Code 0 ends like a plain line; a code the system cannot describe follows the
// text directly; a described one brings the trimmed system text on its own.
TEST_F(LogLines, ErrorLinesEndByWhatTheSystemKnowsOfTheCode)
{
    ASSERT_TRUE(SystemText(12345).empty()) << "the system describes 12345 here";
    std::wstring text = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());

    SetLastError(0);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_TIMER_SET));
    SetLastError(12345);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_TIMER_SET));
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_SUSPEND_FAILED));
    // The caller can still report the failure after logging it.
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    std::vector<std::wstring> lines = SplitLines(Written());
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ(L"Error: unable to activate the waitable timer", WithoutStamp(lines[0]));
    EXPECT_EQ(L"Error: unable to activate the waitable timer (12345)", WithoutStamp(lines[1]));
    EXPECT_EQ(L"Error:  unable to suspend the system", WithoutStamp(lines[2]));
    EXPECT_EQ(L"\t\t" + text + L" (5)", lines[3]);
    EXPECT_EQ(L"", lines[4]);
}

TEST(ClosedLog, EveryWriteFailsAndWritesNothing)
{
    CTestLogFile file(L"closed");
    ASSERT_FALSE(Logger().IsOpen());
    EXPECT_FALSE(Logger().WriteTimeStamp());
    EXPECT_FALSE(Logger().LogText(L"text"));
    EXPECT_FALSE(Logger().LogMessage(IDS_LOG_STARTING));
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Logger().LogLastError(IDS_LOG_SUSPEND_FAILED));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    Logger().SetStamped(false);
    EXPECT_FALSE(Logger().LogText(L"unstamped"));
    Logger().SetStamped(true);
    EXPECT_FALSE(file.Exists());

    // After "Stopping" the log is closed for good.
    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    StopLog();
    EXPECT_FALSE(Logger().IsOpen());
    std::string closed = file.Bytes();
    EXPECT_FALSE(Logger().LogText(L"late"));
    EXPECT_FALSE(Logger().LogMessage(IDS_LOG_STOPPING));
    EXPECT_EQ(closed, file.Bytes());
    std::vector<std::wstring> lines = SplitLines(file.Text(2));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(L"Stopping", WithoutStamp(lines[lines.size() - 2]));
    EXPECT_EQ(L"", lines.back());
}
