// A stand-in for powrprof.dll in end-to-end tests: it plays the machine a test
// describes and records the requests to suspend instead of making them, so
// the real programs meet machines that Wine's own library never describes
// (Modern Standby, no sleep state, no hibernation, power plans and their
// rules) and nothing is ever suspended.
//
// The test names two files in the environment, which the programs it starts
// inherit: TARVIK_STANDIN_MACHINE, the machine (powrprof_standin.h) read at
// every call, and TARVIK_STANDIN_RECORD, to which each SetSuspendState call
// appends "SetSuspendState(h, f, w)" and a line break. Without a machine
// every call fails, as it would where Windows cannot answer.
#include <windows.h>
#include <powrprof.h>

#include <cstdio>
#include <string>

#include "common/handles.h"
#include "tests/e2e/powrprof_standin.h"

namespace {

// The plan PowerGetActiveScheme hands out ("Balanced"); the reads accept no other.
constexpr GUID kActiveScheme = {
    0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : L"";
}

// The machine the test describes; false when there is none.
bool Machine(CStandInMachine* machine)
{
    CFileHandle file(CreateFileW(Environment(L"TARVIK_STANDIN_MACHINE").c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD read = 0;
    return file && ReadFile(file.Get(), machine, sizeof *machine, &read, nullptr) &&
           read == sizeof *machine;
}

DWORD ReadValueIndex(int source, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                     DWORD* value)
{
    CStandInMachine machine;
    if (!IsEqualGUID(*scheme, kActiveScheme) || !IsEqualGUID(*subgroup, kSleepGroup) ||
        !Machine(&machine))
        return ERROR_FILE_NOT_FOUND;
    if (IsEqualGUID(*setting, kWakeTimers))
        *value = machine.wakeTimers[source];
    else if (IsEqualGUID(*setting, kRequests))
        *value = machine.requests[source];
    else
        return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

} // namespace

BOOLEAN WINAPI GetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES capabilities)
{
    CStandInMachine machine;
    if (!Machine(&machine) || !machine.capabilitiesKnown) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    *capabilities = machine.capabilities;
    return TRUE;
}

BOOLEAN WINAPI IsPwrHibernateAllowed()
{
    CStandInMachine machine;
    if (!Machine(&machine) || machine.hibernateAllowed < 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return machine.hibernateAllowed != 0;
}

// The caller frees the GUID with LocalFree.
DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** scheme)
{
    *scheme = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    **scheme = kActiveScheme;
    return ERROR_SUCCESS;
}

DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                   const GUID* setting, LPDWORD value)
{
    return ReadValueIndex(0, scheme, subgroup, setting, value);
}

DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                   const GUID* setting, LPDWORD value)
{
    return ReadValueIndex(1, scheme, subgroup, setting, value);
}

// Recorded, never made.
BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeEventsDisabled)
{
    const std::wstring path = Environment(L"TARVIK_STANDIN_RECORD");
    CFileHandle record(path.empty() ? INVALID_HANDLE_VALUE
                                    : CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    char line[64];
    const int length = std::snprintf(line, sizeof line, "SetSuspendState(%d, %d, %d)\r\n",
                                     hibernate ? 1 : 0, force ? 1 : 0, wakeEventsDisabled ? 1 : 0);
    DWORD written = 0;
    if (!record || !WriteFile(record.Get(), line, static_cast<DWORD>(length), &written, nullptr)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}
