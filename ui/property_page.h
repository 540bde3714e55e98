#pragma once
// A property page over a dialog resource of the program, with a message map.
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

    UINT TemplateId() const { return m_templateId; }
    // The page's dialog: it exists only once the page was first displayed.
    HWND Handle() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }
    // The sheet the page is shown in (the dialog's parent).
    HWND Sheet() const { return m_window ? GetParent(m_window) : nullptr; }

protected:
    // The dialog's last message has passed.
    virtual void OnFinalMessage() {}
    // True for a WM_NOTIFY that the sheet or the page itself sent.
    bool IsSheetNotification(const NMHDR& header) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_window = nullptr;
};
