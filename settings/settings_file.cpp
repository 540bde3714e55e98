#include "settings/settings_file.h"

#include "settings/xml_file.h"

#include <cwctype>

namespace {

int InRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

// Leading and trailing white space of every kind removed.
std::wstring Trim(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && iswspace(text[first]))
        ++first;
    while (last > first && iswspace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

void ReadWindow(const CXmlNode& window, CSettingsModel& model)
{
    model.Window.minimized = window.ReadBool(L"@minimized", model.Window.minimized);
}

void ReadSuspend(const CXmlNode& suspend, CSettingsModel& model)
{
    auto& section = model.Suspend;
    section.allowed = suspend.ReadBool(L"@allowed", section.allowed);
    section.blanking = suspend.ReadBool(L"@blanking", section.blanking);
    section.condition = InRange(suspend.ReadInt(L"@condition", section.condition),
                                CONDITION_ALWAYS, CONDITION_NO_CONNECTION, section.condition);

    CXmlNode ports;
    if (suspend.Select(L"TcpPorts", ports) == S_OK) {
        std::wstring text;
        if (ports.ReadText(nullptr, text) == S_OK && text.size() <= MAX_PORT_TEXT)
            ParsePortList(text.c_str(), model.TcpPorts.list);
        model.TcpPorts.endpoint =
            InRange(ports.ReadInt(L"@endpoint", model.TcpPorts.endpoint), ENDPOINT_LOCAL,
                    ENDPOINT_BOTH, model.TcpPorts.endpoint);
    }
    // No connection on no port is no condition, as the page makes it on apply;
    // kept, it would be saved with an empty port text and come back "Always".
    if (model.TcpPorts.list.empty())
        section.condition = CONDITION_ALWAYS;
}

void ReadAutoSuspend(const CXmlNode& autoSuspend, CSettingsModel& model)
{
    auto& section = model.AutoSuspend;
    section.enabled = autoSuspend.ReadBool(L"@enabled", section.enabled);
    section.delay = InRange(autoSuspend.ReadInt(L"@delay", section.delay), 60, 86399,
                            section.delay);
    section.state = InRange(autoSuspend.ReadInt(L"@state", section.state), SUSPEND_STATE_SLEEP,
                            SUSPEND_STATE_HIBERNATE, section.state);
}

void ReadCommand(const CXmlNode& command, CSettingsModel& model)
{
    auto& section = model.Command;
    section.run = command.ReadBool(L"@run", section.run);
    std::wstring text;
    if (command.ReadText(nullptr, text) == S_OK && text.size() <= MAX_COMMAND_TEXT)
        section.text = Trim(text);
    if (section.text.empty())
        section.run = false;
}

void ReadAutoResume(const CXmlNode& autoResume, CSettingsModel& model)
{
    auto& section = model.AutoResume;
    section.enabled = autoResume.ReadBool(L"@enabled", section.enabled);
    section.mode = InRange(autoResume.ReadInt(L"@mode", section.mode), RESUME_ONCE,
                           RESUME_DAILY, section.mode);
    section.delay = InRange(autoResume.ReadInt(L"@delay", section.delay), 600, 86399,
                            section.delay);
    autoResume.ReadTime(L"@time", section.time);

    CXmlNode child;
    if (autoResume.Select(L"AutoSuspend", child) == S_OK)
        ReadAutoSuspend(child, model);
    if (autoResume.Select(L"Command", child) == S_OK)
        ReadCommand(child, model);
}

} // namespace

void ReadSettings(const CXmlNode& base, CSettingsModel& model)
{
    CXmlNode section;
    if (base.Select(L"Window", section) == S_OK)
        ReadWindow(section, model);
    if (base.Select(L"Suspend", section) == S_OK)
        ReadSuspend(section, model);
    if (base.Select(L"AutoResume", section) == S_OK)
        ReadAutoResume(section, model);
}

void ReadSettingsDocument(const CComRef<IXMLDOMDocument2>& document, CSettingsModel& model,
                          WINDOWPLACEMENT& placement)
{
    CXmlNode base = CXmlNode::FromDocument(document);
    CXmlNode root;
    if (base.Select(L"Application", root) == S_OK)
        base = root;

    CXmlNode window;
    if (SUCCEEDED(base.Select(L"Window", window)))
        LoadPlacement(window, placement);
    ReadSettings(base, model);
}

bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement)
{
    CComRef<IXMLDOMDocument2> document;
    if (!LoadXmlFile(path, document))
        return false;
    ReadSettingsDocument(document, model, placement);
    return true;
}

