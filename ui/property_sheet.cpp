#include "ui/property_sheet.h"

#include <commctrl.h>

#include <map>
#include <new>

namespace {

// The sheet object each thread is creating a window for: the sheet callback
// receives no context of its own.
std::map<DWORD, CPropertySheet*>& SheetsBeingCreated()
{
    static std::map<DWORD, CPropertySheet*> sheets;
    return sheets;
}

CPropertySheet* TakeSheetOfThisThread()
{
    auto& sheets = SheetsBeingCreated();
    auto found = sheets.find(GetCurrentThreadId());
    if (found == sheets.end())
        return nullptr;
    CPropertySheet* sheet = found->second;
    sheets.erase(found);
    return sheet;
}

// Sends a notification of the sheet to one of its pages; the page's answer.
LRESULT NotifyPage(HWND sheet, HWND page, UINT code, bool closing)
{
    PSHNOTIFY notify = {};
    notify.hdr.hwndFrom = sheet;
    notify.hdr.idFrom = 0;
    notify.hdr.code = code;
    notify.lParam = closing ? TRUE : FALSE;
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

} // namespace

CPropertySheet::CPropertySheet(UINT captionId)
{
    ZeroMemory(&m_header, sizeof(m_header));
    m_header.dwSize = sizeof(m_header);
    m_header.dwFlags = PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    m_header.hInstance = GetModuleHandleW(nullptr);
    m_header.pszCaption = MAKEINTRESOURCEW(captionId);
    m_header.nStartPage = 0;
    m_header.pfnCallback = SheetCallback;
}

CPropertySheet::~CPropertySheet()
{
    // Pages no window took over are still ours.
    for (HPROPSHEETPAGE page : m_pages)
        DestroyPropertySheetPage(page);
}

bool CPropertySheet::AddPage(CPropertyPage& page)
{
    HPROPSHEETPAGE handle = page.CreatePage();
    if (!handle)
        return false;
    if (Handle()) {
        if (!SendMessageW(Handle(), PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
            DestroyPropertySheetPage(handle);
            return false;
        }
        return true;
    }
    if (m_pages.size() == m_pages.capacity())
        m_pages.reserve(m_pages.empty() ? 1 : m_pages.size() * 2);
    m_pages.push_back(handle);
    return true;
}

INT_PTR CPropertySheet::DoModal()
{
    return Run(false);
}

HWND CPropertySheet::CreateModeless()
{
    const INT_PTR result = Run(true);
    return result == -1 ? nullptr : reinterpret_cast<HWND>(result);
}

INT_PTR CPropertySheet::Run(bool modeless)
{
    if (modeless)
        m_header.dwFlags |= PSH_MODELESS;
    else
        m_header.dwFlags &= ~static_cast<DWORD>(PSH_MODELESS);
    m_header.nPages = static_cast<UINT>(m_pages.size());
    m_header.phpage = m_pages.data();

    try {
        SheetsBeingCreated()[GetCurrentThreadId()] = this;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_OUTOFMEMORY);
        return -1;
    }
    const INT_PTR result = PropertySheetW(&m_header);
    // Normally the callback has taken the record already.
    if (SheetsBeingCreated().count(GetCurrentThreadId()))
        SheetsBeingCreated().erase(GetCurrentThreadId());

    m_header.phpage = nullptr;
    m_header.nPages = 0;
    return result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message != PSCB_INITIALIZED)
        return 0;
    CPropertySheet* sheet = TakeSheetOfThisThread();
    if (!sheet || !sheet->Subclass(window))
        return 0;
    // The window owns the pages now.
    sheet->m_pages.clear();
    sheet->OnSheetInitialized();
    return 0;
}

bool CPropertySheet::ApplyPages(bool closing)
{
    HWND sheet = Handle();
    HWND current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (current && NotifyPage(sheet, current, PSN_KILLACTIVE, closing))
        return false;

    // Not PSM_APPLY, which validates and applies in one go: the focus moves on
    // in between, off the controls that applying may disable and off the
    // Apply button, which goes grey.
    SendMessageW(sheet, WM_NEXTDLGCTL, 0, 0);

    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    bool accepted = true;
    for (int index = 0; index < count; ++index) {
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
        if (!page)
            continue; // never displayed: nothing to apply
        if (NotifyPage(sheet, page, PSN_APPLY, closing)) {
            accepted = false;
            break;
        }
        SendMessageW(sheet, PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
    }
    if (m_cancelToClose)
        SendMessageW(sheet, PSM_CANCELTOCLOSE, 0, 0);
    return accepted;
}

void CPropertySheet::CancelToClose()
{
    m_cancelToClose = true;
    SendMessageW(Handle(), PSM_CANCELTOCLOSE, 0, 0);
}
