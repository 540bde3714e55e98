// The log on disk: its header, a restart, a reset, writes while closed, the
// error lines, the stamp under the locale ctest gives, and the hand-over wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/handles.h"
#include "common/version_info.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "resources/resource.h"
#include "tests/support/calendar.h"
#include "tests/support/log_file.h"
#include "tests/support/log_lines.h"
#include "tests/support/system_text.h"

namespace {
using Lines = std::vector<std::wstring>;
const std::wstring kSeparator(80, L'-');

// The lines from byte `from` on; every line break is CR LF (no lone CR or LF
// is left inside a line), and no byte-order mark follows the first.
Lines LinesFrom(const CTestLogFile& file, size_t from)
{
    Lines lines = SplitLines(file.Text(from));
    for (const std::wstring& line : lines)
        EXPECT_EQ(std::wstring::npos, line.find_first_of(L"\r\n\xFEFF")) << line;
    return lines;
}

// The header of a new file, then a stamped "Starting"; returns the lines that follow.
Lines ExpectHeader(const CTestLogFile& file)
{
    EXPECT_EQ("\xFF\xFE", file.Bytes().substr(0, 2));
    std::wstring version, legal;
    CAppVersionInfo info;
    EXPECT_TRUE(info.VersionLine(version) && info.LegalNoticeLine(legal));
    Lines lines = LinesFrom(file, 2);
    lines.resize(std::max<size_t>(lines.size(), 7));
    EXPECT_NE(0u, lines[5].find(L"  ")); // a stamp comes first
    lines[5] = WithoutStamp(lines[5]);
    EXPECT_EQ((Lines{L"Tarvik", version, legal, L"", kSeparator, L"Starting"}),
              Lines(lines.begin(), lines.begin() + 6));
    return Lines(lines.begin() + 6, lines.end());
}
} // namespace

TEST(LogFile, NewRestartedClosedAndResetFiles)
{
    CTestLogFile file(L"new");
    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    EXPECT_EQ(Lines{L""}, ExpectHeader(file)); // ends with CR LF, nothing more
    StopLog();

    // A restart appends the separator and "Starting" only, without a byte-order mark.
    const size_t firstRun = file.Size();
    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    Lines appended = LinesFrom(file, firstRun);
    ASSERT_EQ(3u, appended.size());
    appended[1] = WithoutStamp(appended[1]);
    EXPECT_EQ((Lines{kSeparator, L"Starting", L""}), appended);
    const Lines first = ExpectHeader(file);
    ASSERT_GE(first.size(), 1u);
    EXPECT_EQ(L"Stopping", WithoutStamp(first[0]));

    // Closed, every write fails and writes nothing.
    CloseLog();
    EXPECT_FALSE(Logger().IsOpen());
    const std::string closed = file.Bytes();
    EXPECT_FALSE(Logger().LogText(L"text"));
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Logger().LogLastError(IDS_LOG_SUSPEND_FAILED));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(closed, file.Bytes());

    // A reset empties the file and writes the header again.
    ResetLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    Logger().LogText(L"after");
    EXPECT_EQ(L"after", WithoutStamp(ExpectHeader(file).at(0)));
    EXPECT_EQ(8u, LinesFrom(file, 2).size());
}

// Run under two locales by ctest (en-US and de-DE): a stamp is the user's short
// date, one space, a 24-hour time with no day-period marker, and two spaces.
TEST(TimeStamp, EveningIsWrittenOnTheTwentyFourHourClock)
{
    wchar_t given[64] = L"", locale[LOCALE_NAME_MAX_LENGTH] = L"";
    GetEnvironmentVariableW(L"LC_ALL", given, 64); // "de_DE.UTF-8"
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SNAME, locale, LOCALE_NAME_MAX_LENGTH);
    ASSERT_TRUE(!given[0] ||
                std::wstring(given).substr(0, 5) == std::wstring(locale).replace(2, 1, L"_"))
        << "the locale given through LC_ALL is not in force: " << locale;

    SYSTEMTIME time = At(2026, 12, 5, 21, 30, 5);
    wchar_t buffer[kStampLength];
    const int length = FormatTimeStamp(time, buffer);
    const std::wstring stamp = buffer;
    EXPECT_EQ(static_cast<size_t>(length), stamp.size());
    wchar_t date[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, date, 128, nullptr);
    ASSERT_NE(L'\0', date[0]);
    EXPECT_EQ(std::wstring(date) + L" 21:30:05  ", stamp);
}

// Code 0 ends like a plain line; a code the system cannot describe follows the
// text directly; a described one brings the trimmed system text on its own.
TEST(LogLines, ErrorLinesEndByWhatTheSystemKnowsOfTheCode)
{
    ASSERT_TRUE(SystemText(12345).empty()) << "the system describes 12345 here";
    const std::wstring text = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());
    CTestLogFile file(L"lines");
    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    const size_t start = file.Size();

    SetLastError(0);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_TIMER_SET));
    SetLastError(12345);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_TIMER_SET));
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Logger().LogLastError(IDS_LOG_SUSPEND_FAILED));
    // The caller can still report the failure after logging it.
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    const Lines lines = LinesFrom(file, start);
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ(L"Error: unable to activate the waitable timer", WithoutStamp(lines[0]));
    EXPECT_EQ(L"Error: unable to activate the waitable timer (12345)", WithoutStamp(lines[1]));
    EXPECT_EQ(L"Error:  unable to suspend the system", WithoutStamp(lines[2]));
    EXPECT_EQ(L"\t\t" + text + L" (5)", lines[3]);
    EXPECT_EQ(L"", lines[4]);
}

namespace {
DWORD WINAPI ReleaseLater(void* handle)
{
    const CFileHandle holder(static_cast<HANDLE>(handle));
    Sleep(300);
    return 0;
}
} // namespace

// A takeover start waits for the copy that still holds the log.
TEST(LogFile, WaitForReleaseWaitsWhileAnotherHolderWrites)
{
    CTestLogFile file(L"handover");
    EXPECT_TRUE(WaitForLogRelease(file.Path(), 0)); // no file yet
    StartLog(file.Path());
    StopLog();
    CFileHandle holder(CreateFileW(file.Path(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, holder.Get());
    EXPECT_FALSE(WaitForLogRelease(file.Path(), 100));
    CHandle release(CreateThread(nullptr, 0, ReleaseLater, holder.Get(), 0, nullptr));
    ASSERT_NE(nullptr, release.Get());
    holder.Release(); // the thread closes it
    EXPECT_TRUE(WaitForLogRelease(file.Path(), 5000));
    WaitForSingleObject(release.Get(), INFINITE);
}
