// The real suspend.exe, run with its standard output on a pipe: exact bytes
// and exit codes. Only under Wine, whose SetSuspendState suspends nothing.
#include "common/handles.h"
#include "common/version_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ToolPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"suspend.exe";
}

struct CRun
{
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
};

// Runs the tool, its output on a pipe big enough for all of it, its input and
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
    startup.hStdInput = startup.hStdError = nul.Get();
    startup.hStdOutput = outWrite.Get();
    std::wstring commandLine = L"\"" + ToolPath() + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return run;
    CHandle processHandle(process.hProcess), threadHandle(process.hThread);
    outWrite.Reset();
    if (WaitForSingleObject(processHandle.Get(), 30000) != WAIT_OBJECT_0)
        TerminateProcess(processHandle.Get(), 0xDEAD);
    DWORD available = 0, read = 0;
    if (PeekNamedPipe(outRead.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        run.out.resize(available);
        ReadFile(outRead.Get(), &run.out[0], available, &read, nullptr);
        run.out.resize(read);
    }
    GetExitCodeProcess(processHandle.Get(), &run.exitCode);
    return run;
}

// The text with CR LF line ends in `codePage`, or as UTF-16 when it is 0.
std::string Encode(const std::wstring& text, UINT codePage = 1252)
{
    std::wstring lines;
    for (wchar_t c : text)
        lines += c == L'\n' ? L"\r\n" : std::wstring(1, c);
    if (codePage == 0)
        return std::string(reinterpret_cast<const char*>(lines.data()), lines.size() * sizeof(wchar_t));
    std::string bytes(lines.size() * 4, '\0');
    bytes.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()),
                                                         &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// The banner as the tool's own version resource makes it.
std::wstring Banner()
{
    CConsoleVersionInfo version;
    std::wstring banner, line;
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
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
            GTEST_SKIP() << "the tool would really suspend this machine";
    }
};

} // namespace

// Exit 0 with the progress lines, or 2 with the error after them, as the
// platform decides. Unicode mode is in force from the banner on.
TEST_F(SuspendTool, SuspendRunsShowTheirOptions)
{
    const struct
    {
        const wchar_t* arguments;
        const wchar_t* progress;
        UINT codePage;
    } cases[] = {
        {L"", L"Entering sleep state.\n", 1252},
        {L"/h /f /n", L"Operation will be suspended immediately.\nWake Timers are disabled.\nEntering hibernation.\n",
         1252},
        {L"/hibernation /nowake", L"Wake Timers are disabled.\nEntering hibernation.\n", 1252},
        {L"/display normal unicode", L"Entering sleep state.\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CRun run = RunTool(c.arguments);
        const std::string expected = Encode(Banner() + L"Suspending the system...\n" + c.progress, c.codePage);
        if (run.exitCode == 0) {
            EXPECT_EQ(expected, run.out);
        } else {
            EXPECT_EQ(2u, run.exitCode);
            EXPECT_EQ(0u, run.out.rfind(expected + Encode(L"ERROR: Suspend failed\n", c.codePage), 0));
        }
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
