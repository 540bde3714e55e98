#include "ui/property_sheet.h"

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
