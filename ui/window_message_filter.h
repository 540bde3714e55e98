#pragma once
// Which messages from processes of a lower integrity level reach a window.
// User Interface Privilege Isolation drops registered messages and
// WM_COPYDATA on their way to an elevated window: an elevated copy of the
// program would never hear of the taskbar's restart (and lose its tray icon
// for good), of a second start without elevation, nor of a request of the
// command line; nor would an elevated requester hear the reply of a copy
// that is not.
#include <windows.h>

class IWindowMessageFilter
{
public:
    virtual ~IWindowMessageFilter() = default;
    // Lets `message` through to `window`. False where the system has no such
    // call or refuses; the window then hears only its equals, as before.
    virtual bool Allow(HWND window, UINT message) = 0;
};

// ChangeWindowMessageFilterEx for the one window (Windows 7 and later), else
// ChangeWindowMessageFilter for the whole process (Windows Vista); both bound
// by name, so a system without them is no failure.
IWindowMessageFilter& SystemWindowMessageFilter();
