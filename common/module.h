#pragma once
#include <windows.h>

#include "common/handles.h"

// An owned library handle. Freeing keeps the thread's last error unchanged.
class CModule
{
public:
    CModule() = default;
    virtual ~CModule() = default;
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    // Loads `name` by the path rules of ExpandFullPath, falling back to
    // LoadSystemLibrary. False for no name or when nothing could be loaded.
    virtual bool Load(const wchar_t* name, bool asDataFile);
    virtual void Free() { m_module.Reset(); }

    HMODULE Handle() const { return m_module.Get(); }
    bool Owned() const { return m_module.IsValid(); }

private:
    CLibraryHandle m_module;
};
