#include "app/start_kind.h"

#include <shellapi.h>

#include <cwchar>

#include "common/handles.h"
#include "settings/run_at_startup.h"

StartKind ClassifyCommandLine(const wchar_t* commandLine)
{
    int count = 0;
    CLocalBlock block(CommandLineToArgvW(commandLine, &count));
    if (!block.Get() || count != 2)
        return StartKind::Ordinary;
    const wchar_t* argument = static_cast<const wchar_t* const*>(block.Get())[1];
    if (wcscmp(argument, L"runas") == 0)
        return StartKind::Takeover;
    if (wcscmp(argument, kRestartArgument) == 0)
        return StartKind::Restart;
    if (wcscmp(argument, kSignInArgument) == 0)
        return StartKind::SignIn;
    return StartKind::Ordinary;
}

HRESULT RegisterForRestart()
{
    // "RegisterApplicationRestart function (winbase.h)", Microsoft Learn: the
    // flags name what does not restart the program. It comes back after an
    // update or a reboot (Windows 10 1709 and later also reopen it when the
    // user signs in after a restart, with "Restart apps" on), not after a
    // crash or a hang, which the crash report's dump covers; Windows would
    // otherwise offer the user a restart there.
    //
    // With "Run when Windows starts" ticked as well, two copies start at the
    // sign-in; the argument tells the restarted one to end quietly when the
    // other runs, rather than have it show its window.
    return RegisterApplicationRestart(kRestartArgument, RESTART_NO_CRASH | RESTART_NO_HANG);
}
