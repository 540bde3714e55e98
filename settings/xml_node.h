#pragma once
// CXmlNode: a place in an MSXML document (the document plus a current node)
// with the few operations the settings file needs. Names address a child
// element ("Window") or, prefixed with "@", an attribute ("@minimized"); a
// null or empty name addresses the current node itself.
//
// Results are HRESULTs: S_OK done, S_FALSE the named node is missing (not a
// failure), an error code when MSXML failed.
#include "common/handles.h"
#include "settings/msxml_guids.h"

#include <string>

class CXmlNode
{
public:
    CXmlNode() = default;
    CXmlNode(const CComRef<IXMLDOMDocument2>& document, const CComRef<IXMLDOMNode>& node)
        : m_document(document), m_node(node)
    {
    }

    // A new, empty document: DOMDocument 6.0, else 3.0; synchronous, no
    // validation, no external entities, no DTD where the class can refuse one.
    static HRESULT CreateDocument(CComRef<IXMLDOMDocument2>& document);
    // The document node of `document` as the current node.
    static CXmlNode FromDocument(const CComRef<IXMLDOMDocument2>& document);

    bool IsEmpty() const { return !m_node; }
    IXMLDOMNode* Node() const { return m_node.Get(); }
    IXMLDOMDocument2* Document() const { return m_document.Get(); }

    // The first child element or the attribute called `name`. S_FALSE (and an
    // empty `child`) when there is none.
    HRESULT Select(const wchar_t* name, CXmlNode& child) const;
    // The first child element called `name`, appended as the last child when
    // missing. Element names only.
    HRESULT GetOrCreate(const wchar_t* name, CXmlNode& child) const;

    // Reading. ReadText gives S_OK with the text, S_FALSE for a missing node.
    HRESULT ReadText(const wchar_t* name, std::wstring& text) const;
    // "true"/"1" or "false"/"0" exactly; anything else gives `fallback`.
    bool ReadBool(const wchar_t* name, bool fallback) const;
    // Signed 32-bit, automatic base (0x hexadecimal, leading 0 octal); the
    // first unfitting character ends the number. Missing node or overflow
    // gives `fallback`.
    int ReadInt(const wchar_t* name, int fallback) const;
    // The same with unsigned conversion.
    unsigned ReadUnsigned(const wchar_t* name, unsigned fallback) const;
    // "%ld,%ld" and "%ld,%ld,%ld,%ld": true only when every number was read;
    // the result is untouched otherwise.
    bool ReadPoint(const wchar_t* name, POINT& point) const;
    bool ReadRect(const wchar_t* name, RECT& rect) const;
    // A UTC time text "YYYY-MM-DDThh:mm:ss.mmmZ" (all seven numbers needed),
    // converted to local time with the current zone's rules for that date.
    // `local` is untouched unless every step succeeds.
    bool ReadTime(const wchar_t* name, SYSTEMTIME& local) const;

    // Writing. An attribute is set (created or replaced); an element name sets
    // the text of that child, created when missing; no name sets the current
    // node's text. A null `text` removes the attribute or the child element.
    // Characters XML cannot hold (most controls, unpaired surrogates, U+FFFE,
    // U+FFFF) are left out.
    HRESULT WriteText(const wchar_t* name, const wchar_t* text) const;
    HRESULT Remove(const wchar_t* name) const;
    HRESULT WriteBool(const wchar_t* name, bool value) const;
    HRESULT WriteInt(const wchar_t* name, int value) const;
    HRESULT WriteLong(const wchar_t* name, long value) const;
    // "%u", or "0x%08X" with `hex`.
    HRESULT WriteUnsigned(const wchar_t* name, unsigned value, bool hex = false) const;
    // "%ld,%ld"; with an element name, a child element with attributes "x" and "y".
    HRESULT WritePoint(const wchar_t* name, const POINT& point) const;
    HRESULT WriteRect(const wchar_t* name, const RECT& rect) const;
    // `local` converted to UTC with the current zone's rules for that date.
    HRESULT WriteTime(const wchar_t* name, const SYSTEMTIME& local) const;

private:
    HRESULT SelectNode(const wchar_t* name, CComRef<IXMLDOMNode>& node) const;

    CComRef<IXMLDOMDocument2> m_document;
    CComRef<IXMLDOMNode> m_node;
};

// The UTC text of a local time, and back. Both false when a conversion fails.
bool FormatUtcTime(const SYSTEMTIME& local, wchar_t* text, size_t size);
bool ParseUtcTime(const wchar_t* text, SYSTEMTIME& local);
