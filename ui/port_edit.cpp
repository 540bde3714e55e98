#include "ui/port_edit.h"

#include <string>

#include "common/resource_string.h"
#include "resources/resource.h"

namespace {

class CSystemInputWarning : public IInputWarning
{
public:
    void ShowBalloon(HWND edit, const EDITBALLOONTIP& tip) override
    {
        SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&tip));
    }
    void Beep() override { MessageBeep(0xFFFFFFFF); }
};

// Holds the clipboard open for the length of a paste.
class CClipboardLock
{
public:
    explicit CClipboardLock(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboardLock()
    {
        if (m_open)
            CloseClipboard();
    }
    CClipboardLock(const CClipboardLock&) = delete;
    CClipboardLock& operator=(const CClipboardLock&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL memory)
        : m_memory(memory), m_data(memory ? GlobalLock(memory) : nullptr)
    {
    }
    ~CGlobalLock()
    {
        if (m_data)
            GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    const wchar_t* Text() const { return static_cast<const wchar_t*>(m_data); }

private:
    HGLOBAL m_memory;
    void* m_data;
};

} // namespace

IInputWarning& SystemInputWarning()
{
    static CSystemInputWarning warning;
    return warning;
}

bool CPortEdit::IsAllowedCharacter(wchar_t character)
{
    return character == L' ' || character == L',' || (character >= L'0' && character <= L'9');
}

bool CPortEdit::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_CHAR:
        // Control characters carry Backspace, Enter and the clipboard shortcuts.
        if (wParam < 0x20 || IsAllowedCharacter(static_cast<wchar_t>(wParam)))
            return false;
        ShowInvalidCharWarning();
        result = 0;
        return true;
    case WM_PASTE:
        Paste();
        result = 0;
        return true;
    default:
        return false;
    }
}

void CPortEdit::Paste()
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return;
    CClipboardLock clipboard(Handle());
    if (!clipboard.IsOpen())
        return;
    CGlobalLock lock(GetClipboardData(CF_UNICODETEXT));
    const wchar_t* text = lock.Text();
    if (!text)
        return;
    for (const wchar_t* c = text; *c; ++c) {
        if (!IsAllowedCharacter(*c)) {
            ShowInvalidCharWarning();
            return;
        }
    }
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void CPortEdit::ShowInvalidCharWarning()
{
    const std::wstring title = ResourceText(IDS_BAD_CHAR_TITLE);
    const std::wstring text = ResourceText(IDS_BAD_CHAR_TEXT);
    EDITBALLOONTIP tip = {};
    tip.cbStruct = sizeof(tip);
    tip.pszTitle = title.c_str();
    tip.pszText = text.c_str();
    tip.ttiIcon = TTI_ERROR;
    m_warning.ShowBalloon(Handle(), tip);
    m_warning.Beep();
}
