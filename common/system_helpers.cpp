#include "common/system_helpers.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

// A name without a drive, a colon or any separator. LoadLibrary treats '/' as
// a separator too, so a name holding one is not bare either.
bool IsBareFileName(const wchar_t* name)
{
    return std::wcspbrk(name, L":\\/") == nullptr;
}

HMODULE LoadFullPath(const wchar_t* path, bool asDataFile)
{
    if (!asDataFile)
        return LoadLibraryW(path);
    HMODULE module = LoadLibraryExW(
        path, nullptr, LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// Appends `more` as one more level of `path`; fails rather than cut the result.
bool AppendPath(wchar_t* path, const wchar_t* more)
{
    if (std::wcslen(path) + 1 + std::wcslen(more) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!PathAppendW(path, more)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

} // namespace

bool ExpandFullPath(const wchar_t* name, wchar_t* path)
{
    if (!name || !path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t expanded[MAX_PATH];
    DWORD size = ExpandEnvironmentStringsW(name, expanded, MAX_PATH);
    if (size == 0)
        return false;
    if (size > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (PathIsUNCW(expanded) || PathGetDriveNumberW(expanded) != -1) {
        // PathCanonicalizeW can write up to MAX_PATH units; the input already fits.
        if (!PathCanonicalizeW(path, expanded)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        return true;
    }
    DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    if (length == 0)
        return false;
    if (length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return AppendPath(path, expanded);
}

HMODULE LoadSystemLibrary(const wchar_t* name, bool asDataFile)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    wchar_t path[MAX_PATH];
    if (IsBareFileName(name)) {
        // Never the current or the program's directory: a file planted there
        // under a system library's name must not run inside the program. For
        // code, the loader's own search limited to the system directory: it
        // still honours the program's manifest, which asks for version 6 of
        // the common controls, where a full path would bypass it. Resources
        // need no manifest, and some loaders search the current directory for
        // data files whatever the flags say: they take the full path.
        if (!asDataFile) {
            HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
            if (module || GetLastError() != ERROR_INVALID_PARAMETER)
                return module;
            // A system without the search flags: the full path below.
        }
        // Without a colon or a separator the name cannot be rooted.
        UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0)
            return nullptr;
        if (length >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return nullptr;
        }
        // Joined by hand: the console tool must not load the path library
        // (and with it the window manager's) just to start.
        if (length + 1 + std::wcslen(name) >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return nullptr;
        }
        if (path[length - 1] != L'\\')
            path[length++] = L'\\';
        wcscpy_s(path + length, MAX_PATH - length, name);
    } else if (!ExpandFullPath(name, path)) {
        return nullptr;
    }
    return LoadFullPath(path, asDataFile);
}

void ApplyHeapOptions()
{
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    ULONG lowFragmentation = 2;
    HeapSetInformation(GetProcessHeap(), HeapCompatibilityInformation, &lowFragmentation,
                       sizeof(lowFragmentation));
}

void RestrictLibrarySearch()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    // kernel32 is mapped into every process: looking it up loads nothing.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel)
        return;
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::wstring ModuleFileName(HMODULE module)
{
    // The call cuts the path to the buffer and says so only by filling it.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) { // the longest path Windows has
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return std::wstring();
        }
        path.resize(path.size() * 2);
    }
}

static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOW) == 60, "shell execute layout");

bool OpenWithShell(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                   HWND owner)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_UNICODE;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

HRESULT OpenFolderAndSelect(const wchar_t* path)
{
    if (!path)
        return E_INVALIDARG;
    PIDLIST_ABSOLUTE item = ILCreateFromPathW(path);
    if (!item)
        return E_FAIL;
    HRESULT result = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ILFree(item);
    return result;
}
