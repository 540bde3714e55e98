#include <gtest/gtest.h>

#include "common/crash_report.h"
#include "common/handles.h"
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

TEST_F(CrashDump, NoDataFolderNoDump)
{
    // Without a version resource there is no data folder to write into.
    ExpectNoDump(L"fixture_noversion", ERROR_RESOURCE_DATA_NOT_FOUND);
    // A product name that cannot be a folder: the company folder is made, no dump.
    ExpectNoDump(L"fixture_badname", ERROR_INVALID_NAME);
    EXPECT_TRUE(ListFiles(m_company, L"*").empty());
}

TEST(CrashFilter, TestProgramWithoutVersionResourceReturnsZero)
{
    wchar_t name[MAX_PATH] = L"";
    EXPECT_FALSE(BuildDumpFileName(name));
    EXPECT_FALSE(BuildDumpFileName(nullptr));
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, CrashFilter(nullptr));
}

