// A preview of Tarvik's property sheet built from the real resource script:
// both pages filled with typical values, for checking the layout by eye and
// for the screenshots of docs/.
//
//   dialog_preview.exe [0|1]    the page to start on: 0 General, 1 About
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

std::wstring LoadText(UINT id)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

void FillCombo(HWND page, int id, std::initializer_list<UINT> texts, int selected)
{
    HWND combo = GetDlgItem(page, id);
    for (UINT text : texts)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(text).c_str()));
    SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

void SetPickerTime(HWND page, int id, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = 0;
    SendMessageW(GetDlgItem(page, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    for (int id : {IDC_BLANKING, IDC_ALLOW_SUSPEND, IDC_AUTO_RESUME, IDC_AUTO_SUSPEND,
                   IDC_RUN_COMMAND, IDC_RUN_AT_STARTUP})
        CheckDlgButton(page, id, BST_CHECKED);
    FillCombo(page, IDC_CONDITION, {IDS_ALWAYS, IDS_IF_NO_CONNECTION}, 1);
    SetDlgItemTextW(page, IDC_PORTS, L"80, 443");
    FillCombo(page, IDC_ENDPOINT, {IDS_LOCAL, IDS_REMOTE, IDS_BOTH}, 1);
    FillCombo(page, IDC_RESUME_MODE, {IDS_ONCE_ON, IDS_EVERY, IDS_DAILY_AT}, 0);
    SetPickerTime(page, IDC_RESUME_TIME, 7, 0, 0);
    SendDlgItemMessageW(page, IDC_SUSPEND_DELAY, DTM_SETFORMATW, 0,
                        reinterpret_cast<LPARAM>(L"HH:mm:ss"));
    SetPickerTime(page, IDC_SUSPEND_DELAY, 0, 10, 0);
    FillCombo(page, IDC_SUSPEND_STATE, {IDS_SLEEP, IDS_HIBERNATE}, 0);
    SetDlgItemTextW(page, IDC_COMMAND, L"\"C:\\Program Files\\Backup\\backup.exe\" /quiet");
    return TRUE;
}

// The running file's version resource: "Version 1.0 (Build 1)" and the
// first sentence of the legal notice, as the About page shows them.
void FillVersionLines(HWND page)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH))
        return;
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &ignored));
    if (block.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()))
        return;

    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        wchar_t number[64] = {};
        wchar_t line[128] = {};
        _snwprintf(number, 63, LoadText(IDS_VERSION_NUMBER).c_str(), HIWORD(fixed->dwFileVersionMS),
                   LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS));
        _snwprintf(line, 127, LoadText(IDS_VERSION).c_str(), number);
        std::wstring text = line;
        BOOL wow64 = FALSE;
        if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
            text += L", " + LoadText(IDS_32BIT) + L".";
        SetDlgItemTextW(page, IDC_VERSION, text.c_str());
    }
    if (VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\LegalCopyright", &value, &length)) {
        std::wstring notice(static_cast<const wchar_t*>(value));
        size_t period = notice.find(L'.');
        if (period != std::wstring::npos)
            notice.erase(period + 1);
        SetDlgItemTextW(page, IDC_LEGAL, notice.c_str());
    }
}

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    FillVersionLines(page);
    return TRUE;
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED) {
        // As in the program: OK reads "Close" and Cancel is disabled.
        PostMessageW(sheet, PSM_CANCELTOCLOSE, 0, 0);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        auto icon = [instance](int metric) {
            return reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARVIK), IMAGE_ICON,
                                                       GetSystemMetrics(metric), GetSystemMetrics(metric),
                                                       LR_SHARED));
        };
        SendMessageW(sheet, WM_SETICON, ICON_BIG, icon(SM_CXICON));
        SendMessageW(sheet, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON));
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_DATE_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);

    const struct
    {
        WORD id;
        DLGPROC proc;
    } pages[] = {{IDD_GENERAL, GeneralPageProc}, {IDD_ABOUT, AboutPageProc}};
    HPROPSHEETPAGE handles[2] = {};
    for (int i = 0; i < 2; ++i) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof(page);
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(pages[i].id);
        page.pfnDlgProc = pages[i].proc;
        handles[i] = CreatePropertySheetPageW(&page);
        if (!handles[i])
            return 2;
    }

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = MAKEINTRESOURCEW(IDS_APP_NAME);
    header.nPages = 2;
    header.nStartPage = wcstol(commandLine, nullptr, 10) == 1 ? 1 : 0;
    header.phpage = handles;
    header.pfnCallback = SheetCallback;
    return PropertySheetW(&header) < 0 ? 1 : 0;
}
