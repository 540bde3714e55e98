#pragma once
// The start-at-log-on choice: the value "Tarvik" in the current user's Run
// key, holding the program's path (quoted when it has spaces) and the
// argument that marks a start at sign-in, and Windows' own record of whether the user turned that value off in Task Manager or
// Settings › Apps › Startup (a binary value of the same name under
// Explorer\StartupApproved\Run; see run_at_startup.cpp for its form).
#include <windows.h>

extern const wchar_t kRunKeyPath[];             // "Software\Microsoft\Windows\CurrentVersion\Run"
extern const wchar_t kStartupApprovedKeyPath[]; // "...\CurrentVersion\Explorer\StartupApproved\Run"
extern const wchar_t kRunValueName[];           // "Tarvik", the name in both keys

// The argument of the Run value: a copy Windows starts at sign-in ends
// quietly when another copy already runs (one reopened by Windows' "Restart
// apps", say) rather than show that copy's window.
extern const wchar_t kSignInArgument[]; // "/signin"

// The choice as the General page's box shows it.
class CRunAtStartup
{
public:
    // True when Windows will start the program: the Run value exists as
    // REG_SZ or REG_EXPAND_SZ, fits MAX_PATH with its terminator and, without
    // its arguments and quotes but not expanded, names an existing file; and
    // the StartupApproved record does not say that the user turned it off. A
    // missing, non-binary or empty record does not turn it off.
    bool Detect();

    // Writes the running program's path with kSignInArgument to the Run value,
    // or deletes the value together with the StartupApproved record, so that
    // a later tick does not inherit an old "off".
    // A record that says "off" is written back as "on" only when `enable` is a
    // change from what the box last showed (the last Detect or Update): the
    // page applies the box on every Apply and Close, and an unchanged tick
    // must not undo a choice the user made in Task Manager after the box was
    // filled. Failures are ignored: the next start shows the real state.
    void Update(bool enable);

private:
    bool m_shownOn = false;
};
