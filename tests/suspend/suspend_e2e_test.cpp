// The real suspend.exe, run with its standard output on a pipe: exact bytes
// and exit codes. Only under Wine, whose SetSuspendState suspends nothing.
#include "tests/support/console_run.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const std::wstring kTool = ProgramFolder() + L"suspend.exe";

} // namespace

// The real tool under Wine (the suspend_trace_* entries check what its runs
// ask of the system): problems end it with exit 1 before anything is
// suspended. Text mode is ANSI with CR LF, the copyright sign its one byte;
// the other modes carry the same text from the banner on.
TEST(SuspendTool, RunsShowTheirOutputAndExitCode)
{
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "the tool would really suspend this machine";
    const std::wstring banner = SuspendBanner(kTool);
    const CConsoleRun help = RunConsole(kTool, L"/?"),
                      wide = RunConsole(kTool, L"/? /display normal unicode");
    EXPECT_TRUE(help.exitCode == 1 && wide.exitCode == 1);
    std::wstring usage(reinterpret_cast<const wchar_t*>(wide.out.data()),
                       wide.out.size() / sizeof(wchar_t));
    usage.erase(std::remove(usage.begin(), usage.end(), L'\r'), usage.end());
    EXPECT_EQ(wide.out, Encode(usage, 0));
    EXPECT_EQ(help.out, Encode(usage));
    EXPECT_NE(std::string::npos, help.out.find('\xA9'));
    ASSERT_EQ(0u, usage.rfind(banner + L"Usage:\n\n  suspend [/display ", 0));
    const std::wstring invalid =
        L"Invalid parameter value(s):\n\n\t/display (expected: none,normal)\n\n";
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"/display:verbose", Encode(banner + invalid)},
        {L"/xyz /display:verbose -",
         Encode(usage + invalid + L"Unknown parameter(s):\n\n\t/xyz\n\t-\n\n")},
        // A plain word before any option is unknown; after /xyz it would be its value.
        {L"\u00e9t\u00e9 /display:normal,utf8 /xyz \u00fc",
         Encode(usage + L"Unknown parameter(s):\n\n\t\u00e9t\u00e9\n\t/xyz\n\n", CP_UTF8)},
        {L"/display:none /x", ""},
    };
    for (const auto& c : cases) {
        const CConsoleRun run = RunConsole(kTool, c.first);
        EXPECT_EQ(1u, run.exitCode) << c.first;
        EXPECT_EQ(c.second, run.out) << c.first;
    }
}
