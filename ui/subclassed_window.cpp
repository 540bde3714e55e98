#include "ui/subclassed_window.h"

#include <commctrl.h>

namespace {

// Our one subclass per window is known by this id.
const UINT_PTR kSubclassId = 0x5441;

} // namespace

CSubclassedWindow::~CSubclassedWindow()
{
    Unsubclass();
}

bool CSubclassedWindow::Subclass(HWND window)
{
    if (!window || m_window) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_window = window;
    return true;
}

void CSubclassedWindow::Unsubclass()
{
    if (m_window) {
        RemoveWindowSubclass(m_window, SubclassProc, kSubclassId);
        m_window = nullptr;
    }
}

LRESULT CALLBACK CSubclassedWindow::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    CSubclassedWindow* self = reinterpret_cast<CSubclassedWindow*>(data);
    LRESULT result = 0;
    if (message != WM_NCDESTROY) {
        if (self->ProcessWindowMessage(window, message, wParam, lParam, result))
            return result;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // The window goes: detach first so nothing reaches the object afterwards.
    self->Unsubclass();
    result = DefSubclassProc(window, message, wParam, lParam);
    self->OnFinalMessage();
    return result;
}
