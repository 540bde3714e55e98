#include "ui/about_page.h"

#include <commctrl.h>

#include <string>

#include "common/system_helpers.h"
#include "common/version_info.h"
#include "resources/resource.h"
#include "ui/display_scale.h"

#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace {

// The page's icon control: its first static control of the icon kind.
HWND IconControl(HWND page)
{
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Static") == 0 &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return nullptr;
}

} // namespace

CAboutPage::CAboutPage() : CPropertyPage(IDD_ABOUT)
{
}

int CAboutPage::IconSizeForDpi(UINT dpi)
{
    return MulDiv(32, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

bool CAboutPage::ProcessWindowMessage(HWND window, UINT message, WPARAM, LPARAM lParam, LRESULT&)
{
    switch (message) {
    case WM_DPICHANGED_AFTERPARENT:
        // The sheet moved to a monitor of another scale, or its monitor's
        // scale changed: the icon of the new size. The dialog's own handling
        // of the change goes on.
        ShowIconForDpi();
        return false;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_WEBLINK && header->code == NM_CLICK) {
            const NMLINK* link = reinterpret_cast<const NMLINK*>(lParam);
            OpenWithShell(link->item.szUrl, nullptr, nullptr, window);
        }
        // The sheet's own handling of the notification goes on.
        return false;
    }
    default:
        return false;
    }
}

void CAboutPage::OnInitDialog()
{
    ShowIconForDpi();
    CAppVersionInfo version;
    std::wstring line;
    if (version.VersionLine(line))
        SetDlgItemTextW(Handle(), IDC_VERSION, line.c_str());
    if (version.LegalNoticeLine(line))
        SetDlgItemTextW(Handle(), IDC_LEGAL, line.c_str());
}

// The dialog's icon control loads the icon at the system's size for large
// icons, which on a monitor of another scale is a stretched picture. The page
// shows instead the icon's own image for its monitor (32 pixels at 100 %, 64
// at 200 %), or one scaled down from a larger image.
void CAboutPage::ShowIconForDpi()
{
    HWND control = IconControl(Handle());
    if (!control)
        return;
    HICON icon = LoadIconOfSize(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARVIK),
                                IconSizeForDpi(WindowDpi(Handle())));
    if (!icon)
        return;
    SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    m_icon.Reset(icon);
}

void CAboutPage::OnFinalMessage()
{
    // The control that showed the icon is gone.
    m_icon.Reset();
}
