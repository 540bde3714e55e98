#include <gtest/gtest.h>

#include "common/crash_report.h"
#include "common/handles.h"
#include "common/resource_string.h"
#include "resources/resource.h"
#include "tests/common/fixture_process.h"

#include <dbghelp.h>

#include <regex>
#include <string>
#include <vector>

namespace {

ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

// The exception code the dump records, or 0 when the file is no minidump or
// has no exception stream.
DWORD DumpedExceptionCode(const std::wstring& path)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    CHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return 0;
    void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return 0;
    DWORD code = 0;
    MINIDUMP_DIRECTORY* directory = nullptr;
    void* stream = nullptr;
    ULONG size = 0;
    if (MiniDumpReadDumpStream(view, ExceptionStream, &directory, &stream, &size) && stream)
        code = static_cast<MINIDUMP_EXCEPTION_STREAM*>(stream)->ExceptionRecord.ExceptionCode;
    UnmapViewOfFile(view);
    return code;
}

// The stamp "yyyy-mm-dd_hhmmss_mmm" of a dump name as a local time.
SYSTEMTIME StampTime(const std::wsmatch& match)
{
    SYSTEMTIME time = {};
    WORD* fields[] = {&time.wYear, &time.wMonth, &time.wDay, &time.wHour, &time.wMinute, &time.wSecond,
                      &time.wMilliseconds};
    for (size_t i = 0; i < std::size(fields); ++i)
        *fields[i] = static_cast<WORD>(std::stoi(match[i + 1].str()));
    return time;
}

class CrashDump : public testing::Test
{
protected:
    void SetUp() override
    {
        std::wstring local = LocalAppDataFolder();
        ASSERT_FALSE(local.empty());
        m_company = local + L"\\Tarvik Tests";
        m_folder = m_company + L"\\Fixture App";
        RemoveFolderWithFiles(m_folder);
    }
    void TearDown() override
    {
        RemoveFolderWithFiles(m_folder);
        RemoveFolderWithFiles(m_company);
    }

    std::wstring m_company;
    std::wstring m_folder;
};

// A fixture whose filter could not write: it answers 0 and the error.
void ExpectNoDump(const wchar_t* fixture, DWORD error)
{
    CFixtureResult run = RunFixture(fixture, L"filter");
    EXPECT_TRUE(run.ended) << fixture;
    EXPECT_EQ(0u, run.exitCode) << fixture;
    EXPECT_EQ((std::vector<std::wstring>{L"0", std::to_wstring(error)}), run.lines) << fixture;
}

std::wstring Repeat(const wchar_t* word, int count)
{
    std::wstring words;
    for (int i = 0; i < count; ++i)
        words += word;
    return words;
}

const std::wregex DumpName(
    L"fixture_app\\.exe_2\\.1\\.49\\.6_x86_(\\d{4})-(\\d{2})-(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_(\\d{3})\\.dmp");

} // namespace

TEST_F(CrashDump, UnhandledAccessViolationWritesANamedMinidump)
{
    SYSTEMTIME before = LocalNow();
    CFixtureResult run = RunFixture(L"fixture_app", L"crash");
    SYSTEMTIME after = LocalNow();
    ASSERT_TRUE(run.ended);
    // The filter let the process end with the exception's code.
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), run.exitCode);

    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_EQ(L"hook", run.lines[0]);
    const std::wstring& path = run.lines[1];
    ASSERT_EQ(m_folder + L"\\", path.substr(0, m_folder.size() + 1));
    std::wstring name = path.substr(m_folder.size() + 1);
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(name, match, DumpName)) << name;
    ULONGLONG stamp = Ticks(StampTime(match));
    EXPECT_LE(Ticks(before) - Ticks(before) % 10000, stamp);
    EXPECT_GE(Ticks(after), stamp);

    // The hook was given the file that is there, and it is the only one.
    std::vector<std::wstring> dumps = ListFiles(m_folder, L"*.dmp");
    ASSERT_EQ(1u, dumps.size());
    EXPECT_EQ(name, dumps[0]);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), DumpedExceptionCode(path));
}

TEST_F(CrashDump, FilterCalledDirectlyWritesAndReturnsOne)
{
    CFixtureResult run = RunFixture(L"fixture_app", L"filter");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_GE(run.lines.size(), 1u);
    EXPECT_EQ(L"1", run.lines[0]);
    std::vector<std::wstring> dumps = ListFiles(m_folder, L"*.dmp");
    ASSERT_EQ(1u, dumps.size());
    EXPECT_TRUE(std::regex_match(dumps[0], DumpName)) << dumps[0];
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION),
              DumpedExceptionCode(m_folder + L"\\" + dumps[0]));
}

