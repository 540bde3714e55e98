#include "app/command_line.h"

#include <shellapi.h>

#include <cwchar>

#include "common/handles.h"
#include "engine/power_engine.h"
#include "settings/run_at_startup.h"

namespace {

// Letter case ignored the same way on every system: no locale's rules.
bool SameWord(const wchar_t* argument, const wchar_t* word)
{
    return CompareStringOrdinal(argument, -1, word, -1, TRUE) == CSTR_EQUAL;
}

// A whole number of minutes keep-awake takes: digits only, from 1 to its limit.
bool ReadMinutes(const wchar_t* text, unsigned& minutes)
{
    unsigned long long value = 0;
    if (!*text)
        return false;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9')
            return false;
        value = value * 10 + static_cast<unsigned>(*c - L'0');
        if (value > kKeepAwakeMaxMinutes)
            return false;
    }
    if (value == 0)
        return false;
    minutes = static_cast<unsigned>(value);
    return true;
}

CCommand Start(StartKind start)
{
    CCommand command;
    command.kind = CCommand::Kind::Start;
    command.start = start;
    return command;
}

CCommand Request(RequestVerb verb, unsigned minutes = 0)
{
    CCommand command;
    command.kind = CCommand::Kind::Request;
    command.verb = verb;
    command.minutes = minutes;
    return command;
}

} // namespace

CCommand ParseCommand(int count, const wchar_t* const* arguments)
{
    if (count <= 0)
        return Start(StartKind::Ordinary);
    const wchar_t* first = arguments[0];
    if (count == 1) {
        for (StartKind start : {StartKind::Takeover, StartKind::Restart, StartKind::SignIn}) {
            if (wcscmp(first, StartArgument(start)) == 0)
                return Start(start);
        }
        if (SameWord(first, L"status"))
            return Request(RequestVerb::Status);
        return CCommand();
    }
    if (count == 2 && SameWord(first, L"keepawake")) {
        const wchar_t* length = arguments[1];
        if (SameWord(length, L"on"))
            return Request(RequestVerb::KeepAwake, kKeepAwakeUntilStopped);
        if (SameWord(length, L"off"))
            return Request(RequestVerb::KeepAwakeOff);
        unsigned minutes = 0;
        if (ReadMinutes(length, minutes))
            return Request(RequestVerb::KeepAwake, minutes);
    }
    return CCommand();
}

CCommand ParseCommandText(const wchar_t* commandLine)
{
    int count = 0;
    CLocalBlock block(CommandLineToArgvW(commandLine, &count));
    // Windows always gives a program its name; a line it cannot split is
    // nothing the program knows.
    if (!block.Get() || count < 1)
        return CCommand();
    return ParseCommand(count - 1, static_cast<const wchar_t* const*>(block.Get()) + 1);
}

const wchar_t* StartArgument(StartKind start)
{
    switch (start) {
    case StartKind::Takeover:
        return kTakeoverArgument;
    case StartKind::Restart:
        return kRestartArgument;
    case StartKind::SignIn:
        return kSignInArgument;
    case StartKind::Ordinary:
        break;
    }
    return L"";
}
