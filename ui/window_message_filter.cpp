#include "ui/window_message_filter.h"

namespace {

using FilterWindowFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
using FilterProcessFunction = BOOL(WINAPI*)(UINT, DWORD);

class CSystemWindowMessageFilter : public IWindowMessageFilter
{
public:
    bool Allow(HWND window, UINT message) override
    {
        // Loaded already: the window exists.
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        if (!user32)
            return false;
        if (auto filterWindow = reinterpret_cast<FilterWindowFunction>(
                reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx"))))
            return filterWindow(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
        if (auto filterProcess = reinterpret_cast<FilterProcessFunction>(
                reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter"))))
            return filterProcess(message, MSGFLT_ADD) != FALSE;
        return false;
    }
};

} // namespace

IWindowMessageFilter& SystemWindowMessageFilter()
{
    static CSystemWindowMessageFilter filter;
    return filter;
}
