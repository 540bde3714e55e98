// The real suspend.exe, run with its standard output on a pipe: exact bytes
// and exit codes. Only under Wine, whose SetSuspendState suspends nothing.
#include "common/version_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring ToolPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"suspend.exe";
}

struct CRun
{
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

class COwnedHandle
{
public:
    explicit COwnedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~COwnedHandle() { Reset(); }
    COwnedHandle(const COwnedHandle&) = delete;
    COwnedHandle& operator=(const COwnedHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    HANDLE* Receive() { return &m_handle; }
    void Reset()
    {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};

void Drain(HANDLE pipe, std::string& text)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!ReadFile(pipe, &chunk[0], available, &read, nullptr) || read == 0)
            return;
        text.append(chunk, 0, read);
    }
}

// Runs the tool with `arguments`. Waits on the process, never on the end of
// its pipes: Wine's own service processes may hold inherited ends for ever.
CRun RunTool(const std::wstring& arguments)
{
    CRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    COwnedHandle outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(outRead.Receive(), outWrite.Receive(), &inherit, 1 << 16) ||
        !CreatePipe(errRead.Receive(), errWrite.Receive(), &inherit, 1 << 16))
        return run;
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
    COwnedHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = errWrite.Get();

    std::wstring commandLine = L"\"" + ToolPath() + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    if (!started)
        return run;
    COwnedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    outWrite.Reset();
    errWrite.Reset();

    const DWORD deadline = GetTickCount() + 30000;
    for (;;) {
        Drain(outRead.Get(), run.out);
        Drain(errRead.Get(), run.err);
        if (WaitForSingleObject(processHandle.Get(), 20) == WAIT_OBJECT_0)
            break;
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            TerminateProcess(processHandle.Get(), 0xDEAD);
            WaitForSingleObject(processHandle.Get(), 5000);
            break;
        }
    }
    Drain(outRead.Get(), run.out);
    Drain(errRead.Get(), run.err);
    GetExitCodeProcess(processHandle.Get(), &run.exitCode);
    return run;
}

std::wstring WithCrLf(const std::wstring& text)
{
    std::wstring result;
    for (wchar_t c : text) {
        if (c == L'\n')
            result += L'\r';
        result += c;
    }
    return result;
}

std::string Encode(const std::wstring& text, UINT codePage)
{
    const std::wstring lines = WithCrLf(text);
    if (lines.empty())
        return std::string();
    int size = WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), &bytes[0], size, nullptr,
                        nullptr);
    return bytes;
}

std::string Ansi(const std::wstring& text)
{
    return Encode(text, 1252);
}

std::string Utf16(const std::wstring& text)
{
    const std::wstring lines = WithCrLf(text);
    return std::string(reinterpret_cast<const char*>(lines.data()), lines.size() * sizeof(wchar_t));
}

// The banner as the tool's own version resource makes it.
std::wstring Banner()
{
    CConsoleVersionInfo version;
    std::wstring banner;
    std::wstring line;
    if (version.Load(ToolPath().c_str()) && version.TitleLine(line))
        banner += line + L"\n";
    banner += L"Shuts power down and either enters a sleep state or hibernation.\n";
    if (version.GetString(L"LegalCopyright", line))
        banner += line + L"\n";
    return banner + L"\n";
}

const wchar_t kUsage[] =
    L"Usage:\n\n  suspend [/display [<level> [<mode>]]] [/force] [/hibernation] [/nowake] [/?]\n"
    L"\n"
    L"\n"
    L"Where:\n"
    L"\n"
    L"  /force        Forces suspend without first requesting permission to\n"
    L"                 each application (if supported by system).\n"
    L"  /hibernation  Enters hibernation instead of sleep state (default).\n"
    L"  /notarvik     Disables wake up events (Wake Timers).\n"
    L"  /display      Sets the level of information that will be displayed and\n"
    L"                 optionally the translation mode.\n"
    L"                 <level> is either of the following values:\n"
    L"                  none    - no display at all.\n"
    L"                  normal  - standard display (default).\n"
    L"                 <mode> is either of the following translation modes:\n"
    L"                  text    - default mode.\n"
    L"                  unicode - UTF-16 mode (default).\n"
    L"                  utf8    - UTF-8 mode.\n"
    L"  /?            Displays this help message.\n"
    L"\n";

class SuspendTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!RunningUnderWine())
            GTEST_SKIP() << "the tool would really suspend this machine";
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ToolPath().c_str()));
    }

    // A run that asks for a suspend: exit 0 with the progress lines, or 2
    // with the error after them, as the platform decides.
    static void ExpectSuspendRun(const CRun& run, const std::wstring& progress)
    {
        if (run.exitCode == 0) {
            EXPECT_EQ(Ansi(Banner() + progress), run.out);
        } else {
            EXPECT_EQ(2u, run.exitCode);
            EXPECT_EQ(0u, run.out.rfind(Ansi(Banner() + progress + L"ERROR: Suspend failed\n"), 0));
        }
    }
};

} // namespace

TEST_F(SuspendTool, NoArgumentsEntersSleep)
{
    const CRun run = RunTool(L"");
    ExpectSuspendRun(run, L"Suspending the system...\nEntering sleep state.\n");
}

TEST_F(SuspendTool, AllOptionsInOrder)
{
    const CRun run = RunTool(L"/h /f /n");
    ExpectSuspendRun(run,
                     L"Suspending the system...\nOperation will be suspended immediately.\n"
                     L"Wake Timers are disabled.\nEntering hibernation.\n");
}

TEST_F(SuspendTool, PrintedOptionNamesWork)
{
    const CRun run = RunTool(L"/hibernation /nowake");
    ExpectSuspendRun(run, L"Suspending the system...\nWake Timers are disabled.\nEntering hibernation.\n");
}

TEST_F(SuspendTool, HelpShowsUsageAndSuspendsNothing)
{
    const CRun run = RunTool(L"/?");
    EXPECT_EQ(1u, run.exitCode);
    // Text mode: ANSI with CR LF, the copyright sign as its one byte.
    EXPECT_EQ(Ansi(Banner() + kUsage), run.out);
    EXPECT_NE(std::string::npos, Ansi(Banner()).find('\xA9'));
}

TEST_F(SuspendTool, RejectedLevelListsTheAllowedOnes)
{
    const CRun run = RunTool(L"/display:verbose");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(Ansi(Banner() + L"Invalid parameter value(s):\n\n\t/display (expected: none,normal)\n\n"), run.out);
}

TEST_F(SuspendTool, SilentLevelWritesNothing)
{
    CRun run = RunTool(L"/display:none /x");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ("", run.out);

    run = RunTool(L"/display:none /hib");
    EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 2) << run.exitCode;
    EXPECT_EQ("", run.out);
}

TEST_F(SuspendTool, UnicodeModeFromTheBannerOn)
{
    const CRun run = RunTool(L"/display normal unicode");
    const std::wstring progress = L"Suspending the system...\nEntering sleep state.\n";
    if (run.exitCode == 0) {
        EXPECT_EQ(Utf16(Banner() + progress), run.out);
    } else {
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_EQ(0u, run.out.rfind(Utf16(Banner() + progress), 0));
    }
}

TEST_F(SuspendTool, Utf8ModeWithUnknownParameters)
{
    // A plain word before any option is unknown; after /xyz it would be its value.
    const CRun run = RunTool(L"\u00e9t\u00e9 /display:normal,utf8 /xyz \u00fc");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(Encode(Banner() + kUsage + L"Unknown parameter(s):\n\n\t\u00e9t\u00e9\n\t/xyz\n\n", CP_UTF8), run.out);
}

TEST_F(SuspendTool, UnknownParametersBringTheUsage)
{
    const CRun run = RunTool(L"/xyz -");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(Ansi(Banner() + kUsage + L"Unknown parameter(s):\n\n\t/xyz\n\t-\n\n"), run.out);
}
