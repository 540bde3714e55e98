#pragma once
// The General page: every setting of the power engine, and the home of the
// settings model and the engine itself. Its window owns the engine's window
// timers and the wake timer, so the engine works whether the page is shown
// or not.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "engine/engine_listener.h"
#include "engine/power_engine.h"
#include "engine/power_system.h"
#include "engine/tray_icon.h"
#include "engine/windows_power_system.h"
#include "settings/settings_model.h"
#include "ui/port_edit.h"
#include "ui/property_page.h"
#include "ui/notify_icon.h"
#include "ui/suspend_resume_registration.h"

// Page-private message: wParam is the id of the control to give the focus.
constexpr UINT WM_APP_FOCUSCONTROL = WM_APP;

// The call that shows the task dialog of a refused value (TaskDialogIndirect
// unless replaced): a test puts a recorder here.
using TaskDialogFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG* config, int* button,
                                            int* radioButton, BOOL* verificationChecked);

// The engine's view of the process's notification-area icon.
class CNotifyIconTray : public ITrayIcon
{
public:
    explicit CNotifyIconTray(CNotifyIcon& icon) : m_icon(icon) {}
    void SetTooltip(const wchar_t* text) override { m_icon.SetTooltip(text); }
    bool SetIcon(UINT resourceId) override { return m_icon.SetIcon(resourceId); }
    bool Update() override { return m_icon.Update(); }

private:
    CNotifyIcon& m_icon;
};

class CGeneralPage : public CPropertyPage, private IPowerEngineListener
{
public:
    // Null arguments stand for the real system, the process's tray icon and
    // the real balloon; given ones outlive the page.
    explicit CGeneralPage(IPowerSystem* system = nullptr, ITrayIcon* trayIcon = nullptr,
                          IInputWarning* inputWarning = nullptr);
    ~CGeneralPage() override;

    CSettingsModel& Model() { return m_model; }
    const CSettingsModel& Model() const { return m_model; }
    CPowerEngine& Engine() { return m_engine; }
    bool RunAtStartup() const { return m_runAtStartup; }
    void SetRunAtStartup(bool run) { m_runAtStartup = run; }

    // Returns the previous function; null restores TaskDialogIndirect.
    TaskDialogFunction SetTaskDialogFunction(TaskDialogFunction function);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    // The support rules, open for the tests that drive the page.
    void ConditionRule();
    void AutoResumeRule();
    void ModeRule();
    void EnableFollowingControls(int id, bool enable);

    static SYSTEMTIME SecondsToSystemTime(int seconds);
    // The command text for a program chosen with Browse: the path, in quotes
    // when it has a space. False when the command would not fit the edit.
    static bool CommandFromPath(const wchar_t* path, std::wstring& command);
    static void FillComboFromStrings(HWND combo, const UINT* ids, int count, int index);

protected:
    // Reads the controls into the model; false (the page refuses to close)
    // after showing why when a delay is too short.
    bool OnKillActive() override;
    // The engine, the controls and the start-with-Windows value follow the
    // model.
    int OnApply(bool closing) override;

    void OnInitDialog() override;

private:
    void OnCommand(int id, int code);
    void Browse();
    void ShowInvalidParameter(UINT messageId, int controlId);
    void EnableControl(HWND control, bool enable);
    bool IsChecked(int id) const;
    void SetPickerTime(int id, const SYSTEMTIME& time);
    SYSTEMTIME PickerTime(int id) const;

    void OnAutoResumeDisabled() override;

    CSettingsModel m_model;
    bool m_runAtStartup;
    CWindowsPowerSystem m_windowsSystem;
    CNotifyIconTray m_processTrayIcon;
    CPowerEngine m_engine;
    CPortEdit m_portEdit;
    TaskDialogFunction m_taskDialog;
    CSuspendResumeRegistration m_suspendResume;
};
