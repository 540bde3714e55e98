#include "settings/settings_fields.h"

#include "settings/settings_limits.h"

namespace {

template <class T>
void* Address(T& field)
{
    return &field;
}

} // namespace

// Defaults and ranges: Window.minimized false; Suspend allowed and blanking,
// condition "Always"; the remote end of connections; no automatic resume,
// "Once on:" or every hour; no automatic suspend, after ten minutes into sleep.
const CSettingsField kSettingsFields[15] = {
    {L"Window", nullptr, L"@minimized", CFieldKind::Bool, 0, 0, 0,
     [](CSettingsModel& m) { return Address(m.Window.minimized); }},
    {L"Suspend", nullptr, L"@allowed", CFieldKind::Bool, 1, 0, 0,
     [](CSettingsModel& m) { return Address(m.Suspend.allowed); }},
    {L"Suspend", nullptr, L"@blanking", CFieldKind::Bool, 1, 0, 0,
     [](CSettingsModel& m) { return Address(m.Suspend.blanking); }},
    {L"Suspend", nullptr, L"@condition", CFieldKind::Int, CONDITION_ALWAYS, CONDITION_ALWAYS,
     CONDITION_NO_CONNECTION, [](CSettingsModel& m) { return Address(m.Suspend.condition); }},
    {L"Suspend", L"TcpPorts", L"@endpoint", CFieldKind::Int, ENDPOINT_REMOTE, ENDPOINT_LOCAL,
     ENDPOINT_BOTH, [](CSettingsModel& m) { return Address(m.TcpPorts.endpoint); }},
    {L"Suspend", L"TcpPorts", nullptr, CFieldKind::PortList, 0, 0, kMaxPortText,
     [](CSettingsModel& m) { return Address(m.TcpPorts.list); }},
    {L"AutoResume", nullptr, L"@enabled", CFieldKind::Bool, 0, 0, 0,
     [](CSettingsModel& m) { return Address(m.AutoResume.enabled); }},
    {L"AutoResume", nullptr, L"@mode", CFieldKind::Int, RESUME_ONCE, RESUME_ONCE, RESUME_DAILY,
     [](CSettingsModel& m) { return Address(m.AutoResume.mode); }},
    {L"AutoResume", nullptr, L"@delay", CFieldKind::Int, 3600, kAutoResumeDelayMin, kDelayMax,
     [](CSettingsModel& m) { return Address(m.AutoResume.delay); }},
    {L"AutoResume", nullptr, L"@time", CFieldKind::Time, 0, 0, 0,
     [](CSettingsModel& m) { return Address(m.AutoResume.time); }},
    {L"AutoResume", L"AutoSuspend", L"@enabled", CFieldKind::Bool, 0, 0, 0,
     [](CSettingsModel& m) { return Address(m.AutoSuspend.enabled); }},
    {L"AutoResume", L"AutoSuspend", L"@delay", CFieldKind::Int, 600, kAutoSuspendDelayMin,
     kDelayMax, [](CSettingsModel& m) { return Address(m.AutoSuspend.delay); }},
    {L"AutoResume", L"AutoSuspend", L"@state", CFieldKind::Int, SUSPEND_STATE_SLEEP,
     SUSPEND_STATE_SLEEP, SUSPEND_STATE_HIBERNATE,
     [](CSettingsModel& m) { return Address(m.AutoSuspend.state); }},
    {L"AutoResume", L"Command", L"@run", CFieldKind::Bool, 0, 0, 0,
     [](CSettingsModel& m) { return Address(m.Command.run); }},
    {L"AutoResume", L"Command", nullptr, CFieldKind::Text, 0, 0, kMaxCommandText,
     [](CSettingsModel& m) { return Address(m.Command.text); }},
};

CSettingsModel::CSettingsModel()
{
    for (const CSettingsField& field : kSettingsFields) {
        void* value = field.member(*this);
        switch (field.kind) {
        case CFieldKind::Bool:
            *static_cast<bool*>(value) = field.defaultValue != 0;
            break;
        case CFieldKind::Int:
            *static_cast<int*>(value) = field.defaultValue;
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
        }
    }
}
