#include "common/machine_power.h"

#include <powrprof.h>

#include <cstddef>

#include "common/handles.h"
#include "common/resource_string.h"
#include "common/system_helpers.h"

namespace {

// Group policies of the power settings, readable by every user.
const wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\";

bool ReadPolicyValue(const GUID& setting, bool onBattery, DWORD* value)
{
    const std::wstring path =
        FormatText(L"%s%08lX-%04hX-%04hX-%02X%02X-%02X%02X%02X%02X%02X%02X", kPolicyKey,
                   static_cast<unsigned long>(setting.Data1), setting.Data2, setting.Data3,
                   setting.Data4[0], setting.Data4[1], setting.Data4[2], setting.Data4[3],
                   setting.Data4[4], setting.Data4[5], setting.Data4[6], setting.Data4[7]);
    CRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof(DWORD);
    return RegQueryValueExW(key.Get(), onBattery ? L"DCSettingIndex" : L"ACSettingIndex", nullptr,
                            &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof(DWORD);
}

using GetActiveSchemeFunction = DWORD(WINAPI*)(HKEY, GUID**);
using ReadValueIndexFunction = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);

} // namespace

bool ReadSystemPowerCapabilities(SYSTEM_POWER_CAPABILITIES* capabilities)
{
    ZeroMemory(capabilities, sizeof *capabilities);
    return GetPwrCapabilities(capabilities) != FALSE;
}

bool IsSystemHibernateAllowed()
{
    return IsPwrHibernateAllowed() != FALSE;
}

bool ReadActivePlanValue(const GUID& subgroup, const GUID& setting, bool onBattery, DWORD* value)
{
    if (ReadPolicyValue(setting, onBattery, value))
        return true;
    // Bound by name: Windows has had these since Vista, but a library without
    // them must mean "unknown", not a program that cannot start.
    CLibraryHandle library(LoadSystemLibrary(L"powrprof.dll", false));
    if (!library)
        return false;
    auto getActive = reinterpret_cast<GetActiveSchemeFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "PowerGetActiveScheme")));
    auto read = reinterpret_cast<ReadValueIndexFunction>(reinterpret_cast<void*>(GetProcAddress(
        library.Get(), onBattery ? "PowerReadDCValueIndex" : "PowerReadACValueIndex")));
    if (!getActive || !read)
        return false;
    GUID* scheme = nullptr;
    if (getActive(nullptr, &scheme) != ERROR_SUCCESS)
        return false;
    CLocalBlock schemeBlock(scheme);
    return read(nullptr, scheme, &subgroup, &setting, value) == ERROR_SUCCESS;
}

void TurnSystemDisplayOff()
{
    // Posted, not sent: a window that does not answer must not hold us.
    PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

CMachinePower ReadMachinePower(IMachinePowerSystem& system)
{
    CMachinePower machine;
    SYSTEM_POWER_CAPABILITIES capabilities;
    if (system.GetPowerCapabilities(&capabilities)) {
        machine.capabilitiesKnown = true;
        const BOOLEAN sleeps[] = {capabilities.SystemS1, capabilities.SystemS2,
                                  capabilities.SystemS3};
        for (int i = 0; i < 3; ++i) {
            if (sleeps[i]) {
                machine.sleepState = true;
                machine.deepestSleep = static_cast<SYSTEM_POWER_STATE>(PowerSystemSleeping1 + i);
            }
        }
        // AoAc is the byte before DiskSpinDown in every layout of the
        // structure; older headers call it a spare.
        const BYTE aoac = reinterpret_cast<const BYTE*>(
            &capabilities)[offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) - 1];
        machine.modernStandby = aoac != 0 && !capabilities.SystemS3;
        machine.batteries = capabilities.SystemBatteriesPresent != FALSE;
        machine.clockWake = capabilities.RtcWake;
        machine.hibernation =
            system.IsHibernateAllowed() && capabilities.SystemS4 && capabilities.HiberFilePresent
                ? Answer::Yes
                : Answer::No;
    } else {
        machine.hibernation = system.IsHibernateAllowed() ? Answer::Yes : Answer::No;
    }

    for (int source : {OnMains, OnBattery}) {
        DWORD value = 0;
        if (system.ReadPlanValue(kSleepSubgroup, kAllowWakeTimers, source == OnBattery, &value)) {
            machine.wakeTimers[source] = value == 0   ? WakeTimers::Disabled
                                         : value == 2 ? WakeTimers::ImportantOnly
                                                      : WakeTimers::Enabled;
        }
        if (system.ReadPlanValue(kSleepSubgroup, kAllowSystemRequired, source == OnBattery, &value))
            machine.requestsHonoured[source] = value == 0 ? Answer::No : Answer::Yes;
    }
    return machine;
}
