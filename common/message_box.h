#pragma once
// Message boxes formatted like printf, titled with the program's name, owned by
// the right window, centred on it (or on a monitor).
#include <windows.h>
#include <commctrl.h>

#include <string>

// Program-defined: show the elevation shield on the default-answer button.
// Never passed to MessageBoxW.
constexpr UINT MB_SHIELDBUTTON = 0x40000000;

// The id of the button pressed; 0 when no box could be shown (no format:
// ERROR_INVALID_PARAMETER; no string-table entry: LoadResourceString's error).
int MessageBoxFormat(const wchar_t* format, UINT type, ...);
int MessageBoxResource(UINT formatId, UINT type, ...);
const wchar_t* GetMessageBoxCaption();

// A task dialog that reports an error, with one OK button, cancellable with
// Escape, placed over `owner`. Its texts are passed loaded, not as resource
// ids, which some hosts misread as the title; they must outlive the dialog.
TASKDIALOGCONFIG ErrorTaskDialog(HWND owner, const wchar_t* title, const wchar_t* instruction,
                                 const wchar_t* content);
HWND FindMessageBoxOwner();
bool CenterMessageBox(HWND window);

// The button that shows the shield for a message-box type carrying
// MB_SHIELDBUTTON (IDOK, IDYES, IDRETRY or 0).
int ShieldButtonForType(UINT type);
// Top-left corner that centres a window of `window`'s size on `reference`
// (integer division truncating towards zero; no clamping).
POINT CenterPosition(const RECT& window, const RECT& reference);

// The call that shows the box (MessageBoxW unless replaced). A test puts a
// recorder here to see the owner, caption and type that reach the system.
// Returns the previous function; null restores MessageBoxW.
using MessageBoxFunction = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption,
                                        UINT type);
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
