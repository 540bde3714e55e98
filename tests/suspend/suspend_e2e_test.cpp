// The real suspend.exe, run with its standard output on a pipe: exact bytes
// and exit codes. Only under Wine, whose SetSuspendState suspends nothing.
#include "common/handles.h"
#include "common/version_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

// Runs the tool with `arguments`, its output on a pipe and its input and
// errors on NUL. Waits on the process, never on the end of its pipe: Wine's
// own service processes may hold inherited ends for ever.
CRun RunTool(const std::wstring& arguments)
{
    CRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE ends[2] = {};
    if (!CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16))
        return run;
    CHandle outRead(ends[0]), outWrite(ends[1]);
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    CFileHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.Get();
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = nul.Get();

    std::wstring commandLine = L"\"" + ToolPath() + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return run;
    CHandle processHandle(process.hProcess), threadHandle(process.hThread);
    outWrite.Reset();

    const DWORD deadline = GetTickCount() + 30000;
    while (WaitForSingleObject(processHandle.Get(), 20) != WAIT_OBJECT_0) {
        Drain(outRead.Get(), run.out);
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            TerminateProcess(processHandle.Get(), 0xDEAD);
            WaitForSingleObject(processHandle.Get(), 5000);
            break;
        }
    }
    Drain(outRead.Get(), run.out);
    GetExitCodeProcess(processHandle.Get(), &run.exitCode);
    return run;
}

std::wstring WithCrLf(const std::wstring& text)
{
    std::wstring result;
    for (wchar_t c : text)
        result += c == L'\n' ? L"\r\n" : std::wstring(1, c);
    return result;
}

// The text with CR LF line ends in `codePage`, or as UTF-16 when it is 0.
std::string Encode(const std::wstring& text, UINT codePage = 1252)
{
    const std::wstring lines = WithCrLf(text);
    if (codePage == 0)
        return std::string(reinterpret_cast<const char*>(lines.data()), lines.size() * sizeof(wchar_t));
    const int length = static_cast<int>(lines.size());
    std::string bytes(static_cast<size_t>(WideCharToMultiByte(codePage, 0, lines.data(), length, nullptr, 0,
                                                              nullptr, nullptr)),
                      '\0');
    if (!bytes.empty())
        WideCharToMultiByte(codePage, 0, lines.data(), length, &bytes[0], static_cast<int>(bytes.size()), nullptr,
                            nullptr);
    return bytes;
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
            EXPECT_EQ(Encode(Banner() + progress), run.out);
        } else {
            EXPECT_EQ(2u, run.exitCode);
            EXPECT_EQ(0u, run.out.rfind(Encode(Banner() + progress + L"ERROR: Suspend failed\n"), 0));
        }
    }
};

} // namespace

TEST_F(SuspendTool, SuspendRunsShowTheirOptions)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"Suspending the system...\nEntering sleep state.\n"},
        {L"/h /f /n",
         L"Suspending the system...\nOperation will be suspended immediately.\n"
         L"Wake Timers are disabled.\nEntering hibernation.\n"},
        {L"/hibernation /nowake", L"Suspending the system...\nWake Timers are disabled.\nEntering hibernation.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ExpectSuspendRun(RunTool(c.first), c.second);
    }
}

// Problems end the run with exit 1 before anything is suspended. Text mode:
// ANSI with CR LF, the copyright sign as its one byte.
TEST_F(SuspendTool, ProblemsShowTheirReports)
{
    EXPECT_NE(std::string::npos, Encode(Banner()).find('\xA9'));
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"/?", Encode(Banner() + kUsage)},
        {L"/display:verbose", Encode(Banner() + L"Invalid parameter value(s):\n\n\t/display (expected: none,normal)\n\n")},
        {L"/xyz -", Encode(Banner() + kUsage + L"Unknown parameter(s):\n\n\t/xyz\n\t-\n\n")},
        // A plain word before any option is unknown; after /xyz it would be its value.
        {L"\u00e9t\u00e9 /display:normal,utf8 /xyz \u00fc",
         Encode(Banner() + kUsage + L"Unknown parameter(s):\n\n\t\u00e9t\u00e9\n\t/xyz\n\n", CP_UTF8)},
        {L"/display:none /x", ""},
    };
    for (const auto& c : cases) {
        const CRun run = RunTool(c.first);
        EXPECT_EQ(1u, run.exitCode) << c.first;
        EXPECT_EQ(c.second, run.out) << c.first;
    }
}

TEST_F(SuspendTool, UnicodeModeFromTheBannerOn)
{
    const CRun run = RunTool(L"/display normal unicode");
    const std::string expected = Encode(Banner() + L"Suspending the system...\nEntering sleep state.\n", 0);
    if (run.exitCode == 0) {
        EXPECT_EQ(expected, run.out);
    } else {
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_EQ(0u, run.out.rfind(expected, 0));
    }
}
