#pragma once
// An existing window (a dialog's control, a property sheet) taken over by a
// window object: its messages reach ProcessWindowMessage first, those it does
// not answer go on to the window's own procedure.
#include "ui/message_map.h"

class CSubclassedWindow : public CMessageMap
{
public:
    CSubclassedWindow() = default;
    ~CSubclassedWindow() override;
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

    // Attaches to `window` (of the calling thread). False, with the last error
    // set, when the window is null, this object is already attached, or the
    // system refuses.
    bool Subclass(HWND window);
    // Gives the window its own procedure back.
    void Unsubclass();

    HWND Handle() const { return m_window; }

protected:
    // The last message (WM_NCDESTROY) has passed; the object is detached.
    virtual void OnFinalMessage() {}

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);

    HWND m_window = nullptr;
};
