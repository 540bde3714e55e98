// A stand-in for powrprof.dll in end-to-end tests: it plays the machine a test
// describes and records the requests to suspend instead of making them, so
// the real programs meet machines that Wine's own library never describes
// (Modern Standby, no sleep state, no hibernation, power plans and their
// rules) and nothing is ever suspended.
//
// The test names two files in the environment, which the programs it starts
// inherit: TARVIK_STANDIN_MACHINE, a text file of Key=Value lines read at
// every call, and TARVIK_STANDIN_RECORD, to which each SetSuspendState call
// appends "SetSuspendState(h, f, w)" and a line break. A call whose value the
// machine file lacks fails, as it would where Windows cannot answer.
//
//   Capabilities=SystemS1 SystemS3 SystemS4 HiberFilePresent ...  GetPwrCapabilities:
//                     the flags named are set (also SystemS2, SystemS5,
//                     SystemBatteriesPresent, AoAc); no line: the call fails
//   RtcWake=4         its RtcWake (a SYSTEM_POWER_STATE)
//   HibernateAllowed=1                     IsPwrHibernateAllowed
//   AC <subgroup> <setting>=0              PowerReadACValueIndex of the active plan
//   DC <subgroup> <setting>=2              PowerReadDCValueIndex (GUIDs lower-case)
#include <windows.h>
#include <powrprof.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/handles.h"

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

// The value of `key` in the machine file; false when the file or the line is missing.
bool MachineValue(const std::string& key, std::string* value)
{
    CFileHandle file(CreateFileW(Environment(L"TARVIK_STANDIN_MACHINE").c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text = "\n";
    char buffer[4096];
    DWORD read = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    const size_t line = text.find("\n" + key + "=");
    if (line == std::string::npos)
        return false;
    const size_t start = line + key.size() + 2;
    *value = text.substr(start, text.find_first_of("\r\n", start) - start);
    return true;
}

bool MachineNumber(const std::string& key, DWORD* number)
{
    std::string value;
    if (!MachineValue(key, &value) || value.empty())
        return false;
    *number = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    return true;
}

bool HasWord(const std::string& words, const char* word)
{
    const std::string padded = " " + words + " ";
    return padded.find(" " + std::string(word) + " ") != std::string::npos;
}

std::string GuidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

DWORD ReadValueIndex(const char* source, const GUID* scheme, const GUID* subgroup,
                     const GUID* setting, DWORD* value)
{
    if (!scheme || !subgroup || !setting || !value)
        return ERROR_INVALID_PARAMETER;
    if (!IsEqualGUID(*scheme, kActiveScheme))
        return ERROR_FILE_NOT_FOUND;
    return MachineNumber(std::string(source) + " " + GuidText(*subgroup) + " " + GuidText(*setting),
                         value)
               ? ERROR_SUCCESS
               : ERROR_FILE_NOT_FOUND;
}

} // namespace

BOOLEAN WINAPI GetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES capabilities)
{
    std::string flags;
    if (!capabilities || !MachineValue("Capabilities", &flags)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ZeroMemory(capabilities, sizeof *capabilities);
    capabilities->SystemS1 = HasWord(flags, "SystemS1");
    capabilities->SystemS2 = HasWord(flags, "SystemS2");
    capabilities->SystemS3 = HasWord(flags, "SystemS3");
    capabilities->SystemS4 = HasWord(flags, "SystemS4");
    capabilities->SystemS5 = HasWord(flags, "SystemS5");
    capabilities->HiberFilePresent = HasWord(flags, "HiberFilePresent");
    capabilities->SystemBatteriesPresent = HasWord(flags, "SystemBatteriesPresent");
    // AoAc: the byte before DiskSpinDown, a spare in older headers.
    reinterpret_cast<BYTE*>(capabilities)[offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) - 1] =
        HasWord(flags, "AoAc");
    DWORD wake = PowerSystemUnspecified;
    MachineNumber("RtcWake", &wake);
    capabilities->RtcWake = static_cast<SYSTEM_POWER_STATE>(wake);
    return TRUE;
}

BOOLEAN WINAPI IsPwrHibernateAllowed()
{
    DWORD allowed = 0;
    if (!MachineNumber("HibernateAllowed", &allowed)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return allowed != 0;
}

// The caller frees the GUID with LocalFree.
DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** scheme)
{
    if (!scheme)
        return ERROR_INVALID_PARAMETER;
    *scheme = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    if (!*scheme)
        return ERROR_NOT_ENOUGH_MEMORY;
    **scheme = kActiveScheme;
    return ERROR_SUCCESS;
}

DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                   const GUID* setting, LPDWORD value)
{
    return ReadValueIndex("AC", scheme, subgroup, setting, value);
}

DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID* scheme, const GUID* subgroup,
                                   const GUID* setting, LPDWORD value)
{
    return ReadValueIndex("DC", scheme, subgroup, setting, value);
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
