#pragma once
// Seams for driving the program's windows inside a test process: a system
// that never touches the machine's power state, a tray icon that ignores
// everything, a balloon that only records, and a message pump.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/windows_power_system.h"
#include "engine/tray_icon.h"
#include "ui/port_edit.h"

// Runs the messages already queued for this thread.
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The real system, with every call that would change the machine's state
// (sleep, wake timer, screen saver, shell) answered here.
class CHarmlessPowerSystem : public CWindowsPowerSystem
{
public:
    BOOL SetWakeTimer(HANDLE, const LARGE_INTEGER&, LONG, BOOL) override { return TRUE; }
    BOOL SetScreenSaverActive(BOOL) override { return TRUE; }
    BOOLEAN SetSuspendState(BOOLEAN, BOOLEAN, BOOLEAN) override { return FALSE; }
    BOOL ExecuteShell(SHELLEXECUTEINFOW*) override { return TRUE; }
};

// The process set-up the program makes before its window exists: COM for the
// settings file and the common controls of the pages.
class CProgramEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
    }
    void TearDown() override { CoUninitialize(); }
};
inline ::testing::Environment* const g_programEnvironment =
    ::testing::AddGlobalTestEnvironment(new CProgramEnvironment);

class CIgnoredTray : public ITrayIcon
{
public:
    void SetTooltip(const wchar_t*) override {}
    bool SetIcon(UINT) override { return true; }
    bool Update() override { return true; }
};

class CRecordingWarning : public IInputWarning
{
public:
    struct Balloon
    {
        HWND edit;
        DWORD size;
        std::wstring title, text;
        INT icon;
    };
    void ShowBalloon(HWND edit, const EDITBALLOONTIP& tip) override
    {
        balloons.push_back({edit, tip.cbStruct, tip.pszTitle, tip.pszText, tip.ttiIcon});
    }
    void Beep() override { ++beeps; }

    std::vector<Balloon> balloons;
    int beeps = 0;
};

// The text of a control of this process.
inline std::wstring ControlText(HWND control)
{
    wchar_t text[1100] = {};
    GetWindowTextW(control, text, 1100);
    return text;
}
