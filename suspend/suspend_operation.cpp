#include "suspend/suspend_operation.h"

#include "suspend/command_line.h"

int RunSuspendTool(CConsole& console, ISuspendSystem& system, int argc, wchar_t** argv)
{
    ParseCommandLine(console, argc, argv);
    console.WriteBanner();
    if (console.HasProblems()) {
        console.WriteParseReport();
        return EXIT_USAGE;
    }

    if (!EnableShutdownPrivilege(system)) {
        console.WriteError(L"Unable to set shutdown privilege");
        return EXIT_FAILED;
    }

    const DWORD options = console.OptionFlags();
    console.WriteLine(L"Suspending the system...");
    if (options & OPTION_FORCE)
        console.WriteLine(L"Operation will be suspended immediately.");
    if (options & OPTION_NO_WAKE)
        console.WriteLine(L"Wake Timers are disabled.");
    console.WriteLine((options & OPTION_HIBERNATE) ? L"Entering hibernation."
                                                   : L"Entering sleep state.");

    if (system.SetSuspendState((options & OPTION_HIBERNATE) != 0, (options & OPTION_FORCE) != 0,
                               (options & OPTION_NO_WAKE) != 0))
        return EXIT_SUSPENDED;

    console.WriteLastError(L"Suspend failed");
    return EXIT_FAILED;
}
