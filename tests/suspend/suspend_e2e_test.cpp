// The real suspend.exe, run with its standard output on a pipe: exact bytes
// and exit codes. Only under Wine, whose SetSuspendState suspends nothing.
#include "common/handles.h"
#include "common/version_info.h"
#include "tests/support/process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const std::wstring kTool = ProgramFolder() + L"suspend.exe";

struct CRun
{
    DWORD exitCode = kNoExitCode;
    std::string out;
};

// Runs the tool to its end with its output on a pipe big enough for all of it.
CRun RunTool(const std::wstring& arguments)
{
    CRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE ends[2] = {};
    CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16);
    CHandle outRead(ends[0]), outWrite(ends[1]);
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    CChildProcess tool;
    tool.Start(CommandLine(kTool, arguments), L"", 0, outWrite.Get());
    outWrite.Reset();
    if (tool.Wait(30000))
        run.exitCode = tool.ExitCode();
    DWORD available = 0, read = 0;
    PeekNamedPipe(outRead.Get(), nullptr, 0, nullptr, &available, nullptr);
    run.out.resize(available);
    if (available > 0 && ReadFile(outRead.Get(), &run.out[0], available, &read, nullptr))
        run.out.resize(read);
    return run;
}

// The text with CR LF line ends in `codePage`, or as UTF-16 when it is 0.
std::string Encode(const std::wstring& text, UINT codePage = 1252)
{
    std::wstring lines;
    for (wchar_t c : text)
        lines += c == L'\n' ? L"\r\n" : std::wstring(1, c);
    if (codePage == 0)
        return std::string(reinterpret_cast<const char*>(lines.data()),
                           lines.size() * sizeof(wchar_t));
    std::string bytes(lines.size() * 4, '\0');
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), &bytes[0],
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// The banner as the tool's own version resource makes it.
std::wstring Banner()
{
    CConsoleVersionInfo version;
    std::wstring banner, line;
    if (version.Load(kTool.c_str()) && version.TitleLine(line))
        banner += line + L"\n";
    banner += L"Shuts power down and either enters a sleep state or hibernation.\n";
    if (version.GetString(L"LegalCopyright", line))
        banner += line + L"\n";
    return banner + L"\n";
}

} // namespace

// The real tool under Wine: a run ends with 0 and its progress lines, or 2 with
// the error after them, as the platform decides. Problems end it with exit 1
// before anything is suspended. Text mode is ANSI with CR LF, the copyright
// sign its one byte; the other modes carry the same text from the banner on.
TEST(SuspendTool, RunsShowTheirOutputAndExitCode)
{
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "the tool would really suspend this machine";
    const std::pair<const wchar_t*, const wchar_t*> runs[] = {
        {L"", L"Entering sleep state.\n"},
        {L"/h /f /n", L"Operation will be suspended immediately.\nWake Timers are "
                      L"disabled.\nEntering hibernation.\n"},
        {L"/hibernation /nowake", L"Wake Timers are disabled.\nEntering hibernation.\n"},
    };
    for (const auto& c : runs) {
        SCOPED_TRACE(c.first);
        const CRun run = RunTool(c.first);
        const std::string expected = Encode(Banner() + L"Suspending the system...\n" + c.second);
        if (run.exitCode == 0) {
            EXPECT_EQ(expected, run.out);
        } else {
            EXPECT_EQ(2u, run.exitCode);
            EXPECT_EQ(0u, run.out.rfind(expected + Encode(L"ERROR: Suspend failed\n"), 0));
        }
    }

    const CRun help = RunTool(L"/?"), wide = RunTool(L"/? /display normal unicode");
    EXPECT_TRUE(help.exitCode == 1 && wide.exitCode == 1);
    std::wstring usage(reinterpret_cast<const wchar_t*>(wide.out.data()),
                       wide.out.size() / sizeof(wchar_t));
    usage.erase(std::remove(usage.begin(), usage.end(), L'\r'), usage.end());
    EXPECT_EQ(wide.out, Encode(usage, 0));
    EXPECT_EQ(help.out, Encode(usage));
    EXPECT_NE(std::string::npos, help.out.find('\xA9'));
    ASSERT_EQ(0u, usage.rfind(Banner() + L"Usage:\n\n  suspend [/display ", 0));
    const std::wstring invalid =
        L"Invalid parameter value(s):\n\n\t/display (expected: none,normal)\n\n";
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"/display:verbose", Encode(Banner() + invalid)},
        {L"/xyz /display:verbose -",
         Encode(usage + invalid + L"Unknown parameter(s):\n\n\t/xyz\n\t-\n\n")},
        // A plain word before any option is unknown; after /xyz it would be its value.
        {L"\u00e9t\u00e9 /display:normal,utf8 /xyz \u00fc",
         Encode(usage + L"Unknown parameter(s):\n\n\t\u00e9t\u00e9\n\t/xyz\n\n", CP_UTF8)},
        {L"/display:none /x", ""},
    };
    for (const auto& c : cases) {
        const CRun run = RunTool(c.first);
        EXPECT_EQ(1u, run.exitCode) << c.first;
        EXPECT_EQ(c.second, run.out) << c.first;
    }
}
