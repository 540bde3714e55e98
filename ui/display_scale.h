#pragma once
// The display scale as the windows and the tray icon need it: dots per inch
// (96 is 100 %), the sizes of icons at a scale and icons loaded at a size.
// Per-monitor scales came with Windows 8.1 and 10; the calls that know them
// are bound by name, so that the program still starts on Windows 7, where one
// scale, the screen's, holds everywhere.
#include <windows.h>

// The screen's dots per inch: the scale of the whole session on Windows 7,
// the scale at sign-in on later systems.
UINT ScreenDpi();

// The dots per inch of the monitor `window` is on (Windows 10 1607 and
// later), else the screen's.
UINT WindowDpi(HWND window);

// The dots per inch of the primary monitor, whose taskbar holds the
// notification area, as they are now (Windows 8.1 and later); 0 when the
// system cannot tell.
UINT PrimaryMonitorDpi();

// A system metric (SM_CXICON, SM_CXSMICON, ...) at `dpi`: the system's own
// value where it knows per-monitor scales, else the screen's value scaled.
int SystemMetricForDpi(int index, UINT dpi);

// The icon `name` of `module` at `size` pixels: the icon's own image of that
// size, or one scaled down from a larger image (LoadIconWithScaleDown, in the
// common controls of Windows Vista and later; the MinGW import library lacks
// it), else the image of the nearest size. Null on failure.
HICON LoadIconOfSize(HINSTANCE module, const wchar_t* name, int size);
