// What the support library makes of a program's version resource: the data
// folder, the version lines and the crash dump. The data folder and the dump
// name come from the RUNNING program, so small fixture programs with their own
// resources run those parts in processes of their own.
#include <gtest/gtest.h>

#include "common/crash_report.h"
#include "common/handles.h"
#include "common/system_helpers.h"
#include "common/version_info.h"

#include <dbghelp.h>
#include <shlobj.h>

#include <regex>
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
    std::wstring path = ProgramPath();
    return path.erase(path.rfind(L'\\') + 1) + name + L".exe";
}

std::wstring LocalAppDataFolder()
{
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::vector<std::wstring> ListFiles(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

void RemoveFolderWithFiles(const std::wstring& folder)
{
    for (const std::wstring& name : ListFiles(folder, L"*"))
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

struct CFixtureResult
{
    bool ended = false;
    DWORD exitCode = 0;
    std::vector<std::wstring> lines; // of the output file
};

// Runs "<fixture>.exe <command> <output file>", waits for the process (not for
// any pipe) and reads the UTF-16 lines it wrote.
CFixtureResult RunFixture(const wchar_t* fixture, const wchar_t* command)
{
    CFixtureResult result;
    std::wstring program = Fixture(fixture);
    std::wstring output = program + L"_" + command + L".out";
    DeleteFileW(output.c_str());
    std::wstring commandLine = L"\"" + program + L"\" " + command + L" \"" + output + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return result;
    CHandle processHandle(process.hProcess);
    CHandle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        return result;
    }
    result.ended = true;
    GetExitCodeProcess(process.hProcess, &result.exitCode);

    std::wstring text;
    {
        CFileHandle file(CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD size = file ? GetFileSize(file.Get(), nullptr) : 0;
        text.resize(size / sizeof(wchar_t));
        DWORD read = 0;
        if (size && ReadFile(file.Get(), &text[0], size, &read, nullptr))
            text.resize(read / sizeof(wchar_t));
    }
    DeleteFileW(output.c_str());
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        result.lines.push_back(text.substr(start, end - start));
    }
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
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    CHandle mapping(file ? CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr);
    void* view = mapping ? MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
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

class FixtureProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        m_local = LocalAppDataFolder();
        ASSERT_FALSE(m_local.empty());
        m_company = m_local + L"\\Tarvik Tests";
        m_folder = m_company + L"\\Fixture App";
        TearDown();
    }
    void TearDown() override
    {
        RemoveFolderWithFiles(m_folder);
        RemoveFolderWithFiles(m_company);
    }

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
        ASSERT_TRUE(app.ended);
        ASSERT_EQ(3u, app.lines.size());
        EXPECT_EQ(L"1", app.lines[0]);
        EXPECT_EQ(m_folder, app.lines[2]);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(m_folder.c_str()));
    }
    // A company of spaces is left out; only spaces are trimmed, so the
    // product's leading tab stays and makes the name invalid.
    CFixtureResult console = RunFixture(L"fixture_console", L"datafolder");
    ASSERT_TRUE(console.ended);
    EXPECT_EQ((std::vector<std::wstring>{L"0", std::to_wstring(ERROR_INVALID_NAME),
                                         m_local + L"\\\tTarvik Console Fixture"}),
              console.lines);
}

TEST(VersionInfo, VersionLinesOfAReleaseAndAPreRelease)
{
    CAppVersionInfo app;
    std::wstring line;
    ASSERT_TRUE(app.Load(Fixture(L"fixture_app").c_str())) << GetLastError();
    ASSERT_TRUE(app.VersionLine(line));
    EXPECT_EQ(L"Version 2.1 (Build 49), 32-bit.", line); // Wine's prefix is WoW64
    ASSERT_TRUE(app.LegalNoticeLine(line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests.", line);
    ASSERT_TRUE(app.Load(Fixture(L"fixture_console").c_str()));
    ASSERT_TRUE(app.VersionLine(line));
    EXPECT_EQ(L"Version 1.1 (Build 5) [BETA], 32-bit.", line);

    CConsoleVersionInfo console;
    ASSERT_TRUE(console.Load(Fixture(L"fixture_console").c_str()));
    ASSERT_TRUE(console.TitleLine(line));
    EXPECT_EQ(L"Console fixture - Version 1.1 (build 5) [BETA], 32-bit.", line);
    // The console banner shows the notice whole.
    ASSERT_TRUE(console.GetString(L"LegalCopyright", line));
    EXPECT_EQ(L"Copyright (C) 2024 Tarvik Tests. Second sentence.", line);
    ASSERT_TRUE(console.Load(Fixture(L"fixture_app").c_str()));
    ASSERT_TRUE(console.TitleLine(line));
    EXPECT_EQ(L"Fixture app - Version 2.1 (build 49), 32-bit.", line);
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
    ASSERT_TRUE(run.ended);
    // The filter let the process end with the exception's code.
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), run.exitCode);

    ASSERT_EQ(2u, run.lines.size());
    EXPECT_EQ(L"hook", run.lines[0]);
    const std::wstring& path = run.lines[1];
    ASSERT_EQ(m_folder + L"\\", path.substr(0, m_folder.size() + 1));
    std::wstring name = path.substr(m_folder.size() + 1);
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(name, match,
                                 std::wregex(L"fixture_app\\.exe_2\\.1\\.49\\.6_x86_(\\d{4})-(\\d{2})-(\\d{2})"
                                             L"_(\\d{2})(\\d{2})(\\d{2})_(\\d{3})\\.dmp")))
        << name;
    SYSTEMTIME stamp = {};
    WORD* fields[] = {&stamp.wYear, &stamp.wMonth, &stamp.wDay, &stamp.wHour, &stamp.wMinute, &stamp.wSecond,
                      &stamp.wMilliseconds};
    for (size_t i = 0; i < std::size(fields); ++i)
        *fields[i] = static_cast<WORD>(std::stoi(match[i + 1].str()));
    EXPECT_LE(before - before % 10000, LocalTicks(&stamp));
    EXPECT_GE(after, LocalTicks(&stamp));

    // The hook was given the file that is there, and it is the only one.
    EXPECT_EQ(std::vector<std::wstring>{name}, ListFiles(m_folder, L"*.dmp"));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), DumpedExceptionCode(path));
}

TEST_F(FixtureProgram, NoDataFolderNoDump)
{
    CFixtureResult run = RunFixture(L"fixture_console", L"filter");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ((std::vector<std::wstring>{L"0", std::to_wstring(ERROR_INVALID_NAME)}), run.lines);
    EXPECT_TRUE(ListFiles(m_local, L"*.dmp").empty());
}
