#pragma once
// What the windows see of the tray program's state, and what the state asks
// of its main window. The state lives in the program's core (app/); the
// property sheet and its pages are views of it.
#include <windows.h>

#include "engine/status_report.h"
#include "settings/settings_model.h"

class IApplicationCore
{
public:
    virtual ~IApplicationCore() = default;

    // The settings as the program runs with them. The General page writes
    // the fields that follow their controls at once, the others when its
    // values are taken.
    virtual CSettingsModel& Model() = 0;
    virtual bool RunAtStartup() const = 0;
    virtual void SetRunAtStartup(bool run) = 0;
    // The model's values take effect: the execution state, the connection
    // watch, the screen saver, the check of the machine and the
    // start-with-Windows value.
    virtual void ApplySettings() = 0;
    // Writes the settings file (with the window's placement); false when it
    // could not be written.
    virtual bool Save() = 0;
    // Where the main window stood, kept with the settings.
    virtual WINDOWPLACEMENT& Placement() = 0;
    // What Tarvik and Windows will do about sleep and wake, read now from
    // the engine and the system without changing either.
    virtual CStatusReport StatusReport() = 0;
};

class IMainView
{
public:
    virtual ~IMainView() = default;

    // Shows the window with the page of dialog resource `pageId` current (0:
    // the page it had).
    virtual void ShowPage(UINT pageId) = 0;
    // Ends the window, and with it the program.
    virtual void Close() = 0;
    // Reads the window's placement into `placement` while it is shown.
    virtual void RefreshPlacement(WINDOWPLACEMENT& placement) = 0;
    // Automatic resume was switched off in the model: the General page
    // follows.
    virtual void OnAutoResumeDisabled() = 0;
};
