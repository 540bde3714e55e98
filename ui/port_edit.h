#pragma once
// The General page's port list edit: it lets through only what a port list
// can hold (digits, commas, spaces) and answers anything else with an error
// balloon at the control and a beep.
#include <windows.h>
#include <commctrl.h>

#include "ui/subclassed_window.h"

// Where the warning goes: a balloon at the edit and a beep. Under some systems
// the balloon draws nothing, so tests watch this seam instead of the screen.
class IInputWarning
{
public:
    virtual ~IInputWarning() = default;
    virtual void ShowBalloon(HWND edit, const EDITBALLOONTIP& tip) = 0;
    virtual void Beep() = 0;
};

// EM_SHOWBALLOONTIP and MessageBeep(0xFFFFFFFF).
IInputWarning& SystemInputWarning();

class CPortEdit : public CSubclassedWindow
{
public:
    explicit CPortEdit(IInputWarning& warning = SystemInputWarning()) : m_warning(warning) {}

    static bool IsAllowedCharacter(wchar_t character);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    void ShowInvalidCharWarning();

private:
    void Paste();

    IInputWarning& m_warning;
};
