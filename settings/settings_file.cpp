#include "settings/settings_file.h"

#include "common/resource_string.h"
#include "settings/settings_fields.h"
#include "settings/xml_file.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cwctype>
#include <cwchar>
#include <new>

namespace {

const size_t kFieldCount = sizeof(kSettingsFields) / sizeof(kSettingsFields[0]);

bool SameName(const wchar_t* a, const wchar_t* b)
{
    return a == b || (a && b && wcscmp(a, b) == 0);
}

// The element at `depth` below the root (1 the section, 2 the element) that
// `field` lives in, or null when it lives higher up.
const wchar_t* ElementAt(const CSettingsField& field, int depth)
{
    return depth == 1 ? field.section : depth == 2 ? field.element : nullptr;
}

// The end of the run of fields from `first` (before `last`) that live in the
// same element at `depth`.
size_t RunEnd(size_t first, size_t last, int depth)
{
    const wchar_t* name = ElementAt(kSettingsFields[first], depth);
    size_t end = first + 1;
    while (end < last && SameName(ElementAt(kSettingsFields[end], depth), name))
        ++end;
    return end;
}

// --- Reading -----------------------------------------------------------------------

// The child element or "@attribute" `name` of `node`, or `node` itself for no
// name. S_FALSE (and no node) when it is missing.
HRESULT SelectNode(IXMLDOMNode* node, const wchar_t* name, CComRef<IXMLDOMNode>& found)
{
    found.Reset();
    if (!node)
        return S_FALSE;
    if (!name) {
        node->AddRef();
        found.Reset(node);
        return S_OK;
    }
    CBstr query(name);
    if (!query.Get())
        return E_OUTOFMEMORY;
    HRESULT hr = node->selectSingleNode(query.Get(), found.Receive());
    if (hr == S_OK && !found)
        hr = S_FALSE;
    if (hr != S_OK)
        found.Reset();
    return hr;
}

// The text of `name` below `node`; false when it is missing or unreadable.
bool ReadText(IXMLDOMNode* node, const wchar_t* name, std::wstring& text)
{
    CComRef<IXMLDOMNode> found;
    CBstr value;
    if (SelectNode(node, name, found) != S_OK || FAILED(found->get_text(value.Receive())))
        return false;
    text.assign(value.Text(), value.Length());
    return true;
}

// Reads one to `width` decimal digits at `p` and moves past them.
bool ReadDigits(const wchar_t*& p, int width, WORD& number)
{
    int count = 0;
    unsigned value = 0;
    for (; count < width && *p >= L'0' && *p <= L'9'; ++count)
        value = value * 10 + static_cast<unsigned>(*p++ - L'0');
    number = static_cast<WORD>(value);
    return count > 0;
}

// Reads `count` comma-separated decimal numbers (each may have leading blanks
// and a sign); the text after the last one is not looked at. False when one
// is missing or does not fit.
bool ReadNumbers(const wchar_t* p, long* numbers, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && *p++ != L',')
            return false;
        wchar_t* end = nullptr;
        errno = 0;
        numbers[i] = wcstol(p, &end, 10);
        if (end == p || errno == ERANGE)
            return false;
        p = end;
    }
    return true;
}

// A UTC time text "YYYY-MM-DDThh:mm:ss.mmmZ" (all seven numbers needed),
// converted to local time with the current zone's rules for that date.
// `local` is untouched unless every step succeeds.
void ParseUtcTime(const wchar_t* text, SYSTEMTIME& local)
{
    SYSTEMTIME utc{};
    // The writing format read back as it is: each number has at most its
    // written width, so a longer one stops the match; what follows the
    // milliseconds is not looked at.
    WORD* const parts[] = {&utc.wYear,   &utc.wMonth,  &utc.wDay,         &utc.wHour,
                           &utc.wMinute, &utc.wSecond, &utc.wMilliseconds};
    static const int kWidths[] = {4, 2, 2, 2, 2, 2, 3};
    static const wchar_t kSeparators[] = L"--T::.";
    const wchar_t* p = text;
    while (iswspace(*p))
        ++p;
    for (size_t i = 0; i < 7; ++i) {
        if (!ReadDigits(p, kWidths[i], *parts[i]))
            return;
        if (i < 6 && *p++ != kSeparators[i])
            return;
    }
    SYSTEMTIME converted;
    if (SystemTimeToTzSpecificLocalTime(nullptr, &utc, &converted))
        local = converted;
}