TEST_F(CrashDump, NoDataFolderNoDump)
{
    // Without a version resource there is no data folder to write into.
    ExpectNoDump(L"fixture_noversion", ERROR_RESOURCE_DATA_NOT_FOUND);
    // A product name that cannot be a folder: the company folder is made, no dump.
    ExpectNoDump(L"fixture_badname", ERROR_INVALID_NAME);
    EXPECT_TRUE(ListFiles(m_company, L"*").empty());
}

TEST(CrashFilter, NameLongerThanAPathGivesNoDump)
{
    // The data folder fits in a path; the folder and the dump name together
    // do not.
    const std::wstring company =
        LocalAppDataFolder() + L"\\Tarvik Tests " + Repeat(L"Company ", 10) + L"Name";
    const std::wstring folder = company + L"\\Fixture " + Repeat(L"Product ", 10) + L"Long";
    ASSERT_LT(folder.size(), 248u);
    ASSERT_GE(folder.size() + std::wstring(L"\\fixture_longname.exe_1.0.0.0_x86_2026-01-01_000000_000.dmp").size(),
              static_cast<size_t>(MAX_PATH));

    ExpectNoDump(L"fixture_longname", ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(ListFiles(folder, L"*").empty());
    RemoveFolderWithFiles(folder);
    RemoveFolderWithFiles(company);
}

TEST(CrashFilter, TestProgramWithoutVersionResourceReturnsZero)
{
    wchar_t name[MAX_PATH] = L"";
    EXPECT_FALSE(BuildDumpFileName(name));
    EXPECT_FALSE(BuildDumpFileName(nullptr));
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, CrashFilter(nullptr));
}

namespace {

// What a test saw of the report window a fixture showed.
struct CReportSeen
{
    bool found = false;
    std::wstring caption;
    std::vector<std::wstring> texts; // of the window's controls
};

std::wstring WindowText(HWND window)
{
    wchar_t text[512] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return text;
}

BOOL CALLBACK CollectText(HWND control, LPARAM data)
{
    std::wstring text = WindowText(control);
    if (!text.empty())
        reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(text);
    return TRUE;
}

// Waits for the report window of the fixture, reads it and presses OK.
CReportSeen ReadAndCloseReport(DWORD processId)
{
    CReportSeen seen;
    HWND window = WaitForDialog(processId);
    if (!window)
        return seen;
    seen.found = true;
    seen.caption = WindowText(window);
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&seen.texts));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return seen;
}

bool HasText(const CReportSeen& seen, const std::wstring& text)
{
    for (const std::wstring& shown : seen.texts) {
        if (shown == text)
            return true;
    }
    return false;
}

const wchar_t ReportedDumpPath[] = L"C:\\dumps\\fixture 100%s.dmp";

// Runs a fixture that reports a crash, reads its window and closes it.
CReportSeen RunReport(const wchar_t* command)
{
    CReportSeen seen;
    CFixtureResult run = RunFixture(L"fixture_app", command,
                                    [&](DWORD processId) { seen = ReadAndCloseReport(processId); });
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(L"fixture_app.exe", seen.caption);
    // Afterwards the program's message loop is told to end with -1.
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"-1"}), run.lines);
    return seen;
}

} // namespace

TEST(ReportCrash, MessageBoxWhereTheTaskDialogIsMissing)
{
    // Nothing has loaded the common controls: the report falls back to the box.
    CReportSeen seen = RunReport(L"report");
    std::wstring expected = FormatResourceString(IDS_CRASH_MESSAGE, ReportedDumpPath);
    EXPECT_EQ(std::wstring(L"\nCrash dump filename:\n") + ReportedDumpPath,
              expected.substr(expected.rfind(L"\n\n") + 1));
    EXPECT_TRUE(HasText(seen, expected)) << "texts: " << seen.texts.size();
}

TEST(ReportCrash, TaskDialogOnceTheCommonControlsAreLoaded)
{
    CReportSeen seen = RunReport(L"reportdialog");
    std::wstring instruction;
    ASSERT_TRUE(LoadResourceString(IDS_CRASH_INSTRUCTION, instruction));
    EXPECT_TRUE(HasText(seen, instruction));
    // The box's one text is not what the dialog shows.
    EXPECT_FALSE(HasText(seen, FormatResourceString(IDS_CRASH_MESSAGE, ReportedDumpPath)));
}
