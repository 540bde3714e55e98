#pragma once
// Files as the tests see them: whole files as bytes, UTF-16LE text as the
// programs write it, folders and the crash dumps in them.
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/handles.h"

// The file's bytes; empty when it cannot be read. Read with sharing, as
// another program would while the writer still holds the file open.
inline std::string ReadBytes(const std::wstring& path)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

// The file holds `bytes` and nothing else. Cut to length rather than
// truncated on opening: Wine takes four times as long for that.
inline bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && SetEndOfFile(file.Get());
}

// The UTF-16LE text of `bytes` from byte `from` on (a byte-order mark there
// is kept); an odd last byte is left out.
inline std::wstring Utf16Text(const std::string& bytes, size_t from = 0)
{
    std::wstring text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

inline bool FileExists(const std::wstring& path)
{
    return std::filesystem::is_regular_file(path);
}
inline bool FolderExists(const std::wstring& path)
{
    return std::filesystem::is_directory(path);
}
inline void RemoveTree(const std::wstring& folder)
{
    std::error_code ignored; // a file still held open shows in the test's own check
    std::filesystem::remove_all(folder, ignored);
}

// The names of the crash dumps (*.dmp) in `folder`.
inline std::vector<std::wstring> Dumps(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        if (entry.path().extension() == L".dmp")
            names.push_back(entry.path().filename().wstring());
    }
    return names;
}
