// The command line as a script uses it: Tarvik.com and Tarvik.exe given a
// request, bad input or a start, with a running copy and without one, their
// output on pipes and their exit codes. Which texts and which WM_COPYDATA
// messages are requests the app tests check case by case; here one of each
// kind travels between the processes.
#include "tests/e2e/e2e_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/command_protocol.h"
#include "tests/support/console_run.h"

namespace e2e {
namespace {

using CCommandLine = CEndToEnd;

std::wstring Twin()
{
    return ProgramFolder() + L"Tarvik.com";
}

// Tarvik.exe run to its end: a window program prints nothing; its exit code.
DWORD RunTrayProgram(const std::wstring& arguments)
{
    return Run(CommandLine(ProgramFolder() + L"Tarvik.exe", arguments), kStepTimeout,
               ProgramFolder());
}

// The lines of a pipe's text in the ANSI code page, CR LF ends taken off.
std::vector<std::wstring> PipeLines(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(1252, 0, bytes.data(),
                                                        static_cast<int>(bytes.size()), &text[0],
                                                        static_cast<int>(text.size()))));
    std::vector<std::wstring> lines = SplitLines(text);
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

// The core windows of copies named Tarvik.exe.
std::vector<HWND> TarvikCores()
{
    std::vector<HWND> cores;
    const HANDLE hash = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x0010AD34));
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kCoreClass, nullptr)) != nullptr;) {
        if (GetPropW(w, L"ZPQInstanceHash") == hash)
            cores.push_back(w);
    }
    return cores;
}

// The sheet of the process `pid` while it is shown, else null.
HWND ShownSheet(DWORD pid)
{
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsTarvikSheet(w) && IsWindowVisible(w))
            return w;
    }
    return nullptr;
}

