// The yardstick for Tarvik's start-up: the least a Win32 program must do to
// show a property sheet with two empty pages, built from in-memory templates.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK EmptyPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A dialog template with no controls: the header, then empty menu, class
// and title arrays.
struct CEmptyTemplate
{
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);

    static CEmptyTemplate page = {{WS_CHILD | DS_CONTROL, 0, 0, 0, 0, 253, 190}, 0, 0, 0};
    HPROPSHEETPAGE pages[2] = {};
    const wchar_t* titles[2] = {L"General", L"About"};
    for (int i = 0; i < 2; ++i) {
        PROPSHEETPAGEW sheetPage = {};
        sheetPage.dwSize = sizeof(sheetPage);
        sheetPage.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        sheetPage.hInstance = instance;
        sheetPage.pResource = &page.header;
        sheetPage.pszTitle = titles[i];
        sheetPage.pfnDlgProc = EmptyPage;
        pages[i] = CreatePropertySheetPageW(&sheetPage);
    }

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = L"Empty sheet";
    header.nPages = 2;
    header.phpage = pages;
    return PropertySheetW(&header) < 0 ? 1 : 0;
}