HRESULT WriteSettings(const CXmlNode& root, const CSettingsModel& model)
{
    CXmlNode window, suspend, ports, autoResume, autoSuspend, command;
    HRESULT hr;
    if (FAILED(hr = root.GetOrCreate(L"Window", window)) ||
        FAILED(hr = window.WriteBool(L"@minimized", model.Window.minimized)))
        return hr;

    if (FAILED(hr = root.GetOrCreate(L"Suspend", suspend)) ||
        FAILED(hr = suspend.WriteBool(L"@allowed", model.Suspend.allowed)) ||
        FAILED(hr = suspend.WriteBool(L"@blanking", model.Suspend.blanking)) ||
        FAILED(hr = suspend.WriteInt(L"@condition", model.Suspend.condition)) ||
        FAILED(hr = suspend.GetOrCreate(L"TcpPorts", ports)) ||
        FAILED(hr = ports.WriteInt(L"@endpoint", model.TcpPorts.endpoint)) ||
        FAILED(hr = ports.WriteText(nullptr, FormatPortList(model.TcpPorts.list).c_str())))
        return hr;

    if (FAILED(hr = root.GetOrCreate(L"AutoResume", autoResume)) ||
        FAILED(hr = autoResume.WriteBool(L"@enabled", model.AutoResume.enabled)) ||
        FAILED(hr = autoResume.WriteInt(L"@mode", model.AutoResume.mode)) ||
        FAILED(hr = autoResume.WriteInt(L"@delay", model.AutoResume.delay)) ||
        FAILED(hr = autoResume.WriteTime(L"@time", model.AutoResume.time)) ||
        FAILED(hr = autoResume.GetOrCreate(L"AutoSuspend", autoSuspend)) ||
        FAILED(hr = autoSuspend.WriteBool(L"@enabled", model.AutoSuspend.enabled)) ||
        FAILED(hr = autoSuspend.WriteInt(L"@delay", model.AutoSuspend.delay)) ||
        FAILED(hr = autoSuspend.WriteInt(L"@state", model.AutoSuspend.state)) ||
        FAILED(hr = autoResume.GetOrCreate(L"Command", command)) ||
        FAILED(hr = command.WriteBool(L"@run", model.Command.run)) ||
        FAILED(hr = command.WriteText(nullptr, model.Command.text.c_str())))
        return hr;
    return S_OK;
}

HRESULT BuildSettingsDocument(const CSettingsModel& model, const WINDOWPLACEMENT& placement,
                              CComRef<IXMLDOMDocument2>& document)
{
    HRESULT hr = CXmlNode::CreateDocument(document);
    CXmlNode root;
    if (SUCCEEDED(hr))
        hr = CXmlNode::FromDocument(document).GetOrCreate(L"Application", root);
    if (SUCCEEDED(hr))
        hr = SavePlacement(root, placement);
    if (FAILED(hr)) {
        document.Reset();
        return hr;
    }
    // A failure here keeps what was built: the sections before it are saved.
    WriteSettings(root, model);
    return S_OK;
}

bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // A placement that cannot be written abandons the save: the old file stays.
    CComRef<IXMLDOMDocument2> document;
    HRESULT hr = BuildSettingsDocument(model, placement, document);
    if (FAILED(hr)) {
        SetLastErrorFromResult(hr);
        return false;
    }
    return SaveXmlFile(document.Get(), path);
}
