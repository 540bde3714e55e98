#include "app/command_client.h"

#include "app/command_protocol.h"
#include "common/handles.h"
#include "ui/window_class.h"
#include "ui/window_message_filter.h"

namespace {

const wchar_t kReplyWindowClass[] = L"TarvikCommandReply";

// What the reply window received.
struct CReplyBox
{
    DWORD requestId = 0;
    bool received = false;
    CommandExit exitCode = CommandExit::Failed;
    std::wstring text;
};

LRESULT CALLBACK ReplyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_COPYDATA) {
        auto* box = reinterpret_cast<CReplyBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        // The first reply to this request counts; anything else is ignored.
        if (!box || !data || box->received ||
            !ReadCommandReply(*data, box->requestId, box->exitCode, box->text))
            return FALSE;
        box->received = true;
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

CCommandAnswer SendCommandRequest(const CCommand& command, DWORD instanceHash, DWORD timeout)
{
    CCommandAnswer answer;
    const HWND core = FindRunningCore(instanceHash);
    if (!core)
        return answer;

    CReplyBox box;
    // Different enough between two requests that a late reply to one is not
    // taken for the next one's.
    box.requestId = GetCurrentProcessId() ^ (GetTickCount() << 12);
    CWindowHandle window;
    if (RegisterWindowClass(kReplyWindowClass, ReplyWindowProc))
        window.Reset(CreateWindowExW(0, kReplyWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, GetModuleHandleW(nullptr), &box));
    if (!window) {
        answer.outcome = CCommandAnswer::Outcome::NoAnswer;
        return answer;
    }
    // A requester running elevated hears a core that is not.
    SystemWindowMessageFilter().Allow(window.Get(), WM_COPYDATA);

    CCommandRequest request =
        MakeCommandRequest(command.verb, command.minutes, window.Get(), box.requestId);
    COPYDATASTRUCT data = {kCommandDataTag, sizeof(request), &request};
    DWORD_PTR taken = FALSE;
    // Not SMTO_BLOCK: the reply is sent to this thread while it waits here.
    const bool sent = SendMessageTimeoutW(core, WM_COPYDATA, reinterpret_cast<WPARAM>(window.Get()),
                                          reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                          timeout, &taken) != 0;
    if (box.received) {
        answer.outcome = CCommandAnswer::Outcome::Answered;
        answer.exitCode = box.exitCode;
        answer.text = box.text;
    } else if (!IsWindow(core)) {
        answer.outcome = CCommandAnswer::Outcome::NotRunning; // it ended meanwhile
    } else if (sent && !taken) {
        answer.outcome = CCommandAnswer::Outcome::Refused;
    } else {
        answer.outcome = CCommandAnswer::Outcome::NoAnswer;
    }
    return answer;
}

CommandExit AnswerExitCode(const CCommandAnswer& answer)
{
    switch (answer.outcome) {
    case CCommandAnswer::Outcome::Answered:
        return answer.exitCode;
    case CCommandAnswer::Outcome::NotRunning:
        return CommandExit::NotRunning;
    case CCommandAnswer::Outcome::NoAnswer:
    case CCommandAnswer::Outcome::Refused:
        break;
    }
    return CommandExit::Failed;
}
