#pragma once
// What a start of the tray program asks for (command_line.h reads it from the
// command line), and the command line Windows restarts the program with.
#include <windows.h>

enum class StartKind
{
    Ordinary, // no argument
    Takeover, // "runas": a running copy saves and ends, this one carries on
    Restart,  // kRestartArgument: Windows reopens the program after a restart
    SignIn,   // kSignInArgument: the Run value starts the program at sign-in
};

// The argument of a takeover start.
constexpr wchar_t kTakeoverArgument[] = L"runas";
// The argument the program registers for Windows to restart it with. Not for
// users: it only tells a copy that Windows started it.
constexpr wchar_t kRestartArgument[] = L"/restarted";

// Asks Windows to start the program again, with kRestartArgument, after an
// update or a restart. Called while the session's end is queried: the last
// moment Windows takes it.
HRESULT RegisterForRestart();
