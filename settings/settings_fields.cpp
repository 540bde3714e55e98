#include "settings/settings_fields.h"

#include "settings/settings_limits.h"

#include <cstring>

namespace {

// A choice as the file stores it.
template <class E>
constexpr int Choice(E value)
{
    return static_cast<int>(value);
}

template <class T>
void* Address(T& field)
{
    return &field;
}

} // namespace

// Defaults and ranges: Window.minimized false, the placement's show command and
// flags 0; Suspend allowed and blanking, condition "Always"; the remote end of
// connections; no automatic resume, "Once on:" or every hour; no automatic
// suspend, after ten minutes into sleep.
const CSettingsField kSettingsFields[20] = {
    {L"Window", nullptr, L"@minimized", CFieldKind::Bool, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.Window.minimized); }},
    {L"Window", L"Placement", L"@showCmd", CFieldKind::Unsigned, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.placement.showCmd); }},
    {L"Window", L"Placement", L"@flags", CFieldKind::Flags, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.placement.flags); }},
    {L"Window", L"Placement", L"@ptMinPosition", CFieldKind::Point, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.placement.ptMinPosition); }},
    {L"Window", L"Placement", L"@ptMaxPosition", CFieldKind::Point, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.placement.ptMaxPosition); }},
    {L"Window", L"Placement", L"@rcNormalPosition", CFieldKind::Rect, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.placement.rcNormalPosition); }},
    {L"Suspend", nullptr, L"@allowed", CFieldKind::Bool, 1, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.Suspend.allowed); }},
    {L"Suspend", nullptr, L"@blanking", CFieldKind::Bool, 1, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.Suspend.blanking); }},
    {L"Suspend", nullptr, L"@condition", CFieldKind::Int, Choice(Condition::Always),
     Choice(Condition::Always), Choice(Condition::NoConnection),
     [](const CSettingsData& d) { return Address(d.model.Suspend.condition); }},
    {L"Suspend", L"TcpPorts", L"@endpoint", CFieldKind::Int, Choice(Endpoint::Remote),
     Choice(Endpoint::Local), Choice(Endpoint::Both),
     [](const CSettingsData& d) { return Address(d.model.TcpPorts.endpoint); }},
    {L"Suspend", L"TcpPorts", nullptr, CFieldKind::PortList, 0, 0, kMaxPortText,
     [](const CSettingsData& d) { return Address(d.model.TcpPorts.list); }},
    {L"AutoResume", nullptr, L"@enabled", CFieldKind::Bool, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.AutoResume.enabled); }},
    {L"AutoResume", nullptr, L"@mode", CFieldKind::Int, Choice(ResumeMode::Once),
     Choice(ResumeMode::Once), Choice(ResumeMode::Daily),
     [](const CSettingsData& d) { return Address(d.model.AutoResume.mode); }},
    {L"AutoResume", nullptr, L"@delay", CFieldKind::Int, 3600, kAutoResumeDelayMin, kDelayMax,
     [](const CSettingsData& d) { return Address(d.model.AutoResume.delay); }},
    {L"AutoResume", nullptr, L"@time", CFieldKind::Time, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.AutoResume.time); }},
    {L"AutoResume", L"AutoSuspend", L"@enabled", CFieldKind::Bool, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.AutoSuspend.enabled); }},
    {L"AutoResume", L"AutoSuspend", L"@delay", CFieldKind::Int, 600, kAutoSuspendDelayMin,
     kDelayMax, [](const CSettingsData& d) { return Address(d.model.AutoSuspend.delay); }},
    {L"AutoResume", L"AutoSuspend", L"@state", CFieldKind::Int, Choice(SuspendState::Sleep),
     Choice(SuspendState::Sleep), Choice(SuspendState::Hibernate),
     [](const CSettingsData& d) { return Address(d.model.AutoSuspend.state); }},
    {L"AutoResume", L"Command", L"@run", CFieldKind::Bool, 0, 0, 0,
     [](const CSettingsData& d) { return Address(d.model.Command.run); }},
    {L"AutoResume", L"Command", nullptr, CFieldKind::Text, 0, 0, kMaxCommandText,
     [](const CSettingsData& d) { return Address(d.model.Command.text); }},
};

CSettingsModel::CSettingsModel()
{
    // The placement's fields take their defaults when a file is read, not here.
    WINDOWPLACEMENT placement{};
    const CSettingsData data{*this, placement};
    for (const CSettingsField& field : kSettingsFields) {
        void* value = field.member(data);
        switch (field.kind) {
        case CFieldKind::Bool:
            *static_cast<bool*>(value) = field.defaultValue != 0;
            break;
        case CFieldKind::Int:
            StoreInt(value, field.defaultValue);
            break;
        case CFieldKind::Time:
            // The moment the model is made: "Once on:" offers now.
            GetLocalTime(static_cast<SYSTEMTIME*>(value));
            break;
        case CFieldKind::PortList:
            static_cast<CPortList*>(value)->clear();
            break;
        case CFieldKind::Text:
            static_cast<std::wstring*>(value)->clear();
            break;
        case CFieldKind::Unsigned:
        case CFieldKind::Flags:
        case CFieldKind::Point:
        case CFieldKind::Rect:
            break;
        }
    }
}

static_assert(sizeof(Condition) == sizeof(int) && sizeof(Endpoint) == sizeof(int) &&
                  sizeof(ResumeMode) == sizeof(int) && sizeof(SuspendState) == sizeof(int),
              "a choice is stored as an int");

int LoadInt(const void* field)
{
    int value = 0;
    std::memcpy(&value, field, sizeof value);
    return value;
}

void StoreInt(void* field, int value)
{
    std::memcpy(field, &value, sizeof value);
}
