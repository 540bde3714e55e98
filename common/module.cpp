#include "common/module.h"

#include "common/system_helpers.h"

CModule::~CModule()
{
    // Not the virtual Free: a derived part is already gone here.
    if (m_owned && m_module) {
        DWORD error = GetLastError();
        FreeLibrary(m_module);
        SetLastError(error);
    }
}

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
    m_module = module;
    m_owned = true;
    return true;
}

void CModule::Free()
{
    if (m_owned && m_module) {
        DWORD error = GetLastError();
        FreeLibrary(m_module);
        SetLastError(error);
    }
    m_module = nullptr;
    m_owned = false;
}
