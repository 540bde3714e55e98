#pragma once
// The start-at-log-on choice: the value "Tarvik" in the current user's Run
// key, holding the program's path (quoted when it has spaces). It is kept
// nowhere else.
#include <windows.h>

extern const wchar_t kRunKeyPath[];   // "Software\Microsoft\Windows\CurrentVersion\Run"
extern const wchar_t kRunValueName[]; // "Tarvik"

// True when the value exists as REG_SZ or REG_EXPAND_SZ, fits MAX_PATH with
// its terminator and, unquoted but not expanded, names an existing file.
bool DetectRunAtStartup();

// Writes the running program's path to the value, or deletes the value.
// Failures are ignored: the next start shows the real state.
void UpdateRunAtStartup(bool enable);
