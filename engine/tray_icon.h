#pragma once
// The tray icon as the engine sees it: a tooltip and one of two icons that
// show whether the computer may be suspended. The user interface implements
// it over its notification-area icon.
#include <windows.h>

class ITrayIcon
{
public:
    virtual ~ITrayIcon() = default;

    // Nothing reaches the shell until Update.
    virtual void SetTooltip(const wchar_t* text) = 0;
    // False (the present icon stays) when the icon cannot be loaded.
    virtual bool SetIcon(UINT resourceId) = 0;
    virtual bool Update() = 0;
};