// Reads the field's text from `element` (null when it is missing). The value
// is replaced only by an acceptable one, but a placement number becomes its
// default. False when a position is missing or malformed, which ends the
// reading of its element.
bool ReadField(IXMLDOMNode* element, const CSettingsField& field, const CSettingsData& data)
{
    void* value = field.member(data);
    std::wstring text;
    const bool found = ReadText(element, field.name, text);
    // Numbers: automatic base (0x hexadecimal, leading 0 octal), the first
    // unfitting character ending them; one that overflows is not read.
    errno = 0;
    switch (field.kind) {
    case CFieldKind::Bool:
        if (found && (text == L"true" || text == L"1"))
            *static_cast<bool*>(value) = true;
        else if (found && (text == L"false" || text == L"0"))
            *static_cast<bool*>(value) = false;
        return true;
    case CFieldKind::Int: {
        const long number = found ? wcstol(text.c_str(), nullptr, 0) : 0;
        if (found && errno != ERANGE && number >= field.low && number <= field.high)
            StoreInt(value, static_cast<int>(number));
        return true;
    }
    case CFieldKind::Time:
        if (found)
            ParseUtcTime(text.c_str(), *static_cast<SYSTEMTIME*>(value));
        return true;
    case CFieldKind::PortList:
        if (found && text.size() <= static_cast<size_t>(field.high))
            ParsePortList(text.c_str(), *static_cast<CPortList*>(value));
        return true;
    case CFieldKind::Text:
        if (found && text.size() <= static_cast<size_t>(field.high))
            *static_cast<std::wstring*>(value) = Trim(text);
        return true;
    case CFieldKind::Unsigned:
    case CFieldKind::Flags: {
        const unsigned long number = found ? wcstoul(text.c_str(), nullptr, 0) : 0;
        *static_cast<UINT*>(value) = found && errno != ERANGE && number <= UINT_MAX
                                         ? static_cast<UINT>(number)
                                         : static_cast<UINT>(field.defaultValue);
        return true;
    }
    case CFieldKind::Point: {
        long xy[2];
        if (!found || !ReadNumbers(text.c_str(), xy, 2))
            return false;
        *static_cast<POINT*>(value) = POINT{xy[0], xy[1]};
        return true;
    }
    case CFieldKind::Rect: {
        long edges[4];
        if (!found || !ReadNumbers(text.c_str(), edges, 4))
            return false;
        *static_cast<RECT*>(value) = RECT{edges[0], edges[1], edges[2], edges[3]};
        return true;
    }
    }
    return true;
}

// One walk over the table, one selection per element.
void ReadFields(IXMLDOMNode* base, const CSettingsData& data)
{
    for (size_t first = 0, last; first < kFieldCount; first = last) {
        last = RunEnd(first, RunEnd(first, kFieldCount, 1), 2);
        const CSettingsField& lead = kSettingsFields[first];
        CComRef<IXMLDOMNode> section, element;
        HRESULT hr = SelectNode(base, lead.section, section);
        if (hr == S_OK && lead.element)
            hr = SelectNode(section.Get(), lead.element, element);
        else
            element = section;
        // A failed selection leaves the element's fields alone; a missing
        // element reads as one without any of them.
        if (FAILED(hr))
            continue;
        for (size_t i = first; i < last; ++i)
            if (!ReadField(element.Get(), kSettingsFields[i], data))
                break;
    }
    // No connection on no port is no condition, as the page makes it on apply;
    // kept, it would be saved with an empty port text and come back "Always".
    CSettingsModel& model = data.model;
    if (model.TcpPorts.list.empty())
        model.Suspend.condition = Condition::Always;
    if (model.Command.text.empty())
        model.Command.run = false;
}

// --- Writing -----------------------------------------------------------------------

