#include "common/message_box.h"

#include "common/handles.h"
#include "common/resource_string.h"
#include "common/system_helpers.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cwchar>

namespace {

// Process-wide state of the one box shown at a time on the user-interface thread.
struct CMessageBoxState
{
    wchar_t caption[80] = {};
    int shieldButton = 0;
    CHook hook;
    MessageBoxFunction show = nullptr;
};

CMessageBoxState& State()
{
    static CMessageBoxState state;
    return state;
}

constexpr UINT CaptionStringId = 0xE000;

LRESULT CALLBACK MessageBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    CMessageBoxState& state = State();
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (state.shieldButton) {
            HWND button = GetDlgItem(box, state.shieldButton);
            if (button)
                SendMessageW(button, BCM_SETSHIELD, 0, TRUE);
        }
        CenterMessageBox(box);
        // One activation only: later ones are the user's, not the box's first.
        state.hook.Reset();
    }
    return CallNextHookEx(state.hook.Get(), code, wParam, lParam);
}

bool CenterOnMonitor(HWND window, const RECT& rect, POINT& position)
{
    HMONITOR monitor = nullptr;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    // A starter may name the monitor in the standard-output field; with
    // standard handles in use that field is a handle, not a monitor.
    if (!(startup.dwFlags & STARTF_USESTDHANDLES) && startup.hStdOutput) {
        HMONITOR named = reinterpret_cast<HMONITOR>(startup.hStdOutput);
        if (GetMonitorInfoW(named, &info))
            monitor = named;
    }
    if (!monitor)
        monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (!monitor)
        return false;
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return false;
    position = CenterPosition(rect, info.rcWork);
    return true;
}

} // namespace

int ShieldButtonForType(UINT type)
{
    if (!(type & MB_SHIELDBUTTON))
        return 0;
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return IDOK;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    case MB_ABORTRETRYIGNORE:
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return 0;
    }
}

POINT CenterPosition(const RECT& window, const RECT& reference)
{
    // C++ division truncates towards zero, also for negative differences.
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    POINT position;
    position.x = reference.left + (reference.right - reference.left - width) / 2;
    position.y = reference.top + (reference.bottom - reference.top - height) / 2;
    return position;
}

bool CenterMessageBox(HWND window)
{
    if (!window)
        return false;
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    bool child = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0;
    HWND reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);
    POINT position;
    if (reference) {
        RECT referenceRect;
        if (!GetWindowRect(reference, &referenceRect))
            return false;
        position = CenterPosition(rect, referenceRect);
        // A child is placed in its parent's client coordinates.
        if (child)
            MapWindowPoints(nullptr, reference, &position, 1);
    } else if (!CenterOnMonitor(window, rect, position)) {
        return false;
    }
    return SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
                        SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE) != FALSE;
}

TASKDIALOGCONFIG ErrorTaskDialog(HWND owner, const wchar_t* title, const wchar_t* instruction,
                                 const wchar_t* content)
{
    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = GetModuleHandleW(nullptr);
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.nDefaultButton = IDOK;
    config.pszWindowTitle = title;
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszMainInstruction = instruction;
    config.pszContent = content;
    return config;
}

const wchar_t* GetMessageBoxCaption()
{
    wchar_t* caption = State().caption;
    const int capacity = static_cast<int>(sizeof(State().caption) / sizeof(wchar_t));
    if (*caption)
        return caption;
    HMODULE modules[] = {GetModuleHandleW(nullptr)};
    for (HMODULE module : modules) {
        if (module && LoadStringW(module, CaptionStringId, caption, capacity) > 0)
            return caption;
    }
    const std::wstring path = ModuleFileName();
    // A name of 80 characters or more keeps its first 79.
    lstrcpynW(caption, path.empty() ? L"" : PathFindFileNameW(path.c_str()), capacity);
    return caption;
}

HWND FindMessageBoxOwner()
{
    HWND window = GetActiveWindow();
    if (!window)
        return nullptr;
    while (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        window = GetParent(window);
    if (!window)
        return nullptr;
    return GetLastActivePopup(window);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function)
{
    CMessageBoxState& state = State();
    MessageBoxFunction previous = state.show ? state.show : &MessageBoxW;
    state.show = function;
    return previous;
}

int MessageBoxFormat(const wchar_t* format, UINT type, ...)
{
    if (!format) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    va_list arguments;
    va_start(arguments, type);
    std::wstring text;
    try {
        text = FormatTextV(format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);

    CMessageBoxState& state = State();
    state.shieldButton = ShieldButtonForType(type);
    type &= ~MB_SHIELDBUTTON;
    state.hook.Reset(SetWindowsHookExW(WH_CBT, MessageBoxHook, nullptr, GetCurrentThreadId()));
    const wchar_t* caption = GetMessageBoxCaption();
    HWND owner = FindMessageBoxOwner();
    MessageBoxFunction show = state.show ? state.show : &MessageBoxW;
    int result = show(owner, text.c_str(), caption, type);
    // A box that never showed leaves the hook behind: it must not centre the
    // next window this thread activates.
    CKeepLastError keep;
    state.hook.Reset();
    state.shieldButton = 0;
    return result;
}

int MessageBoxResource(UINT formatId, UINT type, ...)
{
    // The crash report shows its box while the process is failing: a missing
    // text must fail like the box itself, not throw from there.
    std::wstring format;
    if (!LoadResourceString(formatId, format))
        return 0;
    va_list arguments;
    va_start(arguments, type);
    std::wstring text;
    try {
        text = FormatTextV(format.c_str(), arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
    // Already formatted: its '%' characters are text now.
    return MessageBoxFormat(L"%s", type, text.c_str());
}
