#include "common/system_helpers.h"

#include <shlwapi.h>

bool ExpandFullPath(const wchar_t* name, wchar_t* path)
{
    wchar_t expanded[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsW(name, expanded, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        return false;
    if (PathIsUNCW(expanded) || PathGetDriveNumberW(expanded) != -1)
        return PathCanonicalizeW(path, expanded) != FALSE;
    if (GetCurrentDirectoryW(MAX_PATH, path) == 0)
        return false;
    return PathAppendW(path, expanded) != FALSE;
}
