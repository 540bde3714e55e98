#pragma once
// The requester's side of the command line's request (command_protocol.h):
// finds the running copy, sends the request and waits for the reply, within
// a bound.
#include <windows.h>

#include <string>

#include "app/command_line.h"

// How long a request waits for the running copy: it answers at once unless
// its thread is busy. A copy that stopped taking messages is given up on
// sooner (SMTO_ABORTIFHUNG).
constexpr DWORD kCommandTimeout = 10000;

struct CCommandAnswer
{
    enum class Outcome
    {
        Answered,   // `exitCode` and `text` are the reply's
        NotRunning, // no copy of this user and program name runs
        NoAnswer,   // it took the request but no reply came in time
        Refused,    // it did not take the request (a version before the command line)
    };
    Outcome outcome = Outcome::NotRunning;
    CommandExit exitCode = CommandExit::Failed;
    std::wstring text;
};

// Sends the request `command` to the running copy of this user whose
// program's file name has the hash `instanceHash`, and waits for its reply.
CCommandAnswer SendCommandRequest(const CCommand& command, DWORD instanceHash,
                                  DWORD timeout = kCommandTimeout);

// The exit code of the command line for `answer`: the reply's, or
// NotRunning, or Failed.
CommandExit AnswerExitCode(const CCommandAnswer& answer);
