#include "ui/property_page.h"

namespace {

// Messages whose answer a dialog procedure returns itself instead of placing
// it in DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

} // namespace

CPropertyPage::CPropertyPage(UINT templateId) : m_templateId(templateId)
{
}

HPROPSHEETPAGE CPropertyPage::CreatePage()
{
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(m_templateId);
    page.pfnDlgProc = DialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageW(&page);
}

bool CPropertyPage::OnSheetNotification(const NMHDR& header, LRESULT& result)
{
    if (header.hwndFrom != m_window && header.hwndFrom != Sheet())
        return false;
    switch (header.code) {
    case PSN_SETACTIVE:
        OnSetActive();
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        result = OnApply(reinterpret_cast<const PSHNOTIFY&>(header).lParam != FALSE);
        return true;
    case PSN_RESET:
        OnReset();
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CPropertyPage* self;
    if (message == WM_INITDIALOG) {
        // The sheet hands the page its copy of the PROPSHEETPAGEW.
        self = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    } else {
        self = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self)
        return FALSE;

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_window = nullptr;
        self->OnFinalMessage();
        return FALSE;
    }

    LRESULT result = 0;
    bool answered = self->ProcessWindowMessage(window, message, wParam, lParam, result);
    if (!answered && message == WM_NOTIFY)
        answered = self->OnSheetNotification(*reinterpret_cast<const NMHDR*>(lParam), result);
    if (!answered && message == WM_INITDIALOG) {
        self->OnInitDialog();
        return TRUE;
    }
    if (!answered)
        return FALSE;
    if (AnswersDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}
