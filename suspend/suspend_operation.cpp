#include "suspend/suspend_operation.h"

#include "resources/resource.h"
#include "suspend/command_line.h"

namespace {

// What the machine cannot do of what was asked, said before anything is
// requested. Nothing is said when the system cannot tell: the request then
// goes ahead as it always did. Returns the exit code, or -1 to go on.
int CheckMachine(CConsole& console, ISuspendSystem& system, bool hibernate)
{
    const CMachinePower machine = ReadMachinePower(system);
    if (!hibernate && machine.capabilitiesKnown && !machine.sleepState) {
        // Without S1 to S3 a request to sleep hibernates or does nothing; a
        // Modern Standby computer enters standby when its display turns off
        // ("Prepare software for modern standby").
        if (machine.modernStandby) {
            console.WriteResourceMessage(IDS_SUSPEND_MODERN_STANDBY, MSG_INFORMATION | MSG_LINEEND,
                                         0);
            system.TurnDisplayOff();
            return EXIT_SUSPENDED;
        }
        console.WriteResourceMessage(IDS_SUSPEND_NO_SLEEP_STATE, MSG_ERROR, 1);
        if (machine.hibernation != Answer::No)
            console.WriteResourceMessage(IDS_SUSPEND_USE_HIBERNATION, MSG_INFORMATION | MSG_LINEEND,
                                         0);
        return EXIT_FAILED;
    }
    if (hibernate && machine.hibernation == Answer::No) {
        console.WriteResourceMessage(IDS_SUSPEND_NO_HIBERNATION, MSG_ERROR, 1);
        return EXIT_FAILED;
    }
    return -1;
}

} // namespace

int RunSuspendTool(CConsole& console, ISuspendSystem& system, int argc, wchar_t** argv,
                   void (*beforeWork)())
{
    ParseCommandLine(console, argc, argv);
    console.WriteBanner();
    if (console.HasProblems()) {
        console.WriteParseReport();
        return EXIT_USAGE;
    }
    if (beforeWork)
        beforeWork();

    const DWORD options = console.OptionFlags();
    const int checked = CheckMachine(console, system, (options & OPTION_HIBERNATE) != 0);
    if (checked >= 0)
        return checked;

    if (!EnableShutdownPrivilege(system)) {
        console.WriteError(L"Unable to set shutdown privilege");
        return EXIT_FAILED;
    }

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
