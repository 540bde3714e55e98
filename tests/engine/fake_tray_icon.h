#pragma once
// A tray icon that records what the engine shows. With `journal` set each call
// is also written to the log as "<...>", in order with the engine's entries.
#include <windows.h>

#include <string>

#include "engine/tray_icon.h"
#include "log/logger.h"

class CFakeTrayIcon : public ITrayIcon
{
public:
    bool journal = false;
    bool setIconResult = true;
    int updates = 0;

    void SetTooltip(const wchar_t* text) override { Note(std::wstring(L"SetTooltip ") + text); }

    bool SetIcon(UINT resourceId) override
    {
        Note(L"SetIcon " + std::to_wstring(resourceId));
        return setIconResult;
    }

    bool Update() override
    {
        Note(L"Update");
        ++updates;
        return true;
    }

private:
    void Note(const std::wstring& call)
    {
        if (journal)
            Logger().LogText(L"<%s>", call.c_str());
    }
};
