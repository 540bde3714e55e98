// The command line of both programs: what it is read as, and the request and
// reply that carry it to the running copy, checked field by field.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/command_protocol.h"
#include "app/start_kind.h"
#include "engine/power_engine.h"
#include "settings/run_at_startup.h"

namespace {

// A parse result as one text: "start runas", "status", "keepawake 30",
// "keepawake off", "refused".
std::wstring Describe(const CCommand& command)
{
    if (command.kind != CCommand::Kind::Request)
        return command.kind == CCommand::Kind::Start
                   ? L"start " + std::wstring(StartArgument(command.start))
                   : L"refused";
    if (command.verb == RequestVerb::KeepAwake)
        return L"keepawake " + std::to_wstring(command.minutes);
    return command.verb == RequestVerb::Status ? L"status" : L"keepawake off";
}

// Every argument form, as a whole command line split as Windows splits it.
// The start forms count alone and exactly; the verbs and on/off in any case;
// the minutes are digits from 1 to keep-awake's limit; everything else,
// extra or missing arguments included, is refused.
TEST(CommandLine, StartFormsVerbsAndMinutesAreReadAndEverythingElseIsRefused)
{
    const std::wstring program = L"\"C:\\Program Files\\Tarvik\\Tarvik.exe\"";
    const std::wstring restart = kRestartArgument, signIn = kSignInArgument;
    const std::wstring most = std::to_wstring(kKeepAwakeMaxMinutes);
    const std::pair<std::wstring, std::wstring> read[] = {
        {L"", L"start "},
        {L"runas", L"start runas"},
        {L"\"runas\"", L"start runas"}, // the split takes the quotes off
        {restart, L"start " + restart},
        {signIn, L"start " + signIn},
        {L"STATUS", L"status"},
        {L"KeepAwake 1", L"keepawake 1"},
        {L"keepawake 030", L"keepawake 30"},
        {L"keepawake " + most, L"keepawake " + most},
        {L"keepawake on", L"keepawake 0"}, // until stopped
        {L"keepawake Off", L"keepawake off"},
    };
    // clang-format off
    std::vector<std::wstring> refused = {
        L"RUNAS", L"/runas", L"runas x", L"/RESTARTED", L"x", L"status 30", L"keepawake",
        L"keepawake 0", L"keepawake 00", L"keepawake -5", L"keepawake 5m", L"\"keepawake 5\"",
        L"keepawake \" 5\"", L"keepawake 99999999999999999999999", L"keepawake 30 30",
        L"keepawake \"\"", L"keep awake"};
    // clang-format on
    refused.insert(refused.end(), {L"runas " + restart, restart.substr(1), L"\"" + restart + L" \"",
                                   signIn + L" " + restart,
                                   L"keepawake " + std::to_wstring(kKeepAwakeMaxMinutes + 1)});
    const auto parsed = [&program](const std::wstring& arguments) {
        const std::wstring line = program + (arguments.empty() ? L"" : L" " + arguments);
        return Describe(ParseCommandText(line.c_str()));
    };
    for (const auto& c : read)
        EXPECT_EQ(c.second, parsed(c.first)) << c.first.c_str();
    for (const std::wstring& arguments : refused)
        EXPECT_EQ(L"refused", parsed(arguments)) << arguments.c_str();
    // The console twin's arguments arrive split already.
    const wchar_t* const split[] = {L"keepawake", L"45"};
    EXPECT_EQ(L"keepawake 45", Describe(ParseCommand(2, split)));
    EXPECT_EQ(L"start ", Describe(ParseCommand(0, nullptr)));
}

COPYDATASTRUCT DataOf(const void* bytes, size_t size, ULONG_PTR tag = kCommandDataTag)
{
    return COPYDATASTRUCT{tag, static_cast<DWORD>(size), const_cast<void*>(bytes)};
}

// This window handle's value has nothing to do with a real one: the request
// only carries it.
const HWND kSomeWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));

bool Reads(const CCommandRequest& request, size_t size = sizeof(CCommandRequest),
           ULONG_PTR tag = kCommandDataTag)
{
    CCommandRequest read = {};
    return ReadCommandRequest(DataOf(&request, size, tag), read) &&
           std::memcmp(&read, &request, sizeof(read)) == 0;
}

