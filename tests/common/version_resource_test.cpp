// What the support library makes of a program's version resource: the data
// folder, the version lines and the crash dump. The data folder and the dump
// name come from the RUNNING program, so small fixture programs with their own
// resources run those parts in processes of their own.
#include <gtest/gtest.h>

#include "common/crash_report.h"
#include "common/system_helpers.h"
#include "common/version_info.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

#include <dbghelp.h>
#include <shlobj.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

std::wstring Fixture(const wchar_t* name)
{
    return ProgramFolder() + name + L".exe";
}

struct CFixtureResult
{
    DWORD exitCode = kNoExitCode;
    std::vector<std::wstring> lines; // of the output file
};

// Runs "<fixture>.exe <command> <output file>", waits for the process (not for
// any pipe) and reads the UTF-16 lines it wrote.
CFixtureResult RunFixture(const wchar_t* fixture, const wchar_t* command)
{
    CFixtureResult result;
    std::wstring program = Fixture(fixture), output = program + L"_" + command + L".out";
    DeleteFileW(output.c_str());
    result.exitCode = Run(CommandLine(program, command + (L" \"" + output + L"\"")), 60000);
    std::wistringstream lines(Utf16Text(ReadBytes(output)));
    DeleteFileW(output.c_str());
    for (std::wstring line; std::getline(lines, line);)
        result.lines.push_back(line);
    return result;
}

ULONGLONG LocalTicks(const SYSTEMTIME* time = nullptr)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(time ? time : &now, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

// The exception code a minidump records; 0 when it is none or has no exception.
DWORD DumpedExceptionCode(const std::wstring& path)
{
    std::string dump = ReadBytes(path);
    MINIDUMP_DIRECTORY* directory = nullptr;
    void* stream = nullptr;
    ULONG size = 0;
    if (dump.empty() ||
        !MiniDumpReadDumpStream(&dump[0], ExceptionStream, &directory, &stream, &size) || !stream)
        return 0;
    return static_cast<MINIDUMP_EXCEPTION_STREAM*>(stream)->ExceptionRecord.ExceptionCode;
}

class FixtureProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t path[MAX_PATH] = L"";
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
        m_local = path;
        ASSERT_FALSE(m_local.empty());
        m_company = m_local + L"\\Tarvik Tests";
        m_folder = m_company + L"\\Fixture App";
        TearDown();
    }
    void TearDown() override { RemoveTree(m_company); }

    std::wstring m_local;
    std::wstring m_company;
    std::wstring m_folder;
};

} // namespace

TEST_F(FixtureProgram, DataFolderFromTheVersionResource)
{
    // Made, then found made again.
    for (int run = 0; run < 2; ++run) {
        CFixtureResult app = RunFixture(L"fixture_app", L"datafolder");
        EXPECT_EQ(0u, app.exitCode);
        ASSERT_EQ(3u, app.lines.size());
        EXPECT_EQ(L"1", app.lines[0]);
        EXPECT_EQ(m_folder, app.lines[2]);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(m_folder.c_str()));
    }
    // A company of spaces is left out; only spaces are trimmed, so the
    // product's leading tab stays and makes the name invalid.
    CFixtureResult console = RunFixture(L"fixture_console", L"datafolder");
    EXPECT_EQ(0u, console.exitCode);
    EXPECT_EQ((std::vector<std::wstring>{L"0", std::to_wstring(ERROR_INVALID_NAME),
                                         m_local + L"\\\tTarvik Console Fixture"}),
              console.lines);
}

