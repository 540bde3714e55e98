// What the support library makes of a program's version resource: the data
// folder, the version lines and the crash dump. The data folder and the dump
// name come from the RUNNING program, so small fixture programs with their own
// resources run those parts in processes of their own.
#include <gtest/gtest.h>

#include "common/crash_report.h"
#include "common/data_folder.h"
#include "common/resource_string.h"
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

std::wstring Fixture(const wchar_t* name)
{
    return ProgramFolder() + name + L".exe";
}

// Runs "<fixture>.exe <command> <output file>", waits for the process (not for
// any pipe): its exit code, then the UTF-16 lines it wrote.
std::vector<std::wstring> RunFixture(const wchar_t* fixture, const wchar_t* command)
{
    const std::wstring program = Fixture(fixture), output = program + L"_" + command + L".out";
    DeleteFileW(output.c_str());
    std::vector<std::wstring> lines{
        std::to_wstring(Run(CommandLine(program, command + (L" \"" + output + L"\"")), 60000))};
    std::wistringstream text(Utf16Text(ReadBytes(output)));
    DeleteFileW(output.c_str());
    for (std::wstring line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

// The local time now as a dump's name shows it; such names sort as their times.
std::wstring LocalStamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return FormatText(L"%04u-%02u-%02u_%02u%02u%02u_%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond, t.wMilliseconds);
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
        m_folder = m_local + L"\\Tarvik Tests\\Fixture App";
        TearDown();
    }
    void TearDown() override { RemoveTree(m_local + L"\\Tarvik Tests"); }

    std::wstring m_local, m_folder;
};

} // namespace

TEST_F(FixtureProgram, DataFolderFromTheVersionResource)
{
    // Made, then found made again: exit code, result, last error, path.
    for (int run = 0; run < 2; ++run) {
        const std::vector<std::wstring> app = RunFixture(L"fixture_app", L"datafolder");
        ASSERT_EQ(4u, app.size());
        EXPECT_EQ(L"0", app[0]);
        EXPECT_EQ(L"1", app[1]);
        EXPECT_EQ(m_folder, app[3]);
        EXPECT_TRUE(FolderExists(m_folder));
    }
    // A company of spaces is left out; only spaces are trimmed, so the
    // product's leading tab stays and makes the name invalid.
    const std::wstring invalid = std::to_wstring(ERROR_INVALID_NAME);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"0", L"0", invalid, m_local + L"\\\tTarvik Console Fixture"}),
        RunFixture(L"fixture_console", L"datafolder"));
    // With no data folder the crash filter writes no dump.
    EXPECT_EQ((std::vector<std::wstring>{L"0", L"0", invalid}),
              RunFixture(L"fixture_console", L"filter"));
    EXPECT_TRUE(Dumps(m_local).empty());
}

// The bitness note belongs to a 32-bit process on 64-bit Windows only: the
// 32-bit build in Wine's WoW64 prefix has it, the 64-bit build has none.
TEST(VersionInfo, VersionLinesOfAReleaseAndAPreRelease)
{
    BOOL wow64 = FALSE;
    const std::wstring note =
        IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? L", 32-bit." : L"";
    // The fixture, the tray program's version line and the console's title line.
    const wchar_t* const cases[][3] = {
        {L"fixture_app", L"Version 2.1 (Build 49)", L"Fixture app - Version 2.1 (build 49)"},
        {L"fixture_console", L"Version 1.1 (Build 5) [BETA]",
         L"Console fixture - Version 1.1 (build 5) [BETA]"},
    };
    CAppVersionInfo app;
    CConsoleVersionInfo console;
    std::wstring line;
    for (const auto& c : cases) {
        ASSERT_TRUE(app.Load(Fixture(c[0]).c_str())) << GetLastError();
        ASSERT_TRUE(app.VersionLine(line));
        EXPECT_EQ(c[1] + note, line);
        ASSERT_TRUE(console.Load(Fixture(c[0]).c_str()));
        ASSERT_TRUE(console.TitleLine(line));
        EXPECT_EQ(c[2] + note, line);
    }
    // The tray program's notice ends at its first period; the console banner
    // shows it whole.
    ASSERT_TRUE(app.LegalNoticeLine(line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests.", line);
    ASSERT_TRUE(console.GetString(L"LegalCopyright", line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests. Second sentence.", line);
}

// This test program carries no version resource of its own. Nothing of the
// earlier file survives a failed load.
TEST(VersionInfo, ProgramWithoutVersionResource)
{
    CConsoleVersionInfo info;
    ASSERT_TRUE(info.Load(Fixture(L"fixture_app").c_str()));
    std::wstring folder, text = L"unchanged";
    SetLastError(0);
    EXPECT_FALSE(info.Load(ModuleFileName().c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    EXPECT_FALSE(info.TitleLine(text));
    EXPECT_EQ(L"unchanged", text);
    SetLastError(0);
    EXPECT_FALSE(GetDataFolder(folder));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());
    wchar_t dumpName[MAX_PATH];
    EXPECT_FALSE(BuildDumpFileName(dumpName));
}

// Each failure leaves one dump, named after the program, its version and
// architecture and the local time, written by the thread made at start-up
// and handed to the hook; the process ends with the exception's code. A
// stack overflow leaves the failing thread almost no stack, and still
// gets its dump; an uncaught C++ exception takes the same road.
TEST_F(FixtureProgram, UnhandledExceptionsWriteANamedMinidump)
{
    const std::pair<const wchar_t*, DWORD> failures[] = {
        {L"crash", static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION)},
        {L"overflow", static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW)},
        {L"throw", kUncaughtCppException}};
    for (const auto& [command, code] : failures) {
        SCOPED_TRACE(command);
        const std::wstring before = LocalStamp();
        const std::vector<std::wstring> run = RunFixture(L"fixture_app", command);
        const std::wstring after = LocalStamp();
        // The filter let the process end with the exception's code.
        ASSERT_EQ(3u, run.size());
        EXPECT_EQ(std::to_wstring(code), run[0]);
        EXPECT_EQ(L"hook", run[1]);
        const std::wstring& path = run[2];
        ASSERT_EQ(m_folder + L"\\", path.substr(0, m_folder.size() + 1));
        std::wstring name = path.substr(m_folder.size() + 1);
        // The architecture part names the one the debugger needs.
        const std::wstring architecture = sizeof(void*) == 8 ? L"x64" : L"x86";
        std::wsmatch match;
        ASSERT_TRUE(
            std::regex_match(name, match,
                             std::wregex(L"fixture_app\\.exe_2\\.1\\.49\\.6_" + architecture +
                                         L"_(\\d{4}-\\d{2}-\\d{2}_\\d{6}_\\d{3})\\.dmp")))
            << name;
        // Stamped with the local time of the crash.
        EXPECT_LE(before, match[1].str());
        EXPECT_GE(after, match[1].str());

        // The hook was given the file that is there, and it is the only one.
        EXPECT_EQ(std::vector<std::wstring>{name}, Dumps(m_folder));
        EXPECT_EQ(code, DumpedExceptionCode(path));
        DeleteFileW(path.c_str());
    }
}
