#pragma once
// A property sheet of the program's pages. The sheet window is created by the
// system; when it is initialised, the sheet object recorded for the creating
// thread takes it over as a subclassed window.
#include <windows.h>
#include <prsht.h>

#include <vector>

#include "ui/property_page.h"
#include "ui/subclassed_window.h"

// The sheet's Apply button.
constexpr int IDC_APPLY_BUTTON = 0x3021;

class CPropertySheet : public CSubclassedWindow
{
public:
    // `captionId`: a string-table entry of the program, the window title.
    explicit CPropertySheet(UINT captionId);
    ~CPropertySheet() override;

    // Creates the page's system page and adds it: to the list handed to the
    // system when the sheet is run, or with PSM_ADDPAGE once the window
    // exists. False (the page left out) on failure.
    bool AddPage(CPropertyPage& page);

    // Runs the sheet modally: returns when the window has been closed, with
    // PropertySheetW's result; -1 with ERROR_OUTOFMEMORY when the sheet could
    // not be recorded for its thread.
    INT_PTR DoModal();
    // Creates the sheet without a loop of its own; the caller pumps messages.
    // Null on failure.
    HWND CreateModeless();

    const PROPSHEETHEADERW& Header() const { return m_header; }

    // The sheet's OK and Apply, done by the window itself: false, nothing
    // applied, when the current page keeps its values; false too when a page
    // refuses to apply them. `closing` for OK and the close command.
    bool ApplyPages(bool closing);
    // What the pages applied cannot be cancelled: the Cancel button goes and
    // OK reads "Close" (PSM_CANCELTOCLOSE), said again after each apply.
    void CancelToClose();

protected:
    // The window exists and has been taken over: the sheet's own start-up.
    virtual void OnSheetInitialized() {}

    PROPSHEETHEADERW m_header;

private:
    INT_PTR Run(bool modeless);
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);

    // Pages not yet owned by a window.
    std::vector<HPROPSHEETPAGE> m_pages;
    bool m_cancelToClose = false;
};
