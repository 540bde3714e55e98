// The core's side of the command line: "status" and "keepawake" from
// Tarvik.com or Tarvik.exe, received as WM_COPYDATA (command_protocol.h).
#include "app/application.h"

#include "app/command_protocol.h"
#include "common/date_time_text.h"
#include "common/resource_string.h"
#include "engine/file_time.h"
#include "engine/status_report.h"
#include "resources/resource.h"

namespace {

// How long the core waits for the requester to take its reply: the
// requester waits for it inside its own send.
constexpr DWORD kReplyTimeout = 5000;

} // namespace

bool CApplication::OnCommandRequest(const COPYDATASTRUCT* data)
{
    CCommandRequest request;
    if (!data || !ReadCommandRequest(*data, request))
        return false;
    // The reply goes only to a window of this user: the request may come from
    // any program on the desktop.
    const HWND replyWindow = ReplyWindowOf(request);
    DWORD requester = 0;
    if (!GetWindowThreadProcessId(replyWindow, &requester) || !ProcessOfThisUser(requester))
        return false;

    CommandExit exitCode = CommandExit::Done;
    std::wstring text;
    switch (static_cast<RequestVerb>(request.verb)) {
    case RequestVerb::Status: {
        const CStatusReport report = m_engine.BuildStatusReport();
        for (const std::wstring& line : StatusReportLines(report))
            text += (text.empty() ? L"" : L"\n") + line;
        exitCode = report.SleepAllowed() ? CommandExit::Done : CommandExit::SleepHeld;
        break;
    }
    case RequestVerb::KeepAwake:
        // Checked to be within its limit: it starts.
        m_engine.StartKeepAwake(request.minutes);
        text = KeepAwakeReplyText();
        break;
    case RequestVerb::KeepAwakeOff:
        text = ResourceText(m_engine.KeptAwake() ? IDS_REPLY_KEEP_AWAKE_ENDED
                                                 : IDS_REPLY_KEEP_AWAKE_NOT_ON);
        m_engine.StopKeepAwake();
        break;
    }

    std::vector<BYTE> reply = MakeCommandReply(request.requestId, exitCode, text);
    COPYDATASTRUCT answer = {kCommandDataTag, static_cast<DWORD>(reply.size()), reply.data()};
    DWORD_PTR taken = 0;
    SendMessageTimeoutW(replyWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(Window()),
                        reinterpret_cast<LPARAM>(&answer), SMTO_ABORTIFHUNG, kReplyTimeout, &taken);
    return true;
}

std::wstring CApplication::KeepAwakeReplyText()
{
    const ULONGLONG end = m_engine.KeepAwakeEnd();
    if (!end)
        return ResourceText(IDS_STATUS_KEPT_AWAKE_STOPPED);
    // The end as the status report gives it.
    SYSTEMTIME local;
    std::wstring moment;
    if (m_system.UtcToLocal(ToFileTime(end), &local))
        moment = FormatLocalDateTime(local);
    if (moment.empty())
        moment = ResourceText(IDS_STATUS_UNKNOWN);
    return FormatResourceString(IDS_STATUS_KEPT_AWAKE_UNTIL, moment.c_str());
}
