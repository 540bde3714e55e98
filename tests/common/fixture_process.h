#pragma once
// Starting the fixture programs and reading what they leave behind.
#include <windows.h>

#include <string>
#include <vector>

// The folder of the running test program (the fixtures are built beside it).
std::wstring ProgramFolder();

// The per-user local application data folder.
std::wstring LocalAppDataFolder();

struct CFixtureResult
{
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
    std::vector<std::wstring> lines; // the output file, one entry per line
};

// Runs "<fixture>.exe <command> <output file>" from the program folder, waits
// for the process (not for any pipe), reads and deletes the output file.
CFixtureResult RunFixture(const wchar_t* fixture, const wchar_t* command);

// Reads a UTF-16LE file written without a byte-order mark; empty when missing.
std::wstring ReadUtf16File(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);

// Deletes the files directly inside `folder`, then the folder itself.
void RemoveFolderWithFiles(const std::wstring& folder);

// The names of the files in `folder` matching `pattern`.
std::vector<std::wstring> ListFiles(const std::wstring& folder, const wchar_t* pattern);