std::wstring Formatted(const wchar_t* format, ...)
{
    wchar_t text[64]; // the longest: a rectangle of four 32-bit numbers
    va_list arguments;
    va_start(arguments, format);
    const int length = _vsnwprintf(text, 64, format, arguments);
    va_end(arguments);
    return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

// The field's value as text. False (last error set) when it has none: a time
// that the zone's rules cannot convert.
bool FormatField(const CSettingsField& field, const CSettingsData& data, std::wstring& text)
{
    const void* value = field.member(data);
    switch (field.kind) {
    case CFieldKind::Bool:
        text = *static_cast<const bool*>(value) ? L"true" : L"false";
        return true;
    case CFieldKind::Int:
        text = Formatted(L"%d", LoadInt(value));
        return true;
    case CFieldKind::Time: {
        const SYSTEMTIME& local = *static_cast<const SYSTEMTIME*>(value);
        SYSTEMTIME utc;
        if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) {
            if (GetLastError() == ERROR_SUCCESS)
                SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        text = Formatted(L"%04hu-%02hu-%02huT%02hu:%02hu:%02hu.%03huZ", utc.wYear, utc.wMonth,
                         utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
        return true;
    }
    case CFieldKind::PortList:
        text = FormatPortList(*static_cast<const CPortList*>(value));
        return true;
    case CFieldKind::Text:
        text = *static_cast<const std::wstring*>(value);
        return true;
    case CFieldKind::Unsigned:
    case CFieldKind::Flags:
        text = Formatted(field.kind == CFieldKind::Flags ? L"0x%08X" : L"%u",
                         *static_cast<const UINT*>(value));
        return true;
    case CFieldKind::Point: {
        const POINT& point = *static_cast<const POINT*>(value);
        text = Formatted(L"%ld,%ld", static_cast<long>(point.x), static_cast<long>(point.y));
        return true;
    }
    case CFieldKind::Rect: {
        const RECT& rect = *static_cast<const RECT*>(value);
        text =
            Formatted(L"%ld,%ld,%ld,%ld", static_cast<long>(rect.left), static_cast<long>(rect.top),
                      static_cast<long>(rect.right), static_cast<long>(rect.bottom));
        return true;
    }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Appends `text` as markup: `&`, `<` and `>` escaped, CR as a reference (a
// reader's line-end handling would make it LF), and in an attribute value
// also `"`, LF and TAB, which a reader would change. Characters XML cannot
// hold (most controls, unpaired surrogates, U+FFFE, U+FFFF) are left out: one
// of them would make the whole file unreadable.
void AppendMarkup(std::wstring& out, const std::wstring& text, bool attribute)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out.append(text, i++, 2);
        } else if (c == L'&') {
            out += L"&amp;";
        } else if (c == L'<') {
            out += L"&lt;";
        } else if (c == L'>') {
            out += L"&gt;";
        } else if (c == L'\r') {
            out += L"&#13;";
        } else if (attribute && (c == L'"' || c == L'\n' || c == L'\t')) {
            out += c == L'"' ? L"&quot;" : c == L'\n' ? L"&#10;" : L"&#9;";
        } else if ((c >= 0x20 || c == L'\t' || c == L'\n') && !IsHighSurrogate(c) &&
                   !IsLowSurrogate(c) && c != 0xFFFE && c != 0xFFFF) {
            out += c;
        }
    }
}

void AppendLineBreak(std::wstring& out, int depth)
{
    out += L"\r\n";
    out.append(static_cast<size_t>(depth), L'\t');
}

// Appends the element `name` at `depth` holding fields [first, last) on a line
// of its own: its attributes in table order, then its text or its child
// elements, each on a line of its own; self-closed when it holds nothing. An
// element with an empty rectangle is left out (a window never placed has no
// record). False when a value has no text.
bool AppendElement(std::wstring& out, const wchar_t* name, size_t first, size_t last, int depth,
                   const CSettingsData& data)
{
    std::wstring attributes, text, children, value;
    size_t i = first;
    for (; i < last && !ElementAt(kSettingsFields[i], depth + 1); ++i) {
        const CSettingsField& field = kSettingsFields[i];
        if (field.kind == CFieldKind::Rect && IsRectEmpty(static_cast<RECT*>(field.member(data))))
            return true;
        if (!FormatField(field, data, value))
            return false;
        if (!field.name) {
            AppendMarkup(text, value, false);
            continue;
        }
        attributes += L' ';
        attributes += field.name + 1;
        attributes += L"=\"";
        AppendMarkup(attributes, value, true);
        attributes += L'"';
    }
    for (size_t end; i < last; i = end) {
        end = RunEnd(i, last, depth + 1);
        if (!AppendElement(children, ElementAt(kSettingsFields[i], depth + 1), i, end, depth + 1,
                           data))
            return false;
    }
    AppendLineBreak(out, depth);
    out += L'<';
    out += name;
    out += attributes;
    if (text.empty() && children.empty()) {
        out += L"/>";
        return true;
    }
    out += L'>';
    out += text;
    out += children;
    if (!children.empty())
        AppendLineBreak(out, depth);
    out += L"</";
    out += name;
    out += L'>';
    return true;
}

// The whole file as UTF-8 without a byte-order mark: the declaration, the
// root "Application", one element per line indented by one TAB per level,
// lines ending in CR LF and no line break after the last. False (last error
// set) when any part of it cannot be made.
bool MakeSettingsText(const CSettingsData& data, std::string& bytes)
{
    try {
        std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";
        if (!AppendElement(text, L"Application", 0, kFieldCount, 0, data))
            return false;
        // At most three bytes a UTF-16 unit.
        if (text.size() > static_cast<size_t>(INT_MAX / 3)) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            return false;
        }
        bytes.assign(text.size() * 3, '\0');
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                static_cast<int>(bytes.size()), nullptr, nullptr);
        if (length <= 0)
            return false;
        bytes.resize(static_cast<size_t>(length));
        return true;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

} // namespace

bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement)
{
    CComRef<IXMLDOMDocument2> document;
    if (!LoadXmlFile(path, document))
        return false;

    // The fields live below the root, or below the document itself when it
    // has another root.
    CComRef<IXMLDOMNode> root;
    IXMLDOMNode* base = document.Get();
    if (SelectNode(base, L"Application", root) == S_OK)
        base = root.Get();
    placement.length = sizeof(placement);
    ReadFields(base, CSettingsData{model, placement});
    return true;
}

bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement)
{
    // The table's fields give the values to change; writing only reads them.
    const CSettingsData data{const_cast<CSettingsModel&>(model),
                             const_cast<WINDOWPLACEMENT&>(placement)};
    // The whole text or nothing: a part of the settings saved would lose the
    // rest to defaults at the next start.
    std::string bytes;
    return MakeSettingsText(data, bytes) && ReplaceFileContent(path, bytes);
}
