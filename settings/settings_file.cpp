#include "settings/settings_file.h"

#include "common/resource_string.h"
#include "settings/settings_fields.h"
#include "settings/xml_file.h"

namespace {

// The node of `field` below `base`: S_FALSE when its element is missing.
HRESULT SelectField(const CXmlNode& base, const CSettingsField& field, CXmlNode& node)
{
    HRESULT hr = base.Select(field.section, node);
    if (hr == S_OK && field.element) {
        CXmlNode section = node;
        hr = section.Select(field.element, node);
    }
    return hr;
}

// Replaces the field's value only with an acceptable one.
void ReadField(const CXmlNode& node, const CSettingsField& field, CSettingsModel& model)
{
    void* value = field.member(model);
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
    }
}

HRESULT WriteField(const CXmlNode& node, const CSettingsField& field, const CSettingsModel& model)
{
    // The table's accessors take the model to change; writing only reads it.
    const void* value = field.member(const_cast<CSettingsModel&>(model));
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
    }
    return E_UNEXPECTED;
}

} // namespace

void ReadSettings(const CXmlNode& base, CSettingsModel& model)
{
    for (const CSettingsField& field : kSettingsFields) {
        CXmlNode node;
        if (SelectField(base, field, node) == S_OK)
            ReadField(node, field, model);
    }
    // No connection on no port is no condition, as the page makes it on apply;
    // kept, it would be saved with an empty port text and come back "Always".
    if (model.TcpPorts.list.empty())
        model.Suspend.condition = CONDITION_ALWAYS;
    if (model.Command.text.empty())
        model.Command.run = false;
}

bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement)
{
    CComRef<IXMLDOMDocument2> document;
    if (!LoadXmlFile(path, document))
        return false;

    CXmlNode base = CXmlNode::FromDocument(document);
    CXmlNode root;
    if (base.Select(L"Application", root) == S_OK)
        base = root;
    CXmlNode window;
    if (SUCCEEDED(base.Select(L"Window", window)))
        LoadPlacement(window, placement);
    ReadSettings(base, model);
    return true;
}

HRESULT WriteSettings(const CXmlNode& root, const CSettingsModel& model)
{
    for (const CSettingsField& field : kSettingsFields) {
        CXmlNode node;
        HRESULT hr = root.GetOrCreate(field.section, node);
        if (SUCCEEDED(hr) && field.element) {
            CXmlNode section = node;
            hr = section.GetOrCreate(field.element, node);
        }
        if (SUCCEEDED(hr))
            hr = WriteField(node, field, model);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // Anything that cannot be written abandons the save: the old file stays.
    CComRef<IXMLDOMDocument2> document;
    HRESULT hr = CXmlNode::CreateDocument(document);
    CXmlNode root;
    if (SUCCEEDED(hr))
        hr = CXmlNode::FromDocument(document).GetOrCreate(L"Application", root);
    if (SUCCEEDED(hr))
        hr = SavePlacement(root, placement);
    // A part of the settings saved would lose the rest to defaults at the next start.
    if (SUCCEEDED(hr))
        hr = WriteSettings(root, model);
    if (FAILED(hr)) {
        SetLastErrorFromResult(hr);
        return false;
    }
    return SaveXmlFile(document.Get(), path);
}
