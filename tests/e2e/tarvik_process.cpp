#include "tests/e2e/tarvik_process.h"

#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <utility>

namespace e2e {

namespace {

constexpr UINT kTrayIconId = 128;
constexpr WORD kExitCommand = 32780;

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct CWindowSearch
{
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<CWindowSearch*>(data);
    if (ProcessOf(window) == search->pid)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid)
{
    CWindowSearch search{pid, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

bool WaitFor(const std::function<bool()>& done, DWORD timeout)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeout)
            return done();
        Sleep(10);
    }
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring TarvikPath() { return ProgramFolder() + L"Tarvik.exe"; }

UINT TaskbarNotifyMessage() { return RegisterWindowMessageW(L"TaskbarNotify"); }

bool TrayIconPresent(HWND owner)
{
    // A modification that changes nothing succeeds exactly while the shell
    // holds an icon of that window and id.
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = kTrayIconId;
    return owner && Shell_NotifyIconW(NIM_MODIFY, &data);
}

std::wstring WindowText(HWND window)
{
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             kStepTimeout, &copied))
        return L"";
    return std::wstring(text, copied);
}

std::vector<std::wstring> ChildTexts(HWND window)
{
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::wstring> texts;
    for (HWND child : children)
        texts.push_back(WindowText(child));
    return texts;
}

CTarvik::CTarvik(std::wstring exePath) : m_exePath(std::move(exePath)) {}

CTarvik::~CTarvik()
{
    End();
    if (m_process.hThread)
        CloseHandle(m_process.hThread);
    if (m_process.hProcess)
        CloseHandle(m_process.hProcess);
}

bool CTarvik::Start(const std::wstring& arguments)
{
    if (m_process.hProcess)
        return false;
    std::wstring commandLine = L"\"" + m_exePath + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const std::wstring folder = ProgramFolder();
    if (!CreateProcessW(m_exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &m_process)) {
        m_process = {};
        return false;
    }
    m_pid = m_process.dwProcessId;
    return true;
}

bool CTarvik::StartReady(const std::wstring& arguments)
{
    return Start(arguments) && WaitReady();
}

HWND CTarvik::FindSheet() const
{
    // The sheet is the top-level dialog titled "Tarvik" that holds the tab
    // control; the task dialogs share its class and title.
    for (HWND window : TopLevelWindows(m_pid)) {
        if (ClassOf(window) == L"#32770" && WindowText(window) == L"Tarvik" &&
            FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr))
            return window;
    }
    return nullptr;
}

bool CTarvik::WaitReady(DWORD timeout)
{
    if (!m_process.hProcess)
        return false;
    const bool found = WaitFor(
        [this] {
            if (!m_sheet)
                m_sheet = FindSheet();
            return (m_sheet && General() && TrayIconPresent(m_sheet)) || !Running();
        },
        timeout);
    return found && Running();
}

bool CTarvik::Running() const
{
    return m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

bool CTarvik::WaitExit(DWORD timeout, DWORD* exitCode)
{
    if (!m_process.hProcess || WaitForSingleObject(m_process.hProcess, timeout) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_process.hProcess, exitCode);
    return true;
}

void CTarvik::End()
{
    if (!Running())
        return;
    // A modal dialog would hold the Exit command back: end at once then.
    if (m_sheet && !OwnedDialog() && !OpenMenu()) {
        PostMessageW(m_sheet, WM_COMMAND, kExitCommand, 0);
        if (WaitForSingleObject(m_process.hProcess, 3000) == WAIT_OBJECT_0)
            return;
    }
    TerminateProcess(m_process.hProcess, 1);
    WaitForSingleObject(m_process.hProcess, kStepTimeout);
}

HWND CTarvik::Page(int index) const
{
    return reinterpret_cast<HWND>(Send(m_sheet, PSM_INDEXTOHWND, index, 0));
}

HWND CTarvik::CurrentPage() const
{
    return reinterpret_cast<HWND>(Send(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND CTarvik::Control(int id) const { return GetDlgItem(General(), id); }

LRESULT CTarvik::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result)) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to window " << window
                      << " got no answer (error " << std::dec << GetLastError() << ")";
        return 0;
    }
    return static_cast<LRESULT>(result);
}

void CTarvik::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    EXPECT_TRUE(PostMessageW(window, message, wParam, lParam)) << "message 0x" << std::hex << message;
}

void CTarvik::TrayEvent(UINT mouseMessage) const
{
    Post(m_sheet, TaskbarNotifyMessage(), kTrayIconId, mouseMessage);
}

void CTarvik::Click(int id) const { Send(Control(id), BM_CLICK, 0, 0); }

bool CTarvik::Checked(int id) const { return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool CTarvik::Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

int CTarvik::Selection(int id) const { return static_cast<int>(Send(Control(id), CB_GETCURSEL, 0, 0)); }

void CTarvik::Select(int id, int index) const
{
    HWND combo = Control(id);
    Send(combo, CB_SETCURSEL, index, 0);
    Send(General(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring CTarvik::Text(int id) const { return WindowText(Control(id)); }

void CTarvik::SetText(int id, const std::wstring& text) const
{
    Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CTarvik::PickerKeys(int id, std::initializer_list<UINT> keys) const
{
    // Taking the focus puts the picker in its typing state with no field
    // selected; the first Right arrow selects the first field.
    HWND picker = Control(id);
    Send(picker, WM_SETFOCUS, 0, 0);
    for (UINT key : keys) {
        Send(picker, WM_KEYDOWN, key, 0);
        Send(picker, WM_KEYUP, key, 0xC0000001);
    }
}

HWND CTarvik::OpenMenu() const
{
    for (HWND window : TopLevelWindows(m_pid)) {
        if (ClassOf(window) == L"#32768" && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

HWND CTarvik::OwnedDialog() const
{
    for (HWND window : TopLevelWindows(m_pid)) {
        if (window != m_sheet && ClassOf(window) == L"#32770" && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

} // namespace e2e
