// The command line's requests over the real system calls to a real core
// window, and its replies, all in this one process: the requester's window
// hears the reply while its send waits, as it does across processes.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_client.h"
#include "app/command_protocol.h"
#include "engine/status_report.h"
#include "tests/support/harmless_power_system.h"
#include "tests/support/log_file.h"
#include "ui/instance_protocol.h"

namespace {

class CAllowAll : public IWindowMessageFilter
{
public:
    bool Allow(HWND, UINT) override { return true; }
};

CCommand Request(RequestVerb verb, unsigned minutes = 0)
{
    CCommand command;
    command.kind = CCommand::Kind::Request;
    command.verb = verb;
    command.minutes = minutes;
    return command;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos)
            return lines;
        start = end + 1;
    }
}

// The thread's execution state as Windows holds it: the core runs on this
// thread.
bool SystemHeld()
{
    return (SetThreadExecutionState(0) & ES_SYSTEM_REQUIRED) != 0;
}

// A name's hash no other test program or running Tarvik has.
const DWORD kHash = 0x7E570000u ^ GetCurrentProcessId();

class CCommandRequestTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        m_application.SetPaths(m_settings.Path(), m_log.Path());
        ASSERT_TRUE(m_application.Start());
    }
    void TearDown() override { m_application.Shutdown(); }

    CCommandAnswer Send(RequestVerb verb, unsigned minutes = 0)
    {
        return SendCommandRequest(Request(verb, minutes), kHash, 5000);
    }

    CTestLogFile m_log{L"command"};
    CTestLogFile m_settings{L"command-settings"};
    CHarmlessPowerSystem m_system;
    CAllowAll m_filter;
    CApplication m_application{kHash, &m_system, nullptr, &m_filter};
};

// Status is the report, its exit code whether sleep is allowed now;
// keepawake starts, replaces and ends keep-awake in the engine, which logs
// it, shows it on the tray icon and holds the system, and says what it did;
// a copy of another name is not asked.
TEST_F(CCommandRequestTest, TheCoreAnswersStatusAndKeepAwakeWithTheReportAndWhatItDid)
{
    using Outcome = CCommandAnswer::Outcome;
    EXPECT_EQ(Outcome::NotRunning,
              SendCommandRequest(Request(RequestVerb::Status), kHash ^ 1).outcome);

    CCommandAnswer answer = Send(RequestVerb::Status);
    ASSERT_EQ(Outcome::Answered, answer.outcome);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    std::vector<std::wstring> lines = Lines(answer.text);
    ASSERT_GT(lines.size(), 3u) << answer.text;
    EXPECT_EQ(0u, lines[0].rfind(L"Tarvik status at ", 0)) << lines[0];
    EXPECT_EQ(L"", lines[1]);
    EXPECT_EQ(L"Sleep now: allowed", lines[2]);
    // The rest is the report as the engine gives it (its title holds the time).
    std::vector<std::wstring> report =
        StatusReportLines(m_application.Engine().BuildStatusReport());
    report.erase(report.begin());
    lines.erase(lines.begin());
    EXPECT_EQ(report, lines);

    answer = Send(RequestVerb::KeepAwake, 30);
    ASSERT_EQ(Outcome::Answered, answer.outcome);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    EXPECT_EQ(0u, answer.text.rfind(L"Kept awake until ", 0)) << answer.text;
    EXPECT_EQ(L'.', answer.text.back()) << answer.text;
    EXPECT_TRUE(m_application.Engine().KeptAwake());
    EXPECT_EQ(30u, m_application.Engine().KeepAwakeMinutes());
    EXPECT_NE(std::wstring::npos, m_log.Text().find(L"Kept awake until "));
    EXPECT_EQ(0u, m_application.TrayIcon().Tooltip().rfind(L"Tarvik - Kept awake until ", 0))
        << m_application.TrayIcon().Tooltip();
    EXPECT_TRUE(SystemHeld());

    answer = Send(RequestVerb::Status);
    EXPECT_EQ(CommandExit::SleepHeld, answer.exitCode);
    lines = Lines(answer.text);
    ASSERT_GT(lines.size(), 3u) << answer.text;
    EXPECT_EQ(L"Sleep now: held", lines[2]);
    EXPECT_EQ(L"  " + Lines(Send(RequestVerb::KeepAwake, 30).text)[0], lines[3]);

    answer = Send(RequestVerb::KeepAwake, kKeepAwakeUntilStopped);
    EXPECT_EQ(L"Kept awake until you stop it.", answer.text);
    EXPECT_EQ(0u, m_application.Engine().KeepAwakeEnd());
    EXPECT_EQ(L"Tarvik - Kept awake until you stop it", m_application.TrayIcon().Tooltip());

    answer = Send(RequestVerb::KeepAwakeOff);
    EXPECT_EQ(CommandExit::Done, answer.exitCode);
    EXPECT_EQ(L"Keep awake ended.", answer.text);
    EXPECT_FALSE(m_application.Engine().KeptAwake());
    EXPECT_FALSE(SystemHeld());
    EXPECT_NE(std::wstring::npos, m_log.Text().find(L"Keep awake ended"));
    EXPECT_EQ(L"Keep awake was not on.", Send(RequestVerb::KeepAwakeOff).text);
    EXPECT_EQ(CommandExit::Done, Send(RequestVerb::Status).exitCode);
}

