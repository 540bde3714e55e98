#include "common/module.h"

#include "common/system_helpers.h"

bool CModule::Load(const wchar_t* name, bool asDataFile)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    Free();
    // The loader keeps bare names to the system directory and takes names with
    // path parts as ExpandFullPath makes them.
    HMODULE module = LoadSystemLibrary(name, asDataFile);
    if (!module)
        return false;
    m_module.Reset(module);
    return true;
}
