#pragma once
// The command run when the computer wakes by itself: one line of text cut
// into the file the shell opens and its parameters.
#include <windows.h>

#include <functional>
#include <string>

struct CCommandParts
{
    std::wstring file;
    std::wstring parameters;
};

// A leading double quote encloses the file up to the next quote (or the end
// of the text), and everything after the closing quote is the parameters,
// unchanged. Otherwise the file ends at the first space after the first
// character, and the parameters are the rest after that space. No other
// quoting is interpreted.
CCommandParts SplitCommand(const std::wstring& text);

// Whether the shell would start a program for `file` (so that its process
// can be watched): a name with no extension or with one of .exe, .com, .bat,
// .cmd, and no URL.
bool IsProgramFile(const std::wstring& file);

// Where a 32-bit program on 64-bit Windows finds the system folder.
struct CSystemFolders
{
    bool wow64 = false;   // a 32-bit process on 64-bit Windows
    std::wstring system;  // GetSystemDirectoryW: "C:\Windows\system32"
    std::wstring windows; // GetSystemWindowsDirectoryW: "C:\Windows"
};

// The file as a 32-bit process must name it to start what a 64-bit one
// would: the system folder's files through its "Sysnative" alias (the file
// system redirects the real name to the 32-bit SysWOW64), and a bare name
// that only the 64-bit system folder holds (wsl, OpenSSH's ssh). `exists`
// answers for a path in the process's own view. Unchanged elsewhere.
std::wstring MapToNativeSystemFolder(const std::wstring& file, const CSystemFolders& folders,
                                     const std::function<bool(const std::wstring&)>& exists);
