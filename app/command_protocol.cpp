#include "app/command_protocol.h"

#include <cstring>

#include "common/handles.h"
#include "engine/power_engine.h"
#include "ui/instance_protocol.h"

namespace {

// The user of a process's token, read into a buffer of its own.
class CTokenUser
{
public:
    explicit CTokenUser(HANDLE token)
    {
        DWORD size = 0;
        m_read = GetTokenInformation(token, TokenUser, &m_data, sizeof(m_data), &size) != FALSE;
    }
    PSID Sid() { return m_read ? m_data.user.User.Sid : nullptr; }

private:
    union
    {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } m_data;
    bool m_read;
};

bool TaggedData(const COPYDATASTRUCT& data)
{
    return static_cast<DWORD>(data.dwData) == kCommandDataTag && data.lpData != nullptr;
}

} // namespace

CCommandRequest MakeCommandRequest(RequestVerb verb, unsigned minutes, HWND replyWindow,
                                   DWORD requestId)
{
    CCommandRequest request = {};
    request.magic = kRequestMagic;
    request.version = kCommandVersion;
    request.size = sizeof(request);
    request.verb = static_cast<DWORD>(verb);
    request.minutes = minutes;
    request.replyWindow = static_cast<DWORD>(HandleToLong(replyWindow));
    request.requestId = requestId;
    return request;
}

bool ReadCommandRequest(const COPYDATASTRUCT& data, CCommandRequest& request)
{
    if (!TaggedData(data) || data.cbData != sizeof(request))
        return false;
    CCommandRequest read;
    std::memcpy(&read, data.lpData, sizeof(read));
    if (read.magic != kRequestMagic || read.version != kCommandVersion ||
        read.size != sizeof(read) || read.replyWindow == 0)
        return false;
    switch (static_cast<RequestVerb>(read.verb)) {
    case RequestVerb::Status:
    case RequestVerb::KeepAwakeOff:
        if (read.minutes != 0)
            return false;
        break;
    case RequestVerb::KeepAwake:
        if (read.minutes > kKeepAwakeMaxMinutes)
            return false;
        break;
    default:
        return false;
    }
    request = read;
    return true;
}

HWND ReplyWindowOf(const CCommandRequest& request)
{
    return static_cast<HWND>(LongToHandle(static_cast<LONG>(request.replyWindow)));
}

std::vector<BYTE> MakeCommandReply(DWORD requestId, CommandExit exitCode, const std::wstring& text)
{
    const size_t length = text.size() < kMaxReplyText ? text.size() : kMaxReplyText;
    CCommandReplyHeader header = {};
    header.magic = kReplyMagic;
    header.version = kCommandVersion;
    header.size = sizeof(header);
    header.requestId = requestId;
    header.exitCode = static_cast<DWORD>(exitCode);
    header.textLength = static_cast<DWORD>(length);
    std::vector<BYTE> bytes(sizeof(header) + length * sizeof(wchar_t));
    std::memcpy(bytes.data(), &header, sizeof(header));
    if (length)
        std::memcpy(bytes.data() + sizeof(header), text.data(), length * sizeof(wchar_t));
    return bytes;
}

bool ReadCommandReply(const COPYDATASTRUCT& data, DWORD requestId, CommandExit& exitCode,
                      std::wstring& text)
{
    CCommandReplyHeader header;
    if (!TaggedData(data) || data.cbData < sizeof(header))
        return false;
    std::memcpy(&header, data.lpData, sizeof(header));
    if (header.magic != kReplyMagic || header.version != kCommandVersion ||
        header.size != sizeof(header) || header.requestId != requestId ||
        header.textLength > kMaxReplyText ||
        data.cbData != sizeof(header) + header.textLength * sizeof(wchar_t))
        return false;
    const auto code = static_cast<CommandExit>(header.exitCode);
    if (code != CommandExit::Done && code != CommandExit::SleepHeld)
        return false;
    text.resize(header.textLength);
    if (header.textLength)
        std::memcpy(&text[0], static_cast<const BYTE*>(data.lpData) + sizeof(header),
                    header.textLength * sizeof(wchar_t));
    exitCode = code;
    return true;
}

bool ProcessOfThisUser(DWORD processId)
{
    if (processId == 0)
        return false;
    if (processId == GetCurrentProcessId())
        return true;
    // Limited information may be read of an elevated process of the user, too.
    CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    CHandle theirs, ours;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_QUERY, theirs.Receive()) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, ours.Receive()))
        return false;
    CTokenUser theirUser(theirs.Get()), ourUser(ours.Get());
    return theirUser.Sid() && ourUser.Sid() && EqualSid(theirUser.Sid(), ourUser.Sid());
}

HWND FindRunningCore(DWORD instanceHash)
{
    for (HWND window = nullptr;
         (window = FindWindowExW(nullptr, window, kCoreWindowClass, nullptr)) != nullptr;) {
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(
                GetPropW(window, kInstanceHashProperty))) != instanceHash)
            continue;
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (ProcessOfThisUser(process))
            return window;
    }
    return nullptr;
}
