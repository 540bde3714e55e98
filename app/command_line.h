#pragma once
// What Tarvik's command line asks for, read in this one place for both
// Tarvik.exe and its console twin Tarvik.com: a start of the tray program
// (the start forms of start_kind.h), a request to the running copy
// ("status", "keepawake <minutes>|on|off"), or nothing it knows, which is
// refused and changes nothing.
//
// The verbs and "on"/"off" are taken in any letter case, as Windows' own
// commands are; the start arguments only exactly as written, as they always
// were ("RUNAS" is refused, not a takeover).
#include <windows.h>

#include <string>

#include "app/start_kind.h"

// The requests to the running copy; the values travel in the request
// (command_protocol.h) and never change.
enum class RequestVerb : DWORD
{
    Status = 1,       // the status report; sleep allowed now or not
    KeepAwake = 2,    // for `minutes`, or until stopped (kKeepAwakeUntilStopped)
    KeepAwakeOff = 3, // end keep-awake
};

// The exit codes of both programs for the command line.
enum class CommandExit : int
{
    Done = 0,       // started, done, or (status) sleep is allowed now
    SleepHeld = 1,  // status: something holds the computer awake
    Usage = 2,      // refused: the usage line, nothing changed
    NotRunning = 3, // a request, and no copy of this user and name runs
    Failed = 4,     // no answer from the running copy, or Tarvik.exe did not start
};

struct CCommand
{
    enum class Kind
    {
        Start,   // `start` says which
        Request, // `verb` and `minutes`
        Refused,
    };
    Kind kind = Kind::Refused;
    StartKind start = StartKind::Ordinary;
    RequestVerb verb = RequestVerb::Status;
    // KeepAwake: 1 to kKeepAwakeMaxMinutes, or kKeepAwakeUntilStopped for "on".
    unsigned minutes = 0;
};

// The arguments after the program's name, `count` of them.
CCommand ParseCommand(int count, const wchar_t* const* arguments);
// A whole command line, the program's name first, split as Windows splits it.
CCommand ParseCommandText(const wchar_t* commandLine);

// The argument a start form is given with; empty for an ordinary start.
const wchar_t* StartArgument(StartKind start);
