#pragma once
// The log file's life cycle on the process's logger: created with a header,
// appended to at each start, closed at the end. An empty path (no data
// folder) or a file that cannot be opened leaves the log closed, quietly.
#include <windows.h>

// Appends a separator and "Starting" to an existing log, or begins a new one.
void StartLog(const wchar_t* path);

// Creates (or empties) the log when none is open, then writes the header and
// "Starting". The Reset command calls CloseLog first so the file starts anew.
void ResetLog(const wchar_t* path);

// Writes "Stopping" and closes the log; later writes do nothing.
void StopLog();

// Closes the log without a line: the first half of the Reset command.
void CloseLog();

// Waits up to `timeout` milliseconds while another process holds the log at
// `path` open for writing. A copy that takes over from a running one calls it
// before it opens any window, so that its own log starts after the closing
// copy's "Stopping" instead of finding the file held. True when the file is
// free or absent.
bool WaitForLogRelease(const wchar_t* path, DWORD timeout);
