#pragma once
// The program's window: the property sheet with the General, Status and About
// pages, a view of the program's core. Closing it hides it to the
// notification area; the core shows it again from the tray icon and its
// menu, and ends it with the program.
#include <windows.h>

#include "common/handles.h"
#include "ui/about_page.h"
#include "ui/application_core.h"
#include "ui/general_page.h"
#include "ui/property_sheet.h"
#include "ui/status_page.h"

// Private message: hide to the tray without applying the pages.
constexpr UINT WM_APP_HIDETOTRAY = WM_APP + 1;
// Private message: press the sheet's Cancel button, which ends the program.
constexpr UINT WM_APP_CLOSE = WM_APP + 2;

class CMainSheet : public CPropertySheet, public IMainView
{
public:
    // `core` outlives the sheet.
    explicit CMainSheet(IApplicationCore& core);
    ~CMainSheet() override = default;

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    void ShowFromTray();
    void HideToTray();

    // IMainView
    void ShowPage(UINT pageId) override;
    void Close() override;
    void RefreshPlacement(WINDOWPLACEMENT& placement) override;
    void OnAutoResumeDisabled() override { m_generalPage.OnAutoResumeDisabled(); }

    CGeneralPage& GeneralPage() { return m_generalPage; }
    CStatusPage& StatusPage() { return m_statusPage; }
    CAboutPage& AboutPage() { return m_aboutPage; }
    bool IsShown() const { return m_shown; }

protected:
    void OnSheetInitialized() override;

private:
    void OnFirstShow();
    // The window's scale changed to `dpi`: the window takes the rectangle
    // Windows suggests and icons of the new size.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    // The caption's and the taskbar's icons at the sizes for `dpi`.
    void SetWindowIcons(UINT dpi);
    void HideWindow();
    void SetToolWindowStyle(bool toolWindow);
    bool OnCommand(int id);

    IApplicationCore& m_core;
    CGeneralPage m_generalPage;
    CStatusPage m_statusPage;
    CAboutPage m_aboutPage;
    bool m_placementApplied = false;
    bool m_shown = true;
    bool m_closing = false; // Close is closing the window
    CIconHandle m_bigIcon;
    CIconHandle m_smallIcon;
};
