#pragma once
// Plain text onto the clipboard, for pasting into a mail or a support form.
#include <windows.h>

#include <string>

// Replaces the clipboard's contents with `text` as CF_UNICODETEXT, `owner`
// holding the clipboard meanwhile. False (last error set) when another
// program holds it open or memory runs out; the clipboard is then as it was,
// unless it was emptied just before the text could be placed.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);
