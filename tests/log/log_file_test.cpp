#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/version_info.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "tests/log/log_test_file.h"

namespace
{
const std::wstring kSeparator(80, L'-');

bool StartsWithByteOrderMark(const std::string& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// Every line break is CR LF: no lone CR or LF.
void ExpectOnlyCrLf(const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "lone LF at " << i;
        }
        if (text[i] == L'\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "lone CR at " << i;
        }
    }
}

// The header of a new file, then a stamped "Starting"; returns the lines
// that follow.
std::vector<std::wstring> ExpectHeader(const CTestLogFile& file)
{
    std::string bytes = file.Bytes();
    EXPECT_TRUE(StartsWithByteOrderMark(bytes));
    std::wstring text = file.Text(2);
    ExpectOnlyCrLf(text);
    EXPECT_EQ(std::wstring::npos, text.find(L'\xFEFF'));

    std::wstring version;
    std::wstring legal;
    {
        CAppVersionInfo info;
        EXPECT_TRUE(info.VersionLine(version));
        EXPECT_TRUE(info.LegalNoticeLine(legal));
    }
    // The test program's own version resource, first sentence only.
    EXPECT_EQ(L"Copyright (C) 2026 Tarvik.", legal);
    EXPECT_EQ(0u, version.find(L"Version 1.2 (Build 3)"));

    std::vector<std::wstring> lines = SplitLines(text);
    EXPECT_GE(lines.size(), 7u);
    if (lines.size() < 7)
        return {};
    EXPECT_EQ(L"Tarvik", lines[0]);
    EXPECT_EQ(version, lines[1]);
    EXPECT_EQ(legal, lines[2]);
    EXPECT_EQ(L"", lines[3]);
    EXPECT_EQ(kSeparator, lines[4]);
    EXPECT_EQ(L"Starting", WithoutStamp(lines[5]));
    EXPECT_NE(0u, lines[5].find(L"  ")); // a stamp comes first
    return std::vector<std::wstring>(lines.begin() + 6, lines.end());
}
}

TEST(LogFile, NewFileBeginsWithTheHeader)
{
    CTestLogFile file(L"new");
    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    std::vector<std::wstring> rest = ExpectHeader(file);
    EXPECT_EQ(std::vector<std::wstring>{L""}, rest); // ends with CR LF, nothing more
}

TEST(LogFile, RestartAppendsSeparatorAndStartingOnly)
{
    CTestLogFile file(L"restart");
    StartLog(file.Path());
    StopLog();
    size_t firstRun = file.Size();

    StartLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    std::string bytes = file.Bytes();
    ASSERT_GT(bytes.size(), firstRun);
    EXPECT_FALSE(StartsWithByteOrderMark(bytes.substr(firstRun)));
    std::wstring appended = file.Text(firstRun);
    ExpectOnlyCrLf(appended);
    std::vector<std::wstring> lines = SplitLines(appended);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(kSeparator, lines[0]);
    EXPECT_EQ(L"Starting", WithoutStamp(lines[1]));
    EXPECT_EQ(L"", lines[2]);

    // The first run is left as it was, ending in "Stopping".
    std::vector<std::wstring> first = ExpectHeader(file);
    ASSERT_GE(first.size(), 1u);
    EXPECT_EQ(L"Stopping", WithoutStamp(first[0]));
}

TEST(LogFile, ResetEmptiesTheFileAndWritesTheHeaderAgain)
{
    CTestLogFile file(L"reset");
    StartLog(file.Path());
    Logger().LogText(L"an event before the reset");
    CloseLog();
    EXPECT_FALSE(Logger().IsOpen());

    ResetLog(file.Path());
    ASSERT_TRUE(Logger().IsOpen());
    EXPECT_EQ(std::vector<std::wstring>{L""}, ExpectHeader(file));
    Logger().LogText(L"after");
    std::vector<std::wstring> rest = ExpectHeader(file);
    ASSERT_EQ(2u, rest.size());
    EXPECT_EQ(L"after", WithoutStamp(rest[0]));
}

namespace
{
DWORD WINAPI ReleaseLater(void* handle)
{
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}
}

// A takeover start waits for the copy that still holds the log.
TEST(LogFile, WaitForReleaseWaitsWhileAnotherHolderWrites)
{
    CTestLogFile file(L"handover");
    EXPECT_TRUE(WaitForLogRelease(file.Path(), 0)); // no file yet
    StartLog(file.Path());
    StopLog();
    HANDLE holder = CreateFileW(file.Path(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(WaitForLogRelease(file.Path(), 100));
    HANDLE release = CreateThread(nullptr, 0, ReleaseLater, holder, 0, nullptr);
    ASSERT_NE(nullptr, release);
    EXPECT_TRUE(WaitForLogRelease(file.Path(), 5000));
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
}
