#include "app/start_kind.h"

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
