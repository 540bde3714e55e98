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
}

// Run under two locales by ctest (en-US and de-DE): a stamp is the user's short
// date, one space, a 24-hour time with no day-period marker, and two spaces.
TEST(TimeStamp, EveningIsWrittenOnTheTwentyFourHourClock)
{
    std::wstring locale = LocaleName();
    // Otherwise the second run would only repeat the first.
    std::wstring given = GivenLocale();
    if (!given.empty()) {
        ASSERT_EQ(given, locale) << "the locale given through LC_ALL is not in force";
    }
    SYSTEMTIME time = At(2026, 12, 5, 21, 30, 5);
    wchar_t buffer[kStampLength];
    int length = FormatTimeStamp(time, buffer);
    std::wstring stamp = buffer;
    EXPECT_EQ(static_cast<size_t>(length), stamp.size());
    wchar_t date[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, date, 128, nullptr);
    ASSERT_NE(L'\0', date[0]);
    EXPECT_EQ(std::wstring(date) + L" 21:30:05  ", stamp);
    if (locale == L"de-DE") {
        EXPECT_TRUE(std::regex_match(stamp, std::wregex(L"0?5\\.12\\.2026 21:30:05  "))) << stamp;
    }
    if (locale == L"en-US") {
        EXPECT_TRUE(std::regex_match(stamp, std::wregex(L"12/0?5/2026 21:30:05  "))) << stamp;
    }
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
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.Path()));

}
