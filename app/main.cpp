#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

static INT_PTR CALLBACK EmptyPageProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0xC1FF};
    InitCommonControlsEx(&icc);

    PROPSHEETPAGEW pages[2] = {};
    const WORD ids[2] = {IDD_GENERAL, IDD_ABOUT};
    HPROPSHEETPAGE handles[2];
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof(PROPSHEETPAGEW);
        pages[i].hInstance = instance;
        pages[i].pszTemplate = MAKEINTRESOURCEW(ids[i]);
        pages[i].pfnDlgProc = EmptyPageProc;
        handles[i] = CreatePropertySheetPageW(&pages[i]);
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = MAKEINTRESOURCEW(IDS_APP_NAME);
    header.nPages = 2;
    header.phpage = handles;
    return static_cast<int>(PropertySheetW(&header));
}
