#pragma once
// The per-user data folder of the programs: local application data, then the
// version resource's CompanyName (left out when blank), then its ProductName,
// both trimmed of spaces. Both folders are created when missing.
#include <windows.h>

#include <string>

// False, with the last error, when the folder cannot be named (`path`
// unchanged) or made (`path` names the folder that could not be made).
bool GetDataFolder(std::wstring& path);

// The file named after the program's own file with `extension` (".xml") in
// the data folder; empty when there is no data folder.
std::wstring DataFilePath(const wchar_t* extension);
