#include "settings/settings_file.h"

#include "common/resource_string.h"
#include "settings/settings_fields.h"
#include "settings/xml_file.h"

#include <cwchar>

namespace {

const size_t kFieldCount = sizeof(kSettingsFields) / sizeof(kSettingsFields[0]);

bool SameName(const wchar_t* a, const wchar_t* b)
{
    return a == b || (a && b && wcscmp(a, b) == 0);
}

// The end of the run of fields that live in the element of field `first`.
size_t ElementEnd(size_t first)
{
    const CSettingsField& lead = kSettingsFields[first];
    size_t last = first + 1;
    while (last < kFieldCount && SameName(kSettingsFields[last].section, lead.section) &&
           SameName(kSettingsFields[last].element, lead.element))
        ++last;
    return last;
}

// The element of `field` below `base`: S_FALSE (and an empty node) when it is missing.
HRESULT SelectElement(const CXmlNode& base, const CSettingsField& field, CXmlNode& node)
{
    HRESULT hr = base.Select(field.section, node);
    if (hr == S_OK && field.element) {
        CXmlNode section = node;
        hr = section.Select(field.element, node);
    }
    return hr;
}

// Replaces the field's value only with an acceptable one; a placement number
// becomes its default otherwise. False when a position is missing or
// malformed, which ends the reading of its element.
bool ReadField(const CXmlNode& node, const CSettingsField& field, const CSettingsData& data)
{
    void* value = field.member(data);
    std::wstring text;
    switch (field.kind) {
    case CFieldKind::Bool: {
        bool& flag = *static_cast<bool*>(value);
        flag = node.ReadBool(field.name, flag);
        break;
    }
    case CFieldKind::Int: {
        int& number = *static_cast<int*>(value);
        const int read = node.ReadInt(field.name, number);
        if (read >= field.low && read <= field.high)
            number = read;
        break;
    }
    case CFieldKind::Time:
        node.ReadTime(field.name, *static_cast<SYSTEMTIME*>(value));
        break;
    case CFieldKind::PortList:
        if (node.ReadText(field.name, text) == S_OK &&
            text.size() <= static_cast<size_t>(field.high))
            ParsePortList(text.c_str(), *static_cast<CPortList*>(value));
        break;
    case CFieldKind::Text:
        if (node.ReadText(field.name, text) == S_OK &&
            text.size() <= static_cast<size_t>(field.high))
            *static_cast<std::wstring*>(value) = TrimWhiteSpace(text);
        break;
    case CFieldKind::Unsigned:
    case CFieldKind::Flags:
        *static_cast<UINT*>(value) =
            node.ReadUnsigned(field.name, static_cast<unsigned>(field.defaultValue));
        break;
    case CFieldKind::Point:
        return node.ReadPoint(field.name, *static_cast<POINT*>(value));
    case CFieldKind::Rect:
        return node.ReadRect(field.name, *static_cast<RECT*>(value));
    }
    return true;
}

// One walk over the table, one selection per element.
void ReadFields(const CXmlNode& base, const CSettingsData& data)
{
    for (size_t first = 0, last; first < kFieldCount; first = last) {
        last = ElementEnd(first);
        CXmlNode node;
        // A failed selection leaves the element's fields alone; a missing
        // element reads as one without any of them.
        if (FAILED(SelectElement(base, kSettingsFields[first], node)))
            continue;
        for (size_t i = first; i < last && ReadField(node, kSettingsFields[i], data); ++i) {
        }
    }
    // No connection on no port is no condition, as the page makes it on apply;
    // kept, it would be saved with an empty port text and come back "Always".
    CSettingsModel& model = data.model;
    if (model.TcpPorts.list.empty())
        model.Suspend.condition = CONDITION_ALWAYS;
    if (model.Command.text.empty())
        model.Command.run = false;
}

// Whether the element of fields [first, last) goes into the file: not when it
// holds an empty rectangle (a window never placed has no record).
bool IsWritten(const CSettingsData& data, size_t first, size_t last)
{
    for (size_t i = first; i < last; ++i) {
        const CSettingsField& field = kSettingsFields[i];
        if (field.kind == CFieldKind::Rect && IsRectEmpty(static_cast<RECT*>(field.member(data))))
            return false;
    }
    return true;
}

HRESULT WriteField(const CXmlNode& node, const CSettingsField& field, const CSettingsData& data)
{
    const void* value = field.member(data);
    switch (field.kind) {
    case CFieldKind::Bool:
        return node.WriteBool(field.name, *static_cast<const bool*>(value));
    case CFieldKind::Int:
        return node.WriteInt(field.name, *static_cast<const int*>(value));
    case CFieldKind::Time:
        return node.WriteTime(field.name, *static_cast<const SYSTEMTIME*>(value));
    case CFieldKind::PortList:
        return node.WriteText(field.name,
                              FormatPortList(*static_cast<const CPortList*>(value)).c_str());
    case CFieldKind::Text:
        return node.WriteText(field.name, static_cast<const std::wstring*>(value)->c_str());
    case CFieldKind::Unsigned:
    case CFieldKind::Flags:
        return node.WriteUnsigned(field.name, *static_cast<const UINT*>(value),
                                  field.kind == CFieldKind::Flags);
    case CFieldKind::Point:
        return node.WritePoint(field.name, *static_cast<const POINT*>(value));
    case CFieldKind::Rect:
        return node.WriteRect(field.name, *static_cast<const RECT*>(value));
    }
    return E_UNEXPECTED;
}

// One walk over the table, creating the elements as they come.
HRESULT WriteFields(const CXmlNode& root, const CSettingsData& data)
{
    for (size_t first = 0, last; first < kFieldCount; first = last) {
        last = ElementEnd(first);
        if (!IsWritten(data, first, last))
            continue;
        const CSettingsField& lead = kSettingsFields[first];
        CXmlNode node;
        HRESULT hr = root.GetOrCreate(lead.section, node);
        if (SUCCEEDED(hr) && lead.element) {
            CXmlNode section = node;
            hr = section.GetOrCreate(lead.element, node);
        }
        for (size_t i = first; i < last && SUCCEEDED(hr); ++i)
            hr = WriteField(node, kSettingsFields[i], data);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace

bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement)
{
    CComRef<IXMLDOMDocument2> document;
    if (!LoadXmlFile(path, document))
        return false;

    CXmlNode base = CXmlNode::FromDocument(document);
    CXmlNode root;
    if (base.Select(L"Application", root) == S_OK)
        base = root;
    placement.length = sizeof(placement);
    ReadFields(base, CSettingsData{model, placement});
    return true;
}

bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // The table's fields give the values to change; writing only reads them.
    const CSettingsData data{const_cast<CSettingsModel&>(model),
                             const_cast<WINDOWPLACEMENT&>(placement)};
    // Anything that cannot be written abandons the save: the old file stays,
    // where a part of the settings saved would lose the rest to defaults.
    CComRef<IXMLDOMDocument2> document;
    HRESULT hr = CXmlNode::CreateDocument(document);
    CXmlNode root;
    if (SUCCEEDED(hr))
        hr = CXmlNode::FromDocument(document).GetOrCreate(L"Application", root);
    if (SUCCEEDED(hr))
        hr = WriteFields(root, data);
    if (FAILED(hr)) {
        SetLastErrorFromResult(hr);
        return false;
    }
    return SaveXmlFile(document.Get(), path);
}
