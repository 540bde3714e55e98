#include "ui/about_page.h"

#include <commctrl.h>

#include <string>

#include "common/system_helpers.h"
#include "common/version_info.h"
#include "resources/resource.h"

CAboutPage::CAboutPage() : CPropertyPage(IDD_ABOUT) {}

bool CAboutPage::ProcessWindowMessage(HWND window, UINT message, WPARAM, LPARAM lParam,
                                      LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
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
    CAppVersionInfo version;
    std::wstring line;
    if (version.VersionLine(line))
        SetDlgItemTextW(Handle(), IDC_VERSION, line.c_str());
    if (version.LegalNoticeLine(line))
        SetDlgItemTextW(Handle(), IDC_LEGAL, line.c_str());
}
