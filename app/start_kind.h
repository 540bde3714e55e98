#pragma once
// What a start of the tray program asks for, read from its command line in
// this one place; and the command line Windows restarts the program with.
#include <windows.h>

enum class StartKind
{
    Ordinary, // no argument, or one the program does not know
    Takeover, // "runas": a running copy saves and ends, this one carries on
    Restart,  // kRestartArgument: Windows reopens the program after a restart
    SignIn,   // kSignInArgument: the Run value starts the program at sign-in
};

// The argument the program registers for Windows to restart it with. Not for
// users: it only tells a copy that Windows started it.
constexpr wchar_t kRestartArgument[] = L"/restarted";

// Each argument counts only as the one and only argument, compared exactly
// (letter case too); every other command line is an ordinary start.
StartKind ClassifyCommandLine(const wchar_t* commandLine);

// Asks Windows to start the program again, with kRestartArgument, after an
// update or a restart. Called while the session's end is queried: the last
// moment Windows takes it.
HRESULT RegisterForRestart();