// Without a running copy a request ends with 3 and a message, from either
// program, and starts no copy: no data folder, no log. Tarvik.com without
// arguments starts Tarvik.exe of its folder and ends with 0 at once. Bad
// input is then refused by either program with exit code 2, the twin
// writing the usage line; the copy's log and window stay as they were.
// status prints its report and ends with 0 while sleep is allowed, 1 while
// keep-awake holds it; keepawake starts and ends keep-awake there, which its
// log shows, and says what it did; Tarvik.exe does the same without a word.
// A shell given the bare name takes Tarvik.com, whose report reaches the
// script. Another plain start of the twin, as a second start of Tarvik.exe
// does, shows the running copy's window.
TEST_F(CCommandLine, RequestsReachTheRunningCopyFromEitherProgramAndBadInputChangesNothing)
{
    const CConsoleRun alone = RunConsole(Twin(), L"keepawake 30");
    EXPECT_EQ(3u, alone.exitCode);
    EXPECT_EQ(Encode(L"Tarvik is not running.\n"), alone.err);
    EXPECT_EQ(3u, RunTrayProgram(L"status"));
    EXPECT_TRUE(TarvikCores().empty());
    ASSERT_FALSE(FolderExists(DataFolder())) << "a copy started";

    WriteSettings(kStartHidden);
    EXPECT_EQ(0u, RunConsole(Twin(), L"").exitCode);
    HWND core = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<HWND> cores = TarvikCores();
        core = cores.empty() ? nullptr : cores[0];
        return core && TrayIconPresent(core);
    })) << "no Tarvik.exe runs";
    DWORD pid = 0;
    GetWindowThreadProcessId(core, &pid);
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    const std::string log = ReadBytes(LogPath());

    for (const wchar_t* arguments : {L"keepawake 527041", L"status extra", L"RUNAS"}) {
        const CConsoleRun run = RunConsole(Twin(), arguments);
        EXPECT_EQ(2u, run.exitCode) << arguments;
        EXPECT_EQ(0u, run.err.rfind("Usage: Tarvik ", 0)) << arguments << run.out;
        EXPECT_EQ(2u, RunTrayProgram(arguments)) << arguments;
    }
    // WM_COPYDATA from another program that is not a request of this version
    // is answered FALSE (which ones, case by case, the protocol's own tests
    // check); the status below shows that nothing was kept awake.
    const CWindowHandle reply(CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, nullptr, nullptr));
    ASSERT_TRUE(reply);
    CCommandRequest request = {};
    request.magic = kRequestMagic;
    request.version = kCommandVersion + 1;
    request.size = sizeof(request);
    request.verb = static_cast<DWORD>(RequestVerb::KeepAwake);
    request.minutes = 30;
    request.replyWindow = static_cast<DWORD>(HandleToLong(reply.Get()));
    char text[] = "keepawake 30";
    COPYDATASTRUCT messages[] = {{kCommandDataTag, sizeof(request), &request},
                                 {kCommandDataTag, sizeof(request) - 1, &request},
                                 {kCommandDataTag, sizeof(text), text}};
    for (COPYDATASTRUCT& message : messages) {
        DWORD_PTR answer = TRUE;
        EXPECT_NE(0, SendMessageTimeoutW(core, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.Get()),
                                         reinterpret_cast<LPARAM>(&message), SMTO_NORMAL,
                                         kStepTimeout, &answer));
        EXPECT_EQ(static_cast<DWORD_PTR>(FALSE), answer) << message.cbData;
    }
    EXPECT_EQ(log, ReadBytes(LogPath())) << "the running copy's log changed";
    EXPECT_EQ(nullptr, ShownSheet(pid)) << "a refused start showed the window";
    EXPECT_EQ(1u, TarvikCores().size());

    CConsoleRun run = RunConsole(Twin(), L"status");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("", run.err);
    std::vector<std::wstring> lines = PipeLines(run.out);
    ASSERT_GE(lines.size(), 4u) << run.out;
    EXPECT_EQ(L"Sleep now: allowed", lines[2]);

    run = RunConsole(Twin(), L"keepawake 30");
    EXPECT_EQ(0u, run.exitCode);
    lines = PipeLines(run.out);
    ASSERT_EQ(1u, lines.size()) << run.out;
    const std::wstring until = lines[0];
    EXPECT_EQ(0u, until.rfind(L"Kept awake until ", 0)) << until;
    const std::wstring end = until.substr(17, until.size() - 18); // without the full stop
    EXPECT_TRUE(WaitForLogEvent(L"Kept awake until " + end))
        << "the log does not name the same end";

    run = RunConsole(Twin(), L"status");
    EXPECT_EQ(1u, run.exitCode);
    lines = PipeLines(run.out);
    ASSERT_GE(lines.size(), 4u) << run.out;
    EXPECT_EQ(L"Sleep now: held", lines[2]);
    EXPECT_EQ(L"  " + until, lines[3]);
    EXPECT_EQ(1u, RunTrayProgram(L"status"));

    run = RunConsole(Twin(), L"keepawake off");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(Encode(L"Keep awake ended.\n"), run.out);
    EXPECT_EQ(Encode(L"Keep awake was not on.\n"), RunConsole(Twin(), L"KEEPAWAKE OFF").out);

    EXPECT_EQ(0u, RunTrayProgram(L"keepawake on"));
    EXPECT_EQ(0u, RunConsole(Twin(), L"keepawake on").exitCode);
    EXPECT_EQ(1u, RunTrayProgram(L"status"));
    EXPECT_EQ(0u, RunTrayProgram(L"keepawake off"));
    EXPECT_EQ(0u, RunTrayProgram(L"status"));

    const CConsoleRun shell = RunConsole(L"cmd.exe", L"/c Tarvik status", ProgramFolder());
    EXPECT_EQ(0u, shell.exitCode);
    lines = PipeLines(shell.out);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"Sleep now: allowed"))
        << shell.out;
    EXPECT_EQ(nullptr, ShownSheet(pid)) << "a request showed the window";

    EXPECT_EQ(0u, RunConsole(Twin(), L"").exitCode);
    EXPECT_TRUE(WaitFor([pid] { return ShownSheet(pid) != nullptr; }))
        << "the running copy's window was not shown";
    PostMessageW(core, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), kStepTimeout));
    EXPECT_TRUE(WaitFor([] { return TarvikCores().empty(); })) << "a second copy ran";
    // Each start and end once in the log, in order.
    const std::vector<std::wstring> expected = {kStarting,
                                                L"Automatic suspend allowed",
                                                L"Kept awake until " + end,
                                                L"Keep awake ended",
                                                L"Kept awake until stopped",
                                                L"Kept awake until stopped",
                                                L"Keep awake ended",
                                                kStopping};
    EXPECT_EQ(expected, LogEvents());
}

} // namespace
} // namespace e2e
