// Placeholder entry of the tray program: shows the sheet with its two pages
// as they come from the resources, until the main window takes over.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_STANDARD_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_LINK_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);

    const WORD templates[] = {IDD_GENERAL, IDD_ABOUT};
    HPROPSHEETPAGE pages[2] = {};
    for (int i = 0; i < 2; ++i) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof(page);
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(templates[i]);
        page.pfnDlgProc = EmptyPageProc;
        pages[i] = CreatePropertySheetPageW(&page);
        if (!pages[i]) {
            // The sheet never took ownership: free what was made.
            for (int j = 0; j < i; ++j)
                DestroyPropertySheetPage(pages[j]);
            return 1;
        }
    }

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = MAKEINTRESOURCEW(IDS_APP_NAME);
    header.nPages = 2;
    header.phpage = pages;
    return PropertySheetW(&header) < 0 ? 1 : 0;
}
