#include "tests/common/fixture_process.h"

#include "common/handles.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

class CFindHandle
{
public:
    explicit CFindHandle(HANDLE handle) : m_handle(handle) {}
    ~CFindHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindClose(m_handle);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

} // namespace

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    PathRemoveFileSpecW(path);
    return path;
}

std::wstring LocalAppDataFolder()
{
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::wstring();
    return path;
}

std::wstring ReadUtf16File(const std::wstring& path)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::wstring();
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE)
        return std::wstring();
    std::wstring text(size / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    if (size && !ReadFile(file.Get(), &text[0], size, &read, nullptr))
        return std::wstring();
    text.resize(read / sizeof(wchar_t));
    return text;
}

CFixtureResult RunFixture(const wchar_t* fixture, const wchar_t* command)
{
    CFixtureResult result;
    std::wstring folder = ProgramFolder();
    std::wstring program = folder + L"\\" + fixture + L".exe";
    wchar_t cwd[MAX_PATH];
    if (GetCurrentDirectoryW(MAX_PATH, cwd) == 0)
        return result;
    std::wstring output = folder + L"\\" + fixture + L"_" + command + L".out";
    DeleteFileW(output.c_str());
    std::wstring commandLine = L"\"" + program + L"\" " + command + L" \"" + output + L"\"";

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, cwd,
                        &startup, &process))
        return result;
    result.started = true;
    CHandle processHandle(process.hProcess);
    CHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.Get(), 1);
        return result;
    }
    result.ended = true;
    GetExitCodeProcess(processHandle.Get(), &result.exitCode);

    std::wstring text = ReadUtf16File(output);
    DeleteFileW(output.c_str());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        result.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> ListFiles(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    std::wstring query = folder + L"\\" + pattern;
    CFindHandle find(FindFirstFileW(query.c_str(), &data));
    if (!find)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileW(find.Get(), &data));
    return names;
}

void RemoveFolderWithFiles(const std::wstring& folder)
{
    for (const std::wstring& name : ListFiles(folder, L"*"))
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}
