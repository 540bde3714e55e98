#pragma once
// Drives a real Tarvik.exe from outside, the way the user and Windows would:
// starts the process, finds its property sheet and pages, and sends the
// messages that clicks, tray events, menu commands and power broadcasts cause.
// Every wait is bounded; the destructor ends the process if it still runs.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Bounds of the waits: a start under Wine takes well under a second with a
// persistent server; the margins cover a loaded machine.
constexpr DWORD kStartTimeout = 15000;
constexpr DWORD kStepTimeout = 5000;

// Polls `done` every 10 ms until it holds or `timeout` ms have passed.
bool WaitFor(const std::function<bool()>& done, DWORD timeout = kStepTimeout);

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();
// The Tarvik.exe built beside the tests.
std::wstring TarvikPath();

// Messages registered by name: their values change between wineserver sessions.
UINT TaskbarNotifyMessage();

// The tray icon (id 128) of `owner`: asked of the shell without changing it.
bool TrayIconPresent(HWND owner);

// Texts of a window and of its children, read by WM_GETTEXT (which crosses
// processes, unlike GetWindowTextW for edits).
std::wstring WindowText(HWND window);
std::vector<std::wstring> ChildTexts(HWND window);

class CTarvik
{
public:
    explicit CTarvik(std::wstring exePath = TarvikPath());
    ~CTarvik();
    CTarvik(const CTarvik&) = delete;
    CTarvik& operator=(const CTarvik&) = delete;

    // Starts the program with `arguments` (working directory: the test folder).
    bool Start(const std::wstring& arguments = L"");
    // Start, then wait for the sheet, its General page and the tray icon.
    bool StartReady(const std::wstring& arguments = L"");
    bool WaitReady(DWORD timeout = kStartTimeout);
    // Waits for the process to end; `exitCode` receives its exit code.
    bool WaitExit(DWORD timeout = kStepTimeout, DWORD* exitCode = nullptr);
    bool Running() const;
    // Ends the program: the Exit command, TerminateProcess as the last resort.
    void End();

    HWND Sheet() const { return m_sheet; }
    HWND Page(int index) const;
    HWND CurrentPage() const;
    HWND General() const { return Page(0); }
    HWND Control(int id) const;
    bool Visible() const { return IsWindowVisible(m_sheet) != FALSE; }
    LONG ExStyle() const { return GetWindowLongW(m_sheet, GWL_EXSTYLE); }
    bool IconPresent() const { return TrayIconPresent(m_sheet); }

    // Sends with a bound; a message that is not answered in time fails the test.
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 DWORD timeout = kStepTimeout) const;
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    LRESULT Command(WORD id) const { return Send(m_sheet, WM_COMMAND, id, 0); }
    void PostCommand(WORD id) const { Post(m_sheet, WM_COMMAND, id, 0); }
    LRESULT PowerBroadcast(WPARAM event) const { return Send(m_sheet, WM_POWERBROADCAST, event, 0); }
    // A mouse event on the tray icon, as the shell reports it (posted: a
    // click opens a menu whose loop would block a sent message).
    void TrayEvent(UINT mouseMessage) const;

    // General page controls.
    void Click(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    int Selection(int id) const;
    // A user's choice in a drop-down list: the selection, then the page's notification.
    void Select(int id, int index) const;
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text) const;
    // Typing into a date-time picker: it takes the focus, then each virtual key.
    void PickerKeys(int id, std::initializer_list<UINT> keys) const;

    // The popup menu of the tray icon while it is open, else null.
    HWND OpenMenu() const;
    // Another visible top-level window of the process (a message or task
    // dialog), else null.
    HWND OwnedDialog() const;

private:
    HWND FindSheet() const;

    std::wstring m_exePath;
    PROCESS_INFORMATION m_process = {};
    DWORD m_pid = 0;
    HWND m_sheet = nullptr;
};

} // namespace e2e
