#include "settings/run_at_startup.h"

#include <shlwapi.h>

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Tarvik";

namespace {

class CRegistryKey
{
public:
    CRegistryKey() = default;
    ~CRegistryKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool Open(HKEY parent, const wchar_t* path, REGSAM access)
    {
        const LSTATUS status = RegOpenKeyExW(parent, path, 0, access, &m_key);
        if (status != ERROR_SUCCESS) {
            m_key = nullptr;
            SetLastError(static_cast<DWORD>(status));
            return false;
        }
        return true;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool DetectRunAtStartup()
{
    CRegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_READ))
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
    if (!key.Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_WRITE))
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