// What is not a request of this version, or names a reply window that is
// none, is answered FALSE and changes nothing: no keep-awake, no log line.
// A core that does not know the request (a version before the command line)
// leaves the requester with a refusal.
TEST_F(CCommandRequestTest, WhatIsNotAWellFormedRequestChangesNothing)
{
    const HWND core = m_application.Window();
    const size_t logged = m_log.Size();
    HWND gone = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);
    HWND reply = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(nullptr, reply);

    const CCommandRequest good = MakeCommandRequest(RequestVerb::KeepAwake, 30, reply, 5);
    CCommandRequest noWindow = MakeCommandRequest(RequestVerb::KeepAwake, 30, gone, 5);
    CCommandRequest tooLong = MakeCommandRequest(RequestVerb::KeepAwake, 30, reply, 5);
    tooLong.minutes = kKeepAwakeMaxMinutes + 1;
    CCommandRequest unknown = good;
    unknown.verb = 9;
    CCommandRequest newer = good;
    newer.version = 2;
    const char text[] = "keepawake 30";
    const COPYDATASTRUCT bad[] = {
        {kCommandDataTag, sizeof(good) - 4, const_cast<CCommandRequest*>(&good)},
        {0x1234, sizeof(good), const_cast<CCommandRequest*>(&good)},
        {kCommandDataTag, sizeof(text), const_cast<char*>(text)},
        {kCommandDataTag, sizeof(good), nullptr},
        {kCommandDataTag, sizeof(noWindow), &noWindow},
        {kCommandDataTag, sizeof(tooLong), &tooLong},
        {kCommandDataTag, sizeof(unknown), &unknown},
        {kCommandDataTag, sizeof(newer), &newer},
    };
    for (const COPYDATASTRUCT& data : bad) {
        EXPECT_EQ(FALSE, SendMessageW(core, WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                                      reinterpret_cast<LPARAM>(&data)))
            << "case " << (&data - bad);
    }
    EXPECT_EQ(FALSE, SendMessageW(core, WM_COPYDATA, 0, 0)) << "no data at all";
    EXPECT_FALSE(m_application.Engine().KeptAwake());
    EXPECT_EQ(logged, m_log.Size()) << m_log.Text();
    // The same window in a good request: taken.
    COPYDATASTRUCT data = {kCommandDataTag, sizeof(good), const_cast<CCommandRequest*>(&good)};
    EXPECT_EQ(TRUE, SendMessageW(core, WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                                 reinterpret_cast<LPARAM>(&data)));
    EXPECT_TRUE(m_application.Engine().KeptAwake());
    DestroyWindow(reply);

    // A window of the core's class that does not take requests.
    m_application.Shutdown();
    HWND older = CreateWindowExW(WS_EX_TOOLWINDOW, kCoreWindowClass, L"Tarvik", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, older);
    SetPropW(older, kInstanceHashProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(kHash)));
    EXPECT_EQ(CCommandAnswer::Outcome::Refused, Send(RequestVerb::Status).outcome);
    EXPECT_EQ(CommandExit::Failed, AnswerExitCode(Send(RequestVerb::Status)));
    RemovePropW(older, kInstanceHashProperty);
    DestroyWindow(older);
    EXPECT_EQ(CommandExit::NotRunning, AnswerExitCode(Send(RequestVerb::Status)));
}

} // namespace
