#include "ui/clipboard.h"

#include <cstring>

#include "common/handles.h"

bool PutTextOnClipboard(HWND owner, const std::wstring& text)
{
    // The block is made first: running out of memory then leaves the
    // clipboard untouched.
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    CGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!block)
        return false;
    void* locked = GlobalLock(block.Get());
    if (!locked)
        return false;
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(block.Get());

    CClipboardOpen clipboard(OpenClipboard(owner) != FALSE);
    if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, block.Get()))
        return false;
    block.Release(); // the clipboard's now
    return true;
}
