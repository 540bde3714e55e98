// A second yardstick: the same property sheet as Tarvik's, from the same
// dialog templates and controls, with none of the program's own work (no
// log, settings, engine, tray icon or filled lists). What Tarvik needs
// beyond it is the cost of the program itself; what it shares with it is the
// cost of the pages' controls.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK TemplatePage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);

    const UINT templates[] = {IDD_GENERAL, IDD_STATUS, IDD_ABOUT};
    constexpr int count = sizeof templates / sizeof templates[0];
    HPROPSHEETPAGE pages[count] = {};
    for (int i = 0; i < count; ++i) {
        PROPSHEETPAGEW sheetPage = {};
        sheetPage.dwSize = sizeof(sheetPage);
        sheetPage.hInstance = instance;
        sheetPage.pszTemplate = MAKEINTRESOURCEW(templates[i]);
        sheetPage.pfnDlgProc = TemplatePage;
        pages[i] = CreatePropertySheetPageW(&sheetPage);
    }

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = MAKEINTRESOURCEW(IDS_APP_NAME);
    header.nPages = count;
    header.phpage = pages;
    return PropertySheetW(&header) < 0 ? 1 : 0;
}
