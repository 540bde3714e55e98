#include "settings/xml_node.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cwchar>

namespace {

const size_t VALUE_SIZE = 30;    // formatted numbers
const size_t COMPOUND_SIZE = 80; // points, rectangles, times

bool IsAttributeName(const wchar_t* name)
{
    return name && name[0] == L'@';
}
bool IsSelf(const wchar_t* name)
{
    return !name || !name[0];
}

// A property a DOM class may not know: the document is usable without it.
void TrySetProperty(IXMLDOMDocument2* document, const wchar_t* name, const VARIANT& value)
{
    CBstr property(name);
    if (property.Get())
        document->setProperty(property.Get(), value);
}

HRESULT CreateDocumentOf(REFCLSID clsid, CComRef<IXMLDOMDocument2>& document)
{
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                            document.ReceiveVoid());
}

// The element `node` is, and the attribute `name` ("@...") without its "@".
HRESULT AttributeOf(const CComRef<IXMLDOMNode>& node, const wchar_t* name,
                    CComRef<IXMLDOMElement>& element, CBstr& attribute)
{
    HRESULT hr = node.Query(IID_IXMLDOMElement, element);
    if (FAILED(hr))
        return hr;
    *attribute.Receive() = SysAllocString(name + 1);
    return attribute.Get() ? S_OK : E_OUTOFMEMORY;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The characters of `text` that XML can hold: most controls, unpaired
// surrogates, U+FFFE and U+FFFF are left out, since one of them in the file
// would make the whole file unreadable.
std::wstring XmlCharacters(const wchar_t* text)
{
    std::wstring kept;
    for (const wchar_t* c = text; *c; ++c) {
        if (IsHighSurrogate(c[0]) && IsLowSurrogate(c[1])) {
            kept.append(c, 2);
            ++c;
        } else if ((*c >= 0x20 || *c == L'\t' || *c == L'\n' || *c == L'\r') &&
                   !IsHighSurrogate(*c) && !IsLowSurrogate(*c) && *c != 0xFFFE && *c != 0xFFFF) {
            kept += *c;
        }
    }
    return kept;
}

} // namespace

HRESULT CXmlNode::CreateDocument(CComRef<IXMLDOMDocument2>& document)
{
    HRESULT hr = CreateDocumentOf(CLSID_DOMDocument60, document);
    if (FAILED(hr))
        hr = CreateDocumentOf(CLSID_DOMDocument30, document);
    if (FAILED(hr))
        return hr;

    // The file is ours and small: nothing outside it is ever read.
    if (FAILED(hr = document->put_async(VARIANT_FALSE)) ||
        FAILED(hr = document->put_validateOnParse(VARIANT_FALSE)) ||
        FAILED(hr = document->put_resolveExternals(VARIANT_FALSE))) {
        document.Reset();
        return hr;
    }
    CVariant value;
    value.SetBool(true);
    TrySetProperty(document.Get(), L"ProhibitDTD", value.Get());
    value.SetBool(false);
    TrySetProperty(document.Get(), L"AllowDocumentFunction", value.Get());
    TrySetProperty(document.Get(), L"AllowXsltScript", value.Get());
    // 3.0 selects with XSL patterns unless told otherwise.
    if (value.SetText(L"XPath"))
        TrySetProperty(document.Get(), L"SelectionLanguage", value.Get());
    return S_OK;
}

CXmlNode CXmlNode::FromDocument(const CComRef<IXMLDOMDocument2>& document)
{
    CComRef<IXMLDOMNode> node;
    document.Query(IID_IXMLDOMNode, node);
    return CXmlNode(document, node);
}

HRESULT CXmlNode::SelectNode(const wchar_t* name, CComRef<IXMLDOMNode>& node) const
{
    node.Reset();
    if (!m_node)
        return E_POINTER;
    if (IsSelf(name)) {
        node = m_node;
        return S_OK;
    }
    CBstr query(name);
    if (!query.Get())
        return E_OUTOFMEMORY;
    HRESULT hr = m_node->selectSingleNode(query.Get(), node.Receive());
    if (hr == S_OK && !node)
        hr = S_FALSE;
    if (hr != S_OK)
        node.Reset();
    return hr;
}

HRESULT CXmlNode::Select(const wchar_t* name, CXmlNode& child) const
{
    CComRef<IXMLDOMNode> node;
    HRESULT hr = SelectNode(name, node);
    child = CXmlNode(m_document, node);
    return hr;
}

