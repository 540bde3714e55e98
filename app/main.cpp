// The tray program's entry: one copy per log-on and file name, then the main
// window, whose modal loop is the program's only message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/instance_manager.h"
#include "common/crash_report.h"
#include "common/system_helpers.h"
#include "ui/main_sheet.h"

namespace {

// COM for the thread, released when the sheet has closed.
class CComApartment
{
public:
    CComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
    ~CComApartment() { CoUninitialize(); }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;
};

INT_PTR RunMainWindow(CMainSheet& sheet)
{
    InstallCrashFilter();
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    ULONG lowFragmentation = 2;
    HeapSetInformation(GetProcessHeap(), HeapCompatibilityInformation, &lowFragmentation,
                       sizeof(lowFragmentation));
    SetCrashReportHook(ReportCrash);

    CComApartment apartment;
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    return sheet.DoModal();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictLibrarySearch();

    CInstanceManager instanceManager;
    CMainSheet sheet(instanceManager.InstanceHash());
    if (!instanceManager.CheckInstance())
        return 0; // the running copy shows its window instead
    return static_cast<int>(RunMainWindow(sheet));
}
