#pragma once
// Drives a real Tarvik.exe from outside, the way the user and Windows would:
// starts the process, finds its core window (which owns the tray icon and
// hears the broadcasts), its property sheet and pages, sends the messages
// that clicks, tray events, menu commands and power broadcasts cause, and
// reads the files it leaves in its data folder. Every wait is bounded.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/handles.h"
#include "resources/resource.h"
#include "settings/xml_file.h"
#include "tests/support/files.h"
#include "tests/support/log_lines.h"
#include "tests/support/process.h"

namespace e2e {

// A start under Wine takes well under a second with a persistent server; the
// margins cover a loaded machine.
constexpr DWORD kStepTimeout = 5000;
constexpr UINT kTrayIconId = 128;
// The class of the program's hidden core window.
inline const wchar_t* const kCoreClass = L"TarvikApplication";
// The sheet's Apply button.
constexpr WORD kApply = 12321;

// Texts of the program's string table that the tests look for.
inline const wchar_t* const kStarting = L"Starting";
inline const wchar_t* const kStopping = L"Stopping";
inline const wchar_t* const kSuspending =
    L"System entering a suspend state by system or user request";
inline const std::wstring kSeparator(80, L'-');

// Polls `done` every 10 ms until it holds or `timeout` ms have passed.
inline bool WaitFor(const std::function<bool()>& done, DWORD timeout = kStepTimeout)
{
    for (const DWORD start = GetTickCount(); !done(); Sleep(10)) {
        if (GetTickCount() - start >= timeout)
            return done();
    }
    return true;
}

// The tray icon of `owner`: a modification that changes nothing succeeds
// exactly while the shell holds an icon of that window and id.
inline bool TrayIconPresent(HWND owner)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = kTrayIconId;
    return owner && Shell_NotifyIconW(NIM_MODIFY, &data);
}

// Read by WM_GETTEXT, which crosses processes, unlike GetWindowTextW for edits.
// The tests' texts are far shorter than the buffer.
inline std::wstring WindowText(HWND window)
{
    std::wstring text(1 << 16, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_NORMAL, kStepTimeout, &copied))
        copied = 0;
    text.resize(std::min<size_t>(copied, text.size() - 1));
    return text;
}

// The property sheet of a Tarvik: it holds the tab control; the task dialogs
// share its class and title.
inline bool IsTarvikSheet(HWND window)
{
    return WindowText(window) == L"Tarvik" &&
           FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr);
}

// %LOCALAPPDATA%\Tarvik Developers, and the program's data folder in it.
inline std::wstring CompanyFolder()
{
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::wstring(local) + L"\\Tarvik Developers";
}
inline std::wstring DataFolder()
{
    return CompanyFolder() + L"\\Tarvik";
}
inline std::wstring LogPath()
{
    return DataFolder() + L"\\Tarvik.txt";
}
inline std::wstring SettingsPath()
{
    return DataFolder() + L"\\Tarvik.xml";
}

