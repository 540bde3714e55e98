// The suspend tool: puts the computer to sleep or into hibernation at once.
#include "common/crash_report.h"
#include "common/system_helpers.h"
#include "suspend/console.h"
#include "suspend/suspend_operation.h"
#include "suspend/suspend_system.h"

#include <windows.h>

// The console object, ready before the entry point runs.
CConsole g_console;

int wmain(int argc, wchar_t** argv)
{
    // The search restricted first: the crash filter loads dbghelp, once the
    // command line asks for more than the usage.
    RestrictLibrarySearch();
    ApplyHeapOptions();
    SetCrashReportHook(ReportCrash);

    CSuspendSystem system;
    return RunSuspendTool(g_console, system, argc, argv, InstallCrashFilter);
}
