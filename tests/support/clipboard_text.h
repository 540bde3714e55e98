#pragma once
// The clipboard's text as another program would paste it, and a text of the
// test's own put there first, so that a copy can be told from none.
#include <windows.h>

#include <cstring>
#include <string>

#include "common/handles.h"

// The CF_UNICODETEXT on the clipboard; `present` says whether there was any.
// Opening is retried for a while: the program that wrote it may still hold
// the clipboard open.
inline std::wstring ClipboardText(bool* present = nullptr)
{
    if (present)
        *present = false;
    CClipboardOpen clipboard;
    for (int tries = 0; tries < 100 && !clipboard; ++tries) {
        clipboard.Reset(OpenClipboard(nullptr) != FALSE);
        if (!clipboard)
            Sleep(10);
    }
    std::wstring text;
    HANDLE data = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (const auto* locked = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
        text = locked;
        GlobalUnlock(data);
        if (present)
            *present = true;
    }
    return text;
}

// Puts `text` on the clipboard on behalf of the window `owner`.
inline bool SetClipboardText(HWND owner, const std::wstring& text)
{
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    CGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* locked = block ? GlobalLock(block.Get()) : nullptr;
    if (!locked)
        return false;
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(block.Get());
    CClipboardOpen clipboard(OpenClipboard(owner) != FALSE);
    if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, block.Get()))
        return false;
    block.Release();
    return true;
}
