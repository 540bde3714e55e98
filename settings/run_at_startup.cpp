#include "settings/run_at_startup.h"

#include <shlwapi.h>

#include "common/handles.h"

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Tarvik";

namespace {

// Opens `path` below `parent`; false with the status as the last error.
bool OpenKey(CRegistryKey& key, HKEY parent, const wchar_t* path, REGSAM access)
{
    const LSTATUS status = RegOpenKeyExW(parent, path, 0, access, key.Receive());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    return true;
}

} // namespace

bool DetectRunAtStartup()
{
    CRegistryKey key;
    if (!OpenKey(key, HKEY_CURRENT_USER, kRunKeyPath, KEY_READ))
        return false;

    wchar_t path[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = MAX_PATH * sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), kRunValueName, nullptr, &type, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    // Only a terminated string counts: the data must end with its NUL.
    const DWORD units = size / sizeof(wchar_t);
    if (units == 0 || path[units - 1] != L'\0')
        return false;

    PathUnquoteSpacesW(path);
    return PathFileExistsW(path) != FALSE;
}

void UpdateRunAtStartup(bool enable)
{
    CRegistryKey key;
    if (!OpenKey(key, HKEY_CURRENT_USER, kRunKeyPath, KEY_WRITE))
        return;

    if (!enable) {
        RegDeleteValueW(key.Get(), kRunValueName);
        return;
    }
    // Room for the two quotes PathQuoteSpacesW may add.
    wchar_t path[MAX_PATH + 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    PathQuoteSpacesW(path);
    const DWORD size = static_cast<DWORD>((lstrlenW(path) + 1) * sizeof(wchar_t));
    RegSetValueExW(key.Get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), size);
}
