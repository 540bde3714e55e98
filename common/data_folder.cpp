#include "common/data_folder.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "common/resource_string.h"
#include "common/system_helpers.h"
#include "common/version_info.h"

namespace {

bool CreateFolder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace

bool GetDataFolder(std::wstring& path)
{
    CVersionInfo version;
    const std::wstring module = ModuleFileName();
    if (module.empty() || !version.Load(module.c_str()))
        return false;
    const wchar_t* value = nullptr;
    UINT length = 0;
    if (!version.QueryString(L"CompanyName", &value, &length))
        return false;
    // Spaces only: anything else in a name is the name's own.
    const std::wstring company = Trim(value, L" ");
    if (!version.QueryString(L"ProductName", &value, &length))
        return false;
    const std::wstring product = Trim(value, L" ");

    // The shell's call takes a buffer of MAX_PATH units.
    wchar_t local[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                         SHGFP_TYPE_CURRENT, local) != S_OK) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::wstring folder = local;
    for (const std::wstring* part : {&company, &product}) {
        if (part->empty())
            continue; // a blank company name is left out
        if (folder.back() != L'\\')
            folder += L'\\';
        folder += *part;
        if (!CreateFolder(folder)) {
            path = folder; // the one that could not be made
            return false;
        }
    }
    path = folder;
    return true;
}

std::wstring DataFilePath(const wchar_t* extension)
{
    std::wstring folder;
    const std::wstring module = ModuleFileName();
    if (module.empty() || !GetDataFolder(folder))
        return std::wstring();
    std::wstring name = PathFindFileNameW(module.c_str());
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return folder + L"\\" + name + extension;
}