HRESULT CXmlNode::GetOrCreate(const wchar_t* name, CXmlNode& child) const
{
    if (IsSelf(name) || IsAttributeName(name))
        return E_INVALIDARG;
    HRESULT hr = Select(name, child);
    if (hr != S_FALSE)
        return hr;

    CBstr tag(name);
    if (!tag.Get())
        return E_OUTOFMEMORY;
    CComRef<IXMLDOMElement> element;
    if (FAILED(hr = m_document->createElement(tag.Get(), element.Receive())))
        return hr;
    CComRef<IXMLDOMNode> created;
    if (FAILED(hr = m_node->appendChild(element.Get(), created.Receive())))
        return hr;
    child = CXmlNode(m_document, created);
    return S_OK;
}

HRESULT CXmlNode::ReadText(const wchar_t* name, std::wstring& text) const
{
    CComRef<IXMLDOMNode> node;
    HRESULT hr = SelectNode(name, node);
    if (hr != S_OK)
        return hr;
    CBstr value;
    if (FAILED(hr = node->get_text(value.Receive())))
        return hr;
    text.assign(value.Text(), value.Length());
    return S_OK;
}

bool CXmlNode::ReadBool(const wchar_t* name, bool fallback) const
{
    std::wstring text;
    if (ReadText(name, text) != S_OK)
        return fallback;
    if (text == L"true" || text == L"1")
        return true;
    if (text == L"false" || text == L"0")
        return false;
    return fallback;
}

int CXmlNode::ReadInt(const wchar_t* name, int fallback) const
{
    std::wstring text;
    if (ReadText(name, text) != S_OK)
        return fallback;
    errno = 0;
    long value = wcstol(text.c_str(), nullptr, 0);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return fallback;
    return static_cast<int>(value);
}

unsigned CXmlNode::ReadUnsigned(const wchar_t* name, unsigned fallback) const
{
    std::wstring text;
    if (ReadText(name, text) != S_OK)
        return fallback;
    errno = 0;
    unsigned long value = wcstoul(text.c_str(), nullptr, 0);
    if (errno == ERANGE || value > UINT_MAX)
        return fallback;
    return static_cast<unsigned>(value);
}

bool CXmlNode::ReadPoint(const wchar_t* name, POINT& point) const
{
    std::wstring text;
    if (ReadText(name, text) != S_OK)
        return false;
    long x = 0, y = 0;
    if (swscanf(text.c_str(), L"%ld,%ld", &x, &y) != 2)
        return false;
    point.x = x;
    point.y = y;
    return true;
}

bool CXmlNode::ReadRect(const wchar_t* name, RECT& rect) const
{
    std::wstring text;
    if (ReadText(name, text) != S_OK)
        return false;
    long left = 0, top = 0, right = 0, bottom = 0;
    if (swscanf(text.c_str(), L"%ld,%ld,%ld,%ld", &left, &top, &right, &bottom) != 4)
        return false;
    rect = RECT{left, top, right, bottom};
    return true;
}

bool CXmlNode::ReadTime(const wchar_t* name, SYSTEMTIME& local) const
{
    std::wstring text;
    return ReadText(name, text) == S_OK && ParseUtcTime(text.c_str(), local);
}

HRESULT CXmlNode::WriteText(const wchar_t* name, const wchar_t* text) const
{
    if (!m_node)
        return E_POINTER;
    if (!text)
        return IsSelf(name) ? WriteText(name, L"") : Remove(name);

    if (IsSelf(name)) {
        CBstr value(XmlCharacters(text).c_str());
        if (!value.Get())
            return E_OUTOFMEMORY;
        return m_node->put_text(value.Get());
    }
    if (IsAttributeName(name)) {
        CComRef<IXMLDOMElement> element;
        CBstr attribute;
        HRESULT hr = AttributeOf(m_node, name, element, attribute);
        if (FAILED(hr))
            return hr;
        CVariant value;
        if (!value.SetText(XmlCharacters(text).c_str()))
            return E_OUTOFMEMORY;
        return element->setAttribute(attribute.Get(), value.Get());
    }
    CXmlNode child;
    HRESULT hr = GetOrCreate(name, child);
    if (FAILED(hr))
        return hr;
    return child.WriteText(nullptr, text);
}