// The bitness note belongs to a 32-bit process on 64-bit Windows only: the
// 32-bit build in Wine's WoW64 prefix has it, the 64-bit build has none.
TEST(VersionInfo, VersionLinesOfAReleaseAndAPreRelease)
{
    BOOL wow64 = FALSE;
    const std::wstring note =
        IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? L", 32-bit." : L"";
    CAppVersionInfo app;
    std::wstring line;
    ASSERT_TRUE(app.Load(Fixture(L"fixture_app").c_str())) << GetLastError();
    ASSERT_TRUE(app.VersionLine(line));
    EXPECT_EQ(L"Version 2.1 (Build 49)" + note, line);
    ASSERT_TRUE(app.LegalNoticeLine(line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests.", line);
    ASSERT_TRUE(app.Load(Fixture(L"fixture_console").c_str()));
    ASSERT_TRUE(app.VersionLine(line));
    EXPECT_EQ(L"Version 1.1 (Build 5) [BETA]" + note, line);

    CConsoleVersionInfo console;
    ASSERT_TRUE(console.Load(Fixture(L"fixture_console").c_str()));
    ASSERT_TRUE(console.TitleLine(line));
    EXPECT_EQ(L"Console fixture - Version 1.1 (build 5) [BETA]" + note, line);
    // The console banner shows the notice whole.
    ASSERT_TRUE(console.GetString(L"LegalCopyright", line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests. Second sentence.", line);
    ASSERT_TRUE(console.Load(Fixture(L"fixture_app").c_str()));
    ASSERT_TRUE(console.TitleLine(line));
    EXPECT_EQ(L"Fixture app - Version 2.1 (build 49)" + note, line);
}

// This test program carries no version resource of its own.
TEST(VersionInfo, ProgramWithoutVersionResource)
{
    CConsoleVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_app").c_str()));
    SetLastError(0);
    EXPECT_FALSE(info.Load(ProgramPath().c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    // Nothing of the earlier file survives a failed load.
    EXPECT_EQ(0, info.Major());
    EXPECT_EQ(0u, info.dwSignature);
    const wchar_t* value = nullptr;
    UINT length = 0;
    SetLastError(0);
    EXPECT_FALSE(info.QueryString(L"ProductName", &value, &length));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    std::wstring text = L"unchanged";
    SetLastError(0);
    EXPECT_FALSE(info.GetString(L"FileDescription", text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_FALSE(info.TitleLine(text));
    EXPECT_EQ(L"unchanged", text);
    EXPECT_FALSE(info.Load(nullptr));

    wchar_t path[MAX_PATH];
    SetLastError(0);
    EXPECT_FALSE(GetDataFolder(path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    EXPECT_FALSE(GetDataFolder(nullptr));
    EXPECT_FALSE(BuildDumpFileName(path));
}

TEST_F(FixtureProgram, UnhandledAccessViolationWritesANamedMinidump)
{
    ULONGLONG before = LocalTicks();
    CFixtureResult run = RunFixture(L"fixture_app", L"crash");
    ULONGLONG after = LocalTicks();
    // The filter let the process end with the exception's code.
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), run.exitCode);

    ASSERT_EQ(2u, run.lines.size());
    EXPECT_EQ(L"hook", run.lines[0]);
    const std::wstring& path = run.lines[1];
    ASSERT_EQ(m_folder + L"\\", path.substr(0, m_folder.size() + 1));
    std::wstring name = path.substr(m_folder.size() + 1);
    // The architecture part names the one the debugger needs.
    const std::wstring architecture = sizeof(void*) == 8 ? L"x64" : L"x86";
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(
        name, match,
        std::wregex(L"fixture_app\\.exe_2\\.1\\.49\\.6_" + architecture +
                    L"_(\\d{4})-(\\d{2})-(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_(\\d{3})\\.dmp")))
        << name;
    SYSTEMTIME stamp = {};
    WORD* fields[] = {&stamp.wYear,   &stamp.wMonth,  &stamp.wDay,         &stamp.wHour,
                      &stamp.wMinute, &stamp.wSecond, &stamp.wMilliseconds};
    for (size_t i = 0; i < std::size(fields); ++i)
        *fields[i] = static_cast<WORD>(std::stoi(match[i + 1].str()));
    EXPECT_LE(before - before % 10000, LocalTicks(&stamp));
    EXPECT_GE(after, LocalTicks(&stamp));

    // The hook was given the file that is there, and it is the only one.
    EXPECT_EQ(std::vector<std::wstring>{name}, Dumps(m_folder));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), DumpedExceptionCode(path));
}

TEST_F(FixtureProgram, NoDataFolderNoDump)
{
    CFixtureResult run = RunFixture(L"fixture_console", L"filter");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ((std::vector<std::wstring>{L"0", std::to_wstring(ERROR_INVALID_NAME)}), run.lines);
    EXPECT_TRUE(Dumps(m_local).empty());
}
