#pragma once
// A property page over a dialog resource of the program, with a message map.
// The sheet's notifications that the map lets go on reach the page's
// OnSetActive, OnKillActive, OnApply and OnReset, whose answers go back to
// the sheet.
#include <windows.h>
#include <prsht.h>

#include "ui/message_map.h"

class CPropertyPage : public CMessageMap
{
public:
    explicit CPropertyPage(UINT templateId);
    ~CPropertyPage() override = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    // The system's page for this object; null (last error set) on failure.
    // The handle belongs to the caller until a sheet takes it over.
    HPROPSHEETPAGE CreatePage();

    // The page's dialog: it exists only once the page was first displayed.
    HWND Handle() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }
    // The sheet the page is shown in (the dialog's parent).
    HWND Sheet() const { return m_window ? GetParent(m_window) : nullptr; }

protected:
    // The dialog exists, its controls too: the page fills them. The system
    // gives the focus to the first control that takes it.
    virtual void OnInitDialog() {}
    // The dialog's last message has passed.
    virtual void OnFinalMessage() {}

    // The page has become the current one.
    virtual void OnSetActive() {}
    // The page is left, or the sheet is about to apply: false keeps the page
    // and stops the change or the apply.
    virtual bool OnKillActive() { return true; }
    // The sheet applies its pages, `closing` for OK and the close command:
    // PSNRET_NOERROR, or another PSNRET_ answer to stop the apply.
    virtual int OnApply([[maybe_unused]] bool closing) { return PSNRET_NOERROR; }
    // The sheet is cancelled.
    virtual void OnReset() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Passes a notification of the sheet (or of the page itself) to the
    // handlers above; false for every other notification.
    bool OnSheetNotification(const NMHDR& header, LRESULT& result);

    UINT m_templateId;
    HWND m_window = nullptr;
};
