#pragma once
// A tray icon that records what the engine shows. With `journal` set each call
// is also written to the log as "<...>", in order with the engine's entries.
#include <windows.h>

#include <string>
#include <vector>

#include "engine/tray_icon.h"
#include "log/logger.h"

class CFakeTrayIcon : public ITrayIcon
{
public:
    bool journal = false;
    bool setIconResult = true;

    std::wstring tooltip;
    UINT icon = 0; // the icon last loaded successfully
    int updates = 0;
    std::vector<std::wstring> calls;

    void SetTooltip(const wchar_t* text) override
    {
        tooltip = text;
        Note(L"SetTooltip " + tooltip);
    }

    bool SetIcon(UINT resourceId) override
    {
        Note(L"SetIcon " + std::to_wstring(resourceId));
        if (setIconResult)
            icon = resourceId;
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
        calls.push_back(call);
        if (journal)
            Logger().LogText(L"<%s>", call.c_str());
    }
};
