// Sends one command to the running Tarvik, for scripts that photograph it.
//
//   tarvik_remote.exe wait      waits (up to 15 s) until the window exists
//   tarvik_remote.exe about     the tray menu's About command
//   tarvik_remote.exe status    shows the Status page
//   tarvik_remote.exe menu      a right click on the tray icon: opens its menu
//   tarvik_remote.exe exit      the tray menu's Exit command
//   tarvik_remote.exe rect      prints the window's screen rectangle as
//                               shell assignments X= Y= WIDTH= HEIGHT=
//
// Otherwise exit code 0 when the message was delivered, 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "resources/resource.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 1;
    const std::wstring verb = argv[1];
    // The sheet: a dialog titled "Tarvik" that holds a tab control.
    HWND sheet = nullptr;
    for (int tries = 0; !sheet && tries < 1500; ++tries) {
        for (HWND w = nullptr;
             !sheet && (w = FindWindowExW(nullptr, w, L"#32770", L"Tarvik")) != nullptr;)
            sheet = FindWindowExW(w, nullptr, WC_TABCONTROLW, nullptr) ? w : nullptr;
        if (!sheet)
            Sleep(10);
    }
    if (!sheet)
        return 1;
    // The core's hidden window owns the tray icon and its menu.
    HWND core = FindWindowW(L"TarvikApplication", nullptr);
    if (!core)
        return 1;
    if (verb == L"wait")
        return 0;
    if (verb == L"rect") {
        RECT rect = {};
        if (!GetWindowRect(sheet, &rect))
            return 1;
        printf("X=%ld\nY=%ld\nWIDTH=%ld\nHEIGHT=%ld\n", rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top);
        return 0;
    }
    if (verb == L"about")
        return PostMessageW(core, WM_COMMAND, 32779, 0) ? 0 : 1;
    if (verb == L"status")
        return PostMessageW(sheet, PSM_SETCURSELID, 0, IDD_STATUS) ? 0 : 1;
    if (verb == L"exit")
        return PostMessageW(core, WM_COMMAND, 32780, 0) ? 0 : 1;
    if (verb == L"menu") {
        // As the shell reports a right click: the point in wParam, here the
        // pointer's, the event and the icon's id in lParam.
        POINT pointer = {};
        GetCursorPos(&pointer);
        return PostMessageW(core, RegisterWindowMessageW(L"TaskbarNotify"),
                            MAKEWPARAM(pointer.x, pointer.y), MAKELPARAM(WM_CONTEXTMENU, 128))
                   ? 0
                   : 1;
    }
    return 1;
}