// A request is taken only with this version's exact size, tag, magic,
// version and size field, a known verb, minutes that fit it and a reply
// window; the window handle crosses between 32- and 64-bit programs.
TEST(CommandProtocol, OnlyAWellFormedRequestOfThisVersionIsRead)
{
    const CCommandRequest good = MakeCommandRequest(RequestVerb::KeepAwake, 30, kSomeWindow, 77);
    ASSERT_TRUE(Reads(good));
    EXPECT_EQ(kSomeWindow, ReplyWindowOf(good));
    // Minutes only for keep-awake, up to its limit (0: until stopped).
    const std::tuple<RequestVerb, unsigned, bool> verbs[] = {
        {RequestVerb::Status, 0, true},    {RequestVerb::KeepAwakeOff, 0, true},
        {RequestVerb::KeepAwake, 0, true}, {RequestVerb::KeepAwake, kKeepAwakeMaxMinutes, true},
        {RequestVerb::Status, 5, false},   {RequestVerb::KeepAwakeOff, 5, false}};
    for (const auto& [verb, minutes, taken] : verbs)
        EXPECT_EQ(taken, Reads(MakeCommandRequest(verb, minutes, kSomeWindow, 1)))
            << static_cast<int>(verb) << " " << minutes;
    // A handle with its top bit set, as a 32-bit requester sends it, comes
    // back sign-extended in a 64-bit core, as Windows widens handles.
    const HWND high = static_cast<HWND>(LongToHandle(static_cast<LONG>(0x80001234)));
    EXPECT_EQ(high, ReplyWindowOf(MakeCommandRequest(RequestVerb::Status, 0, high, 1)));

    EXPECT_FALSE(Reads(good, sizeof(good) - 1)) << "too short";
    EXPECT_FALSE(Reads(good, 0)) << "empty";
    EXPECT_FALSE(Reads(good, sizeof(good), kCommandDataTag + 1)) << "another program's tag";
    CCommandRequest read = {};
    EXPECT_FALSE(ReadCommandRequest(COPYDATASTRUCT{kCommandDataTag, sizeof(good), nullptr}, read))
        << "no data";
    struct
    {
        CCommandRequest request;
        DWORD extra;
    } longer = {good, 0};
    EXPECT_FALSE(Reads(longer.request, sizeof(longer))) << "too long";

    // One field changed at a time.
    void (*const changes[])(CCommandRequest&) = {
        [](CCommandRequest& r) { r.magic ^= 1; },
        [](CCommandRequest& r) { r.version = 2; },
        [](CCommandRequest& r) { r.version = 0; },
        [](CCommandRequest& r) { r.size = 28; },
        [](CCommandRequest& r) { r.size = 0; },
        [](CCommandRequest& r) { r.verb = 0; },
        [](CCommandRequest& r) { r.verb = 4; },
        [](CCommandRequest& r) { r.verb = 0xFFFFFFFF; },
        [](CCommandRequest& r) { r.minutes = kKeepAwakeMaxMinutes + 1; }, // past the limit
        [](CCommandRequest& r) { r.minutes = 0xFFFFFFFF; },
        [](CCommandRequest& r) { r.replyWindow = 0; }, // no reply window
    };
    for (size_t i = 0; i < sizeof changes / sizeof changes[0]; ++i) {
        CCommandRequest request = good;
        changes[i](request);
        EXPECT_FALSE(Reads(request)) << "change " << i;
    }
}

// A reply is taken only for the request it answers, with this version's
// header, an exit code a reply may carry, and exactly the text it announces.
TEST(CommandProtocol, OnlyAWellFormedReplyToThisRequestIsRead)
{
    const std::wstring report = L"Tarvik status at now\n\nSleep now: held";
    const std::vector<BYTE> good = MakeCommandReply(9, CommandExit::SleepHeld, report);
    ASSERT_EQ(sizeof(CCommandReplyHeader) + report.size() * sizeof(wchar_t), good.size());
    CommandExit code = CommandExit::Failed;
    std::wstring text;
    ASSERT_TRUE(ReadCommandReply(DataOf(good.data(), good.size()), 9, code, text));
    EXPECT_EQ(CommandExit::SleepHeld, code);
    EXPECT_EQ(report, text);
    const std::vector<BYTE> empty = MakeCommandReply(9, CommandExit::Done, L"");
    ASSERT_TRUE(ReadCommandReply(DataOf(empty.data(), empty.size()), 9, code, text));
    EXPECT_EQ(CommandExit::Done, code);
    EXPECT_EQ(L"", text);

    const auto reads = [](const std::vector<BYTE>& bytes, size_t size, DWORD id = 9,
                          ULONG_PTR tag = kCommandDataTag) {
        CommandExit exitCode = CommandExit::Failed;
        std::wstring read = L"untouched";
        const bool taken = ReadCommandReply(DataOf(bytes.data(), size, tag), id, exitCode, read);
        EXPECT_TRUE(taken || read == L"untouched") << "a refused reply left text behind";
        return taken;
    };
    EXPECT_FALSE(reads(good, good.size(), 8)) << "another request's";
    EXPECT_FALSE(reads(good, good.size(), 9, 0)) << "another program's tag";
    EXPECT_FALSE(reads(good, good.size() - 2)) << "text cut short";
    EXPECT_FALSE(reads(good, sizeof(CCommandReplyHeader) - 1)) << "header cut short";
    std::vector<BYTE> longer = good;
    longer.resize(good.size() + 2);
    EXPECT_FALSE(reads(longer, longer.size())) << "more than the text";

    const auto changed = [&good](size_t offset, DWORD value, size_t width = sizeof(DWORD)) {
        std::vector<BYTE> bytes = good;
        std::memcpy(bytes.data() + offset, &value, width);
        return bytes;
    };
    EXPECT_FALSE(reads(changed(offsetof(CCommandReplyHeader, magic), kRequestMagic), good.size()));
    EXPECT_FALSE(reads(changed(offsetof(CCommandReplyHeader, version), 2, 2), good.size()));
    EXPECT_FALSE(reads(changed(offsetof(CCommandReplyHeader, size), 24, 2), good.size()));
    for (DWORD other : {2u, 3u, 4u, 0xFFFFFFFFu})
        EXPECT_FALSE(reads(changed(offsetof(CCommandReplyHeader, exitCode), other), good.size()))
            << "exit code " << other;
    EXPECT_FALSE(reads(changed(offsetof(CCommandReplyHeader, textLength), 0xFFFFFFFF), good.size()))
        << "a length whose bytes wrap around";
    const std::vector<BYTE> huge =
        MakeCommandReply(9, CommandExit::Done, std::wstring(kMaxReplyText + 10, L'x'));
    EXPECT_EQ(sizeof(CCommandReplyHeader) + kMaxReplyText * sizeof(wchar_t), huge.size())
        << "a reply is cut to its longest text";
}

} // namespace
