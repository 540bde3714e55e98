#include "ui/display_scale.h"

#include "common/handles.h"
#include "common/system_helpers.h"

namespace {

// Bound at each call: display changes are rare, and nothing is kept.
template <class Function>
Function Bound(HMODULE module, const char* name)
{
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

HMODULE User32()
{
    return GetModuleHandleW(L"user32.dll");
}

} // namespace

UINT ScreenDpi()
{
    int dpi = 0;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT WindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    if (const auto getDpiForWindow = Bound<GetDpiForWindowFunction>(User32(), "GetDpiForWindow")) {
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    return ScreenDpi();
}

UINT PrimaryMonitorDpi()
{
    // shcore.dll: Windows 8.1 and later, from the system directory.
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    const int effectiveDpi = 0; // MDT_EFFECTIVE_DPI: the scale the user chose
    CLibraryHandle shcore(LoadSystemLibrary(L"shcore.dll", false));
    const auto getDpiForMonitor = Bound<GetDpiForMonitorFunction>(shcore.Get(), "GetDpiForMonitor");
    if (!getDpiForMonitor)
        return 0;
    // The primary monitor is the one at the origin.
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    if (FAILED(getDpiForMonitor(primary, effectiveDpi, &x, &y)))
        return 0;
    return y;
}

int SystemMetricForDpi(int index, UINT dpi)
{
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    if (const auto forDpi =
            Bound<GetSystemMetricsForDpiFunction>(User32(), "GetSystemMetricsForDpi")) {
        if (const int value = forDpi(index, dpi))
            return value;
    }
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
}

HICON LoadIconOfSize(HINSTANCE module, const wchar_t* name, int size)
{
    using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    HICON icon = nullptr;
    if (const auto scaleDown = Bound<LoadIconWithScaleDownFunction>(
            GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown")) {
        if (SUCCEEDED(scaleDown(module, name, size, size, &icon)))
            return icon;
    }
    return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0));
}
