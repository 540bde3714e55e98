// The instance hash alone, in a file of its own: Tarvik.com needs it to find
// the running copy, and none of the instance manager's process-wide objects.
#include "app/instance_manager.h"

#include <oleauto.h>

#include "common/handles.h"
#include "common/system_helpers.h"

DWORD CInstanceManager::HashFileName(const wchar_t* fileName)
{
    // Bound by name: oleaut32 brings the window and COM libraries along, which
    // Tarvik.com would otherwise load at every start, a refused command line
    // included. Tarvik.exe has it loaded already.
    using HashFunction = ULONG(WINAPI*)(SYSKIND, LCID, LPCOLESTR);
    const CLibraryHandle oleaut32(LoadSystemLibrary(L"oleaut32.dll", false));
    const auto hash = reinterpret_cast<HashFunction>(
        reinterpret_cast<void*>(GetProcAddress(oleaut32.Get(), "LHashValOfNameSys")));
    return hash ? hash(SYS_WIN32, LOCALE_SYSTEM_DEFAULT, fileName) : 0;
}
