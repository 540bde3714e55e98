#include "settings/run_at_startup.h"

#include <shlwapi.h>

#include <vector>

#include "common/handles.h"
#include "common/system_helpers.h"

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kStartupApprovedKeyPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t kRunValueName[] = L"Tarvik";
const wchar_t kSignInArgument[] = L"/signin";

// The StartupApproved record is not a documented interface. Its documented
// relative is the startup task of packaged apps, which the same Task Manager
// and Settings switch turns off: an app cannot override that choice, only the
// user turns it on again (StartupTaskState.DisabledByUser and
// StartupTask.RequestEnableAsync on learn.microsoft.com). Hence a record is
// turned on only by the user's own tick here.
// Its form is known from public observation of Windows 8.1 to 11:
// - Task Manager keeps the Run value and writes a REG_BINARY of the same name,
//   12 bytes: 02 and eleven zeros when turned on, 03 followed by three bytes
//   and the FILETIME of the change when turned off (superuser.com questions
//   1766797 and 1098450);
// - other first bytes occur (06 on, 07 off): only the lowest bit says "off"
//   (superuser.com question 1098450);
// - a Run value without a record runs, and deleting the Run value leaves its
//   record behind (windowsir.blogspot.com, "StartupApproved\Run, pt II", 2022).
// So the lowest bit of the first byte decides, and anything we cannot read as
// such a byte leaves the value to run, as Windows does.

namespace {

const BYTE kRecordOff = 0x01;
// What Windows writes when the user turns an entry on again.
const BYTE kRecordOn[12] = {0x02};

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

bool RunValueNamesAFile()
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

    // The program's own value carries an argument; older ones do not.
    PathRemoveArgsW(path);
    PathUnquoteSpacesW(path);
    return PathFileExistsW(path) != FALSE;
}

bool RecordSaysOff()
{
    CRegistryKey key;
    if (!OpenKey(key, HKEY_CURRENT_USER, kStartupApprovedKeyPath, KEY_QUERY_VALUE))
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), kRunValueName, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size == 0)
        return false;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.Get(), kRunValueName, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size == 0)
        return false;
    return (data[0] & kRecordOff) != 0;
}

} // namespace

bool CRunAtStartup::Detect()
{
    m_shownOn = RunValueNamesAFile() && !RecordSaysOff();
    return m_shownOn;
}

void CRunAtStartup::Update(bool enable)
{
    const bool ticked = enable && !m_shownOn;
    m_shownOn = enable;

    CRegistryKey key;
    if (!OpenKey(key, HKEY_CURRENT_USER, kRunKeyPath, KEY_WRITE))
        return;

    CRegistryKey record;
    const bool hasRecordKey =
        OpenKey(record, HKEY_CURRENT_USER, kStartupApprovedKeyPath, KEY_SET_VALUE);
    if (!enable) {
        RegDeleteValueW(key.Get(), kRunValueName);
        if (hasRecordKey)
            RegDeleteValueW(record.Get(), kRunValueName);
        return;
    }
    std::wstring path = ModuleFileName();
    if (path.empty())
        return;
    // Quoted when it has a space, as the shell's own quoting does.
    if (path.find(L' ') != std::wstring::npos)
        path = L"\"" + path + L"\"";
    path = path + L" " + kSignInArgument;
    const DWORD size = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key.Get(), kRunValueName, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(path.c_str()), size) != ERROR_SUCCESS)
        return;
    // Only a record that says "off" is rewritten: a missing one already lets
    // Windows start the program, and an "on" one is Windows' own.
    if (ticked && hasRecordKey && RecordSaysOff())
        RegSetValueExW(record.Get(), kRunValueName, 0, REG_BINARY, kRecordOn, sizeof(kRecordOn));
}
