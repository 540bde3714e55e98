#include "tests/resources/dialog_template.h"

#include <cstring>

namespace {

// Bounds-checked reader over the template bytes.
class CReader
{
public:
    CReader(const BYTE* data, DWORD size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }

    template <typename T>
    T Read()
    {
        T value{};
        if (m_offset + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        memcpy(&value, m_data + m_offset, sizeof(T));
        m_offset += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (;;) {
            WCHAR c = Read<WCHAR>();
            if (!m_ok || c == 0)
                return text;
            text += c;
        }
    }

    // A "string or ordinal" field: 0 = none, 0xFFFF followed by a number.
    void ReadStringOrOrdinal(std::wstring& text, WORD& ordinal)
    {
        text.clear();
        ordinal = 0;
        WORD first = Read<WORD>();
        if (first == 0xFFFF)
            ordinal = Read<WORD>();
        else if (m_ok && first != 0)
            text = std::wstring(1, static_cast<wchar_t>(first)) + ReadString();
    }

    void Skip(DWORD count)
    {
        if (m_offset + count > m_size)
            m_ok = false;
        else
            m_offset += count;
    }

    void AlignToDword() { Skip(((m_offset + 3) & ~3u) - m_offset); }

private:
    const BYTE* m_data;
    DWORD m_size;
    DWORD m_offset = 0;
    bool m_ok = true;
};

std::wstring PredefinedClassName(WORD ordinal)
{
    switch (ordinal) {
    case 0x0080: return L"Button";
    case 0x0081: return L"Edit";
    case 0x0082: return L"Static";
    case 0x0083: return L"ListBox";
    case 0x0084: return L"ScrollBar";
    case 0x0085: return L"ComboBox";
    default: return L"#" + std::to_wstring(ordinal);
    }
}

} // namespace

bool ParseDialogTemplate(const BYTE* data, DWORD size, CDialogTemplate& dialog)
{
    dialog = CDialogTemplate();
    CReader in(data, size);
    if (in.Read<WORD>() != 1 || in.Read<WORD>() != 0xFFFF)
        return false; // not the extended form
    in.Read<DWORD>(); // help id
    dialog.exStyle = in.Read<DWORD>();
    dialog.style = in.Read<DWORD>();
    WORD count = in.Read<WORD>();
    in.Read<short>(); // x
    in.Read<short>(); // y
    dialog.width = in.Read<short>();
    dialog.height = in.Read<short>();

    std::wstring ignored;
    WORD ordinal;
    in.ReadStringOrOrdinal(ignored, ordinal); // menu
    in.ReadStringOrOrdinal(ignored, ordinal); // window class
    dialog.caption = in.ReadString();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = in.Read<WORD>();
        in.Read<WORD>(); // weight
        in.Read<BYTE>(); // italic
        in.Read<BYTE>(); // character set
        dialog.typeface = in.ReadString();
    }

    for (WORD i = 0; i < count && in.Ok(); ++i) {
        in.AlignToDword();
        CDialogItem item;
        in.Read<DWORD>(); // help id
        item.exStyle = in.Read<DWORD>();
        item.style = in.Read<DWORD>();
        short x = in.Read<short>();
        short y = in.Read<short>();
        short cx = in.Read<short>();
        short cy = in.Read<short>();
        item.box = {x, y, x + cx, y + cy};
        item.id = in.Read<DWORD>();
        WORD classOrdinal;
        in.ReadStringOrOrdinal(item.className, classOrdinal);
        if (classOrdinal != 0)
            item.className = PredefinedClassName(classOrdinal);
        in.ReadStringOrOrdinal(item.text, item.textOrdinal);
        in.Skip(in.Read<WORD>()); // creation data
        dialog.items.push_back(item);
    }
    return in.Ok();
}
