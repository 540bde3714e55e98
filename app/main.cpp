// The tray program's entry: one copy per log-on and file name, then the main
// window, whose modal loop is the program's only message loop; or a request
// of the command line to the running copy.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/application.h"
#include "app/command_client.h"
#include "app/command_line.h"
#include "app/instance_manager.h"
#include "common/handles.h"
#include "common/crash_report.h"
#include "common/system_helpers.h"
#include "log/log_file.h"
#include "ui/main_sheet.h"

namespace {

// How long a takeover start waits for the running copy to end.
const DWORD kTakeoverWait = 5000;

INT_PTR Run(CApplication& application)
{
    InstallCrashFilter();
    ApplyHeapOptions();
    SetCrashReportHook(ReportCrash);

    // COM for the thread, released when the sheet has closed.
    CComApartment apartment(
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)));
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);

    // The settings file needs COM: the core starts after it.
    if (!application.Start())
        return -1;
    INT_PTR result = 0;
    // A close that came while the core started (another copy's takeover)
    // leaves no window to show.
    if (!application.Exiting()) {
        CMainSheet sheet(application);
        application.SetView(&sheet);
        result = sheet.DoModal();
        application.SetView(nullptr);
    }
    application.Shutdown();
    return result;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictLibrarySearch();

    // A window program has no console to write to: given a request, it does
    // what Tarvik.com does without a word and ends with the same code; given
    // anything it does not know, it refuses with 2. Neither starts a copy.
    const CCommand command = ParseCommandText(GetCommandLineW());
    if (command.kind == CCommand::Kind::Refused)
        return static_cast<int>(CommandExit::Usage);
    CInstanceManager instanceManager;
    if (command.kind == CCommand::Kind::Request)
        return static_cast<int>(
            AnswerExitCode(SendCommandRequest(command, instanceManager.InstanceHash())));

    CApplication application(instanceManager.InstanceHash());
    if (!instanceManager.CheckInstance(command.start))
        return 0; // the running copy carries on, and shows its window if asked
    // The closing copy saves and writes "Stopping" in a moment: let it finish
    // before this one reads the settings and continues the log.
    if (instanceManager.TookOver())
        WaitForLogRelease(application.LogPath().c_str(), kTakeoverWait);
    return static_cast<int>(Run(application));
}