HRESULT CXmlNode::Remove(const wchar_t* name) const
{
    if (!m_node)
        return E_POINTER;
    if (IsSelf(name))
        return E_INVALIDARG;
    if (IsAttributeName(name)) {
        CComRef<IXMLDOMElement> element;
        CBstr attribute;
        HRESULT hr = AttributeOf(m_node, name, element, attribute);
        if (FAILED(hr))
            return hr;
        return element->removeAttribute(attribute.Get());
    }
    CComRef<IXMLDOMNode> child;
    HRESULT hr = SelectNode(name, child);
    if (hr != S_OK)
        return hr;
    CComRef<IXMLDOMNode> removed;
    return m_node->removeChild(child.Get(), removed.Receive());
}

HRESULT CXmlNode::WriteBool(const wchar_t* name, bool value) const
{
    return WriteText(name, value ? L"true" : L"false");
}

HRESULT CXmlNode::WriteInt(const wchar_t* name, int value) const
{
    wchar_t text[VALUE_SIZE];
    _snwprintf(text, VALUE_SIZE, L"%d", value);
    text[VALUE_SIZE - 1] = L'\0';
    return WriteText(name, text);
}

HRESULT CXmlNode::WriteLong(const wchar_t* name, long value) const
{
    wchar_t text[VALUE_SIZE];
    _snwprintf(text, VALUE_SIZE, L"%ld", value);
    text[VALUE_SIZE - 1] = L'\0';
    return WriteText(name, text);
}

HRESULT CXmlNode::WriteUnsigned(const wchar_t* name, unsigned value, bool hex) const
{
    wchar_t text[VALUE_SIZE];
    _snwprintf(text, VALUE_SIZE, hex ? L"0x%08X" : L"%u", value);
    text[VALUE_SIZE - 1] = L'\0';
    return WriteText(name, text);
}

HRESULT CXmlNode::WritePoint(const wchar_t* name, const POINT& point) const
{
    if (!IsSelf(name) && !IsAttributeName(name)) {
        CXmlNode child;
        HRESULT hr = GetOrCreate(name, child);
        if (SUCCEEDED(hr))
            hr = child.WriteLong(L"@x", point.x);
        if (SUCCEEDED(hr))
            hr = child.WriteLong(L"@y", point.y);
        return hr;
    }
    wchar_t text[COMPOUND_SIZE];
    _snwprintf(text, COMPOUND_SIZE, L"%ld,%ld", static_cast<long>(point.x),
               static_cast<long>(point.y));
    text[COMPOUND_SIZE - 1] = L'\0';
    return WriteText(name, text);
}

HRESULT CXmlNode::WriteRect(const wchar_t* name, const RECT& rect) const
{
    wchar_t text[COMPOUND_SIZE];
    _snwprintf(text, COMPOUND_SIZE, L"%ld,%ld,%ld,%ld", static_cast<long>(rect.left),
               static_cast<long>(rect.top), static_cast<long>(rect.right),
               static_cast<long>(rect.bottom));
    text[COMPOUND_SIZE - 1] = L'\0';
    return WriteText(name, text);
}

HRESULT CXmlNode::WriteTime(const wchar_t* name, const SYSTEMTIME& local) const
{
    wchar_t text[COMPOUND_SIZE];
    if (!FormatUtcTime(local, text, COMPOUND_SIZE))
        return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_INVALID_PARAMETER);
    return WriteText(name, text);
}

bool FormatUtcTime(const SYSTEMTIME& local, wchar_t* text, size_t size)
{
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc))
        return false;
    int length =
        _snwprintf(text, size, L"%04hu-%02hu-%02huT%02hu:%02hu:%02hu.%03huZ", utc.wYear, utc.wMonth,
                   utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    return true;
}

bool ParseUtcTime(const wchar_t* text, SYSTEMTIME& local)
{
    SYSTEMTIME utc{};
    // The writing format read back as it is: each number has at most its
    // written width, so a longer one stops the match.
    if (swscanf(text, L"%04hu-%02hu-%02huT%02hu:%02hu:%02hu.%03huZ", &utc.wYear, &utc.wMonth,
                &utc.wDay, &utc.wHour, &utc.wMinute, &utc.wSecond, &utc.wMilliseconds) != 7)
        return false;
    SYSTEMTIME converted;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &converted))
        return false;
    local = converted;
    return true;
}