// The log's lines: UTF-16LE after the byte-order mark, split at CR LF; the
// line break that ends the file leaves no empty line after it.
inline std::vector<std::wstring> LogLines(const std::wstring& path = LogPath())
{
    const std::string bytes = ReadBytes(path);
    std::vector<std::wstring> lines =
        SplitLines(Utf16Text(bytes, bytes.compare(0, 2, "\xFF\xFE") == 0 ? 2 : 0));
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

// The texts of the stamped lines from line `first` on: every date format
// starts with a digit, the header lines do not.
inline std::vector<std::wstring> LogEvents(const std::wstring& path = LogPath(), size_t first = 0)
{
    std::vector<std::wstring> events;
    const std::vector<std::wstring> lines = LogLines(path);
    for (size_t i = first; i < lines.size(); ++i) {
        if (!lines[i].empty() && iswdigit(lines[i][0]))
            events.push_back(WithoutStamp(lines[i]));
    }
    return events;
}

inline bool WaitForLogEvent(const std::wstring& text, const std::wstring& path = LogPath(),
                            size_t first = 0)
{
    return WaitFor([&] {
        const std::vector<std::wstring> events = LogEvents(path, first);
        return std::find(events.begin(), events.end(), text) != events.end();
    });
}

// A value of the saved settings file by XPath: the text of the attribute or
// element, "<missing>" when there is no such node or no readable file.
inline std::wstring Saved(const wchar_t* xpath)
{
    CComRef<IXMLDOMDocument2> dom;
    CComRef<IXMLDOMNode> node;
    CBstr text;
    if (!LoadXmlFile(SettingsPath().c_str(), dom) ||
        dom->selectSingleNode(CBstr(xpath).Get(), node.Receive()) != S_OK ||
        FAILED(node->get_text(text.Receive())))
        return L"<missing>";
    return std::wstring(text.Text(), text.Length());
}

// One run of a Tarvik.exe; the process is ended if it still runs when the owner goes.
class CTarvik
{
public:
    explicit CTarvik(const std::wstring& exePath = ProgramFolder() + L"Tarvik.exe")
        : m_exePath(exePath)
    {
    }

    // Starts the program with `arguments` (working directory: the test folder).
    bool Start(const std::wstring& arguments = L"")
    {
        return m_process.Start(CommandLine(m_exePath, arguments), ProgramFolder());
    }
    // Start, then wait for the sheet, its General page and the tray icon.
    bool StartReady(const std::wstring& arguments = L"") { return Start(arguments) && WaitReady(); }
    bool WaitReady() { return WaitForSheet(true); }
    // The sheet shows its tray icon: the window was the program's own before
    // the icon was added, so from now on it acts on every notification, while
    // its first page may still be in the making.
    bool WaitListening() { return WaitForSheet(false); }
    bool WaitExit(DWORD timeout = kStepTimeout) { return m_process.Wait(timeout); }
    DWORD ExitCode() const { return m_process.ExitCode(); }
    bool Running() const { return m_process.Running(); }

    HANDLE Process() const { return m_process.Handle(); }
    DWORD ProcessId() const { return m_process.Id(); }
    // The sheet, looked for until found: the core may listen before it exists.
    HWND Sheet() const
    {
        if (!m_sheet)
            m_sheet = First(L"#32770", IsTarvikSheet);
        return m_sheet;
    }
    // The hidden window of the program's core.
    HWND Core() const { return m_core; }
    // The pages' places in the sheet; a page never shown has no window.
    static constexpr int kStatusPage = 1;
    static constexpr int kAboutPage = 2;
    HWND Page(int index) const { return ToWindow(Send(Sheet(), PSM_INDEXTOHWND, index, 0)); }
    HWND CurrentPage() const { return ToWindow(Send(Sheet(), PSM_GETCURRENTPAGEHWND, 0, 0)); }
    HWND General() const { return Page(0); }
    bool Visible() const { return IsWindowVisible(Sheet()) != FALSE; }
    LONG ExStyle() const { return GetWindowLongW(Sheet(), GWL_EXSTYLE); }
    // Hidden to the tray: not shown, and made a tool window, which the taskbar leaves out.
    bool HiddenInTray() const { return !Visible() && (ExStyle() & WS_EX_TOOLWINDOW); }

    // Sends with a bound; a message that is not answered in time fails the test.
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
    {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kStepTimeout,
                                 &result))
            ADD_FAILURE() << "message 0x" << std::hex << message << " got no answer";
        return static_cast<LRESULT>(result);
    }
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
    {
        EXPECT_TRUE(PostMessageW(window, message, wParam, lParam))
            << "message 0x" << std::hex << message;
    }
    // The tray menu's commands go to the core, which owns the menu; the
    // sheet's buttons to the sheet.
    LRESULT Command(WORD id) const { return Send(CommandTarget(id), WM_COMMAND, id, 0); }
    void PostCommand(WORD id) const { Post(CommandTarget(id), WM_COMMAND, id, 0); }
    LRESULT PowerBroadcast(WPARAM event) const { return Send(m_core, WM_POWERBROADCAST, event, 0); }
    // An event of the tray icon as the shell reports it to an icon of
    // NOTIFYICON_VERSION_4: the event and the icon's id in lParam, the point
    // it refers to in wParam (posted: the menu's loop would block a sent
    // message).
    void TrayEvent(UINT event, POINT anchor = {600, 400}) const
    {
        Post(m_core, RegisterWindowMessageW(L"TaskbarNotify"), MAKEWPARAM(anchor.x, anchor.y),
             MAKELPARAM(event, kTrayIconId));
    }

    // General page controls.
    HWND Control(int id) const { return GetDlgItem(General(), id); }
    void Click(int id) const { Send(Control(id), BM_CLICK, 0, 0); }
    bool Checked(int id) const { return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    // A user's choice in a drop-down list: the selection, then the page's notification.
    void Select(int id, int index) const
    {
        Send(Control(id), CB_SETCURSEL, index, 0);
        Send(General(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(Control(id)));
    }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    void SetText(int id, const std::wstring& text) const
    {
        Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Typing into a date-time picker: taking the focus puts it in its typing
    // state with no field selected; the first Right arrow selects the first field.
    void PickerKeys(int id, std::initializer_list<UINT> keys) const
    {
        Send(Control(id), WM_SETFOCUS, 0, 0);
        for (UINT key : keys) {
            Send(Control(id), WM_KEYDOWN, key, 0);
            Send(Control(id), WM_KEYUP, key, 0xC0000001);
        }
    }

    // The popup menu of the tray icon while it is open, else null.
    HWND OpenMenu() const
    {
        return First(L"#32768", [](HWND w) { return IsWindowVisible(w) != FALSE; });
    }
    // Another visible top-level dialog of the process (a task dialog), else null.
    HWND OwnedDialog() const
    {
        return First(L"#32770", [&](HWND w) { return w != m_sheet && IsWindowVisible(w); });
    }

private:
    static HWND ToWindow(LRESULT result) { return reinterpret_cast<HWND>(result); }
    HWND CommandTarget(WORD id) const
    {
        const bool menu = id == ID_TRAY_OPTIONS || id == ID_TRAY_ABOUT || id == ID_TRAY_EXIT ||
                          id == ID_LOG_OPEN || id == ID_LOG_RESET;
        return menu ? m_core : Sheet();
    }

    // Waits for the core with its tray icon and for the sheet, with its first
    // page when `page`; false when the process ended.
    bool WaitForSheet(bool page)
    {
        return WaitFor(
                   [&] {
                       if (!m_core)
                           m_core = First(kCoreClass, [](HWND) { return true; });
                       return (m_core && TrayIconPresent(m_core) &&
                               (!page || (Sheet() && General()))) ||
                              !Running();
                   },
                   15000) &&
               Running();
    }

    // The first top-level window of the process of class `name` that `match` accepts.
    HWND First(const wchar_t* name, const std::function<bool(HWND)>& match) const
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, name, nullptr)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == m_process.Id() && match(w))
                return w;
        }
        return nullptr;
    }

    std::wstring m_exePath;
    CChildProcess m_process;
    mutable HWND m_sheet = nullptr;
    HWND m_core = nullptr;
};

} // namespace e2e
