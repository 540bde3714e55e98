#pragma once
// The General page: every setting of the power engine, read from and written
// to the program's core. The check boxes and lists that enable other
// controls write their fields at once; the rest is taken when the page's
// values are (OK, Close, Apply).
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/application_core.h"
#include "ui/port_edit.h"
#include "ui/property_page.h"

// Page-private message: wParam is the id of the control to give the focus.
constexpr UINT WM_APP_FOCUSCONTROL = WM_APP;

// The call that shows the task dialog of a refused value (TaskDialogIndirect
// unless replaced): a test puts a recorder here.
using TaskDialogFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG* config, int* button,
                                            int* radioButton, BOOL* verificationChecked);

class CGeneralPage : public CPropertyPage
{
public:
    // `core` outlives the page; a null `inputWarning` is the real balloon.
    explicit CGeneralPage(IApplicationCore& core, IInputWarning* inputWarning = nullptr);
    ~CGeneralPage() override;

    // Returns the previous function; null restores TaskDialogIndirect.
    TaskDialogFunction SetTaskDialogFunction(TaskDialogFunction function);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    // The support rules, open for the tests that drive the page.
    void ConditionRule();
    void AutoResumeRule();
    void ModeRule();
    void EnableFollowingControls(int id, bool enable);
    // A one-time moment has passed and automatic resume was switched off:
    // the box follows the model.
    void OnAutoResumeDisabled();

    static SYSTEMTIME SecondsToSystemTime(int seconds);
    // The command text for a program chosen with Browse: the path, in quotes
    // when it has a space. False when the command would not fit the edit.
    static bool CommandFromPath(const wchar_t* path, std::wstring& command);
    static void FillComboFromStrings(HWND combo, const UINT* ids, int count, int index);

protected:
    // Reads the controls into the model; false (the page refuses to close)
    // after showing why when a delay is too short.
    bool OnKillActive() override;
    // The settings take effect, and the controls follow what applying changed.
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

    IApplicationCore& m_core;
    CSettingsModel& m_model; // the core's
    CPortEdit m_portEdit;
    TaskDialogFunction m_taskDialog;
};
