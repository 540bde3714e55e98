// Winsock's headers must come before <windows.h>; they declare GetTcp6Table.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "engine/windows_power_system.h"

#include <powrprof.h>

#include <memory>
#include <new>

#include "engine/power_engine.h"
#include "engine/resume_command.h"

namespace {

using TzConversion = BOOL(WINAPI*)(const DYNAMIC_TIME_ZONE_INFORMATION*, const SYSTEMTIME*,
                                   SYSTEMTIME*);

// The conversions that apply the rules of the year converted (Windows 7 and
// later keep a zone's rules per year), bound by name from kernel32, where
// Windows documents them. Wine 8's kernel32 lacks them, and its kernelbase
// has only stubs that end the process when called: there the rules in force
// are applied, as before.
TzConversion FindTzConversion(const char* name)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    FARPROC function = kernel32 ? GetProcAddress(kernel32, name) : nullptr;
    return reinterpret_cast<TzConversion>(reinterpret_cast<void*>(function));
}

bool ConvertWithYearRules(TzConversion convert, const SYSTEMTIME& from, SYSTEMTIME* to)
{
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    if (!convert || GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return false;
    return convert(&zone, &from, to) != FALSE;
}

struct CSuspendRequest
{
    HWND window;
    BOOLEAN hibernate;
};

DWORD WINAPI SuspendRequestThread(void* parameter)
{
    std::unique_ptr<CSuspendRequest> request(static_cast<CSuspendRequest*>(parameter));
    SetLastError(ERROR_SUCCESS);
    if (::SetSuspendState(request->hibernate, FALSE, FALSE))
        PostMessageW(request->window, WM_APP_ENGINE, ENGINE_SUSPEND_DONE, 0);
    else
        PostMessageW(request->window, WM_APP_ENGINE, ENGINE_SUSPEND_FAILED,
                     static_cast<LPARAM>(GetLastError()));
    return 0;
}

} // namespace

FILETIME CWindowsPowerSystem::UtcNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

bool CWindowsPowerSystem::LocalToUtc(const SYSTEMTIME& local, FILETIME* utc)
{
    SYSTEMTIME universal;
    static const TzConversion convert = FindTzConversion("TzSpecificLocalTimeToSystemTimeEx");
    return (ConvertWithYearRules(convert, local, &universal) ||
            TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal)) &&
           SystemTimeToFileTime(&universal, utc);
}

bool CWindowsPowerSystem::UtcToLocal(const FILETIME& utc, SYSTEMTIME* local)
{
    static const TzConversion convert = FindTzConversion("SystemTimeToTzSpecificLocalTimeEx");
    SYSTEMTIME universal;
    return FileTimeToSystemTime(&utc, &universal) &&
           (ConvertWithYearRules(convert, universal, local) ||
            SystemTimeToTzSpecificLocalTime(nullptr, &universal, local));
}

HANDLE CWindowsPowerSystem::CreateWakeTimer()
{
    return CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

BOOL CWindowsPowerSystem::SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period,
                                       BOOL resume)
{
    return SetWaitableTimer(timer, &due, period, nullptr, nullptr, resume);
}

BOOL CWindowsPowerSystem::CancelWakeTimer(HANDLE timer)
{
    return CancelWaitableTimer(timer);
}

DWORD CWindowsPowerSystem::GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order)
{
    return ::GetTcpTable(table, size, order);
}

DWORD CWindowsPowerSystem::GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order)
{
    return ::GetTcp6Table(table, size, order);
}

EXECUTION_STATE CWindowsPowerSystem::SetExecutionState(EXECUTION_STATE flags)
{
    return ::SetThreadExecutionState(flags);
}

BOOL CWindowsPowerSystem::GetScreenSaverActive(BOOL* active)
{
    return SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, active, 0);
}

BOOL CWindowsPowerSystem::SetScreenSaverActive(BOOL active)
{
    return SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(active), nullptr, 0);
}

BOOL CWindowsPowerSystem::IsResumeAutomatic()
{
    return ::IsSystemResumeAutomatic();
}

bool CWindowsPowerSystem::RequestSuspend(HWND window, BOOLEAN hibernate)
{
    auto* request = new (std::nothrow) CSuspendRequest{window, hibernate};
    if (!request) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    CHandle thread(CreateThread(nullptr, 0, SuspendRequestThread, request, 0, nullptr));
    if (!thread) {
        CKeepLastError keep;
        delete request;
        return false;
    }
    return true; // the thread owns the request; nothing waits for it
}

BOOL CWindowsPowerSystem::ExecuteShell(SHELLEXECUTEINFOW* info)
{
    return ::ShellExecuteExW(info);
}

HWND CWindowsPowerSystem::GetActiveWindow()
{
    return ::GetActiveWindow();
}

std::wstring CWindowsPowerSystem::NativeFilePath(const std::wstring& file)
{
    CSystemFolders folders;
    BOOL wow64 = FALSE;
    folders.wow64 = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    if (!folders.wow64)
        return file;
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        folders.system.assign(path, length);
    length = GetSystemWindowsDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        folders.windows.assign(path, length);
    // "%SystemRoot%\System32\..." names the folder too.
    std::wstring expanded = file;
    const DWORD size = ExpandEnvironmentStringsW(file.c_str(), nullptr, 0);
    if (size > 0) {
        expanded.assign(size, L'\0');
        if (ExpandEnvironmentStringsW(file.c_str(), &expanded[0], size) == size)
            expanded.resize(size - 1);
        else
            expanded = file;
    }
    const std::wstring mapped =
        MapToNativeSystemFolder(expanded, folders, [](const std::wstring& candidate) {
            return GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES;
        });
    return mapped == expanded ? file : mapped;
}

bool CWindowsPowerSystem::IsProcessRunning(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

BOOL CWindowsPowerSystem::PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(window, message, wParam, lParam);
}

UINT_PTR CWindowsPowerSystem::SetWindowTimer(HWND window, UINT_PTR id, UINT elapse)
{
    return ::SetTimer(window, id, elapse, nullptr);
}

BOOL CWindowsPowerSystem::KillWindowTimer(HWND window, UINT_PTR id)
{
    return ::KillTimer(window, id);
}
