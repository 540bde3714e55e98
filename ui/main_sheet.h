#pragma once
// The program's only window: the property sheet with the General and About
// pages. Closing it hides it to the notification area; the tray icon shows it
// again (double-click, or Enter on the focused icon), and its menu (either
// button) also opens or resets the log, or ends the program. It also receives
// the process-wide notifications: power broadcasts, the end of the session,
// the taskbar's restart and the notification of another copy of the program.
#include <windows.h>

#include "common/handles.h"
#include "ui/about_page.h"
#include "ui/general_page.h"
#include "ui/property_sheet.h"
#include "ui/window_message_filter.h"

// Private message: hide to the tray without applying the pages.
constexpr UINT WM_APP_HIDETOTRAY = WM_APP + 1;
// Private message: press the sheet's Cancel button, which ends the program.
constexpr UINT WM_APP_CLOSE = WM_APP + 2;

// The icon's id within the window: the high word of the tray callback's lParam.
constexpr UINT kTrayIconId = 128;

// Window timers of the sheet. The window procedure is the system's: ids far
// from the small numbers it might use.
constexpr UINT_PTR IDT_TRAYRETRY = 0x7401; // the tray icon retries a call the shell timed out
constexpr UINT_PTR IDT_TRAYCLICK = 0x7402; // a click on the icon waits for a second one

class CMainSheet : public CPropertySheet
{
public:
    // `instanceHash`: the running copy's instance hash; notifications that
    // name another copy are ignored. The General page takes `system` and
    // `trayIcon`; `messageFilter` lets messages through to the window. Null
    // arguments stand for the real ones; given ones outlive the sheet.
    explicit CMainSheet(DWORD instanceHash, IPowerSystem* system = nullptr,
                        ITrayIcon* trayIcon = nullptr,
                        IWindowMessageFilter* messageFilter = nullptr);
    ~CMainSheet() override = default;

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    void ShowFromTray();
    void HideToTray();
    // The tray menu, its right edge at `anchor`.
    void ShowTrayMenu(POINT anchor);
    // Refreshes the placement when the window shows, then writes the file.
    bool Save();

    CGeneralPage& GeneralPage() { return m_generalPage; }
    CAboutPage& AboutPage() { return m_aboutPage; }
    const wchar_t* SettingsPath() const { return m_settingsPath; }
    const wchar_t* LogPath() const { return m_logPath; }
    // For tests: other files than the data folder's.
    void SetPaths(const wchar_t* settingsPath, const wchar_t* logPath);
    const WINDOWPLACEMENT& Placement() const { return m_placement; }
    bool IsShown() const { return m_shown; }

protected:
    void OnSheetInitialized() override;

private:
    void OnFirstShow();
    void HideWindow();
    void SetToolWindowStyle(bool toolWindow);
    void OnEndSession(bool ending, LPARAM flags);
    bool OnCommand(int id);
    void OnInstanceNotify(WPARAM code, LPARAM target);
    void OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnTrayClickTimer();
    void StopTrayClickTimer();
    void RequestClose();

    CGeneralPage m_generalPage;
    CAboutPage m_aboutPage;
    DWORD m_instanceHash;
    wchar_t m_settingsPath[MAX_PATH];
    wchar_t m_logPath[MAX_PATH];
    WINDOWPLACEMENT m_placement;
    bool m_placementApplied = false;
    bool m_shown = true;
    bool m_closing = false; // RequestClose is closing the window
    CIconHandle m_bigIcon;
    CIconHandle m_smallIcon;
    IWindowMessageFilter& m_messageFilter;
    // Between a click on the icon and the end of the double-click time.
    enum class TrayClick
    {
        None,
        Waiting,      // a click: the menu opens unless a second click comes
        DoubleClicked // the window was shown: the double-click's release opens nothing
    } m_trayClick = TrayClick::None;
    POINT m_clickAnchor = {};
};
