#pragma once
// Path, library and shell helpers shared by both programs. Every operation
// reports failure by its result and leaves the thread's last error as the
// failing call set it. Paths of our own are strings that grow as needed;
// buffers of MAX_PATH (260) units remain where a system call demands them.
#include <windows.h>

#include <string>

// The full path of `module`'s file (the program's with null), however long;
// empty (last error set) on failure.
std::wstring ModuleFileName(HMODULE module = nullptr);

// Makes `name` absolute: environment references expanded, an absolute result
// canonicalised, a relative one taken from the current directory.
bool ExpandFullPath(const wchar_t* name, wchar_t* path);

// Loads a library. A bare file name ("user32.dll") is loaded from the system
// directory only (through the program's manifest first, as the loader does),
// never from the current or the program's directory; names with path parts
// follow ExpandFullPath. With `asDataFile` the library is mapped for its
// resources only. The bare-name path calls nothing but kernel32, so the lazy
// binding of the other system libraries can use it.
HMODULE LoadSystemLibrary(const wchar_t* name, bool asDataFile);

// Restricts the process's library search to the system directory where the
// platform supports it (SetDefaultDllDirectories). Called first thing by both
// entry points.
void RestrictLibrarySearch();

// Heap options both programs set at start: end the process on heap
// corruption, and the low-fragmentation heap for the process heap.
void ApplyHeapOptions();

// ShellExecuteExW with the "open" verb.
bool OpenWithShell(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                   HWND owner);

// Opens the folder of `path` with the file selected.
HRESULT OpenFolderAndSelect(const wchar_t* path);
