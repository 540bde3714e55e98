#pragma once
// The engine's system with a clock the test sets and calls that only record
// what they are given: no suspend, no shell, no screen-saver change. Every call
// is answered here, so one added later cannot fall through to Windows. With
// `journal` set, each call that changes something is also logged as "<...>".
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/file_time.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"

struct CTimerCall
{
    HANDLE timer;
    LONGLONG due;
    LONG period;
    BOOL resume;
};

// A port as a row carries it: network byte order in the low 16 bits.
inline DWORD PortField(unsigned port)
{
    return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu);
}

inline MIB_TCPROW Row4(DWORD state, unsigned localPort, unsigned remotePort)
{
    MIB_TCPROW row{};
    row.dwState = state;
    row.dwLocalAddr = 0x0100007F; // 127.0.0.1
    row.dwLocalPort = PortField(localPort) | 0xABCD0000u; // high bits are not the port
    row.dwRemoteAddr = 0x0100007F;
    row.dwRemotePort = PortField(remotePort) | 0x12340000u;
    return row;
}

// One connection table, answering as GetTcpTable does: a null table or a
// short buffer gets the size it needs and ERROR_INSUFFICIENT_BUFFER.
template <class Table, class Row>
class CFakeTcpTable
{
public:
    std::vector<Row> rows;
    // Connections opened between the size query and the fetch: each of the
    // next `growths` fetches first gains `grownRow`.
    int growths = 0;
    Row grownRow{};

    DWORD Get(Table* table, DWORD* size, BOOL)
    {
        if (table && growths > 0) {
            --growths;
            rows.push_back(grownRow);
        }
        DWORD needed = static_cast<DWORD>(offsetof(Table, table) + rows.size() * sizeof(Row));
        if (!table || *size < needed) {
            *size = needed;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = static_cast<DWORD>(rows.size());
        if (!rows.empty())
            std::memcpy(table->table, rows.data(), rows.size() * sizeof(Row));
        return NO_ERROR;
    }
};

struct CShellCall
{
    SHELLEXECUTEINFOW info; // its text pointers are only valid during the call
    std::wstring verb;
    std::wstring file;
    bool parametersNull;
    std::wstring parameters;
    bool directoryNull;
};

struct CSuspendCall
{
    BOOLEAN hibernate;
    BOOLEAN force;
    BOOLEAN wakeupEventsDisabled;
};

class CFakePowerSystem : public IPowerSystem
{
public:
    bool journal = false;

    // Clock and wake timer.
    ULONGLONG now = 0;             // UTC
    LONGLONG localOffset = 0;      // local = UTC + offset, unless realZone
    bool realZone = false;
    DWORD createError = 0;         // non-zero: creation fails with it
    BOOL setResult = TRUE;
    DWORD setError = 0;            // the last error SetWakeTimer leaves
    std::vector<CTimerCall> setCalls;
    std::vector<HANDLE> cancelCalls;

    // Connection tables.
    CFakeTcpTable<MIB_TCPTABLE, MIB_TCPROW> tcp4;
    CFakeTcpTable<MIB_TCP6TABLE, MIB_TCP6ROW> tcp6;

    // Execution state and screen saver.
    EXECUTION_STATE executionState = ES_CONTINUOUS;
    std::vector<EXECUTION_STATE> executionCalls;
    BOOL screenSaverActive = TRUE;
    int screenSaverReads = 0;
    std::vector<BOOL> screenSaverWrites;

    // Automatic suspend.
    BOOL resumeAutomatic = TRUE;
    BOOL openResult = TRUE;
    DWORD openError = 0;
    DWORD openAccess = 0;
    HANDLE token = nullptr; // the last token handed out (a real handle)
    BOOL lookupResult = TRUE;
    DWORD lookupError = 0;
    std::wstring privilegeName;
    BOOL adjustResult = TRUE;
    DWORD adjustError = 0; // ERROR_NOT_ALL_ASSIGNED: "succeeds" without the privilege
    HANDLE adjustedToken = nullptr;
    TOKEN_PRIVILEGES adjusted{};
    BOOLEAN suspendResult = TRUE;
    DWORD suspendError = 0;
    std::vector<CSuspendCall> suspendCalls;

    // Shell and windows.
    HWND activeWindow = nullptr;
    std::vector<CShellCall> shellCalls;
    std::map<UINT_PTR, UINT> runningTimers; // id → period, on `timerWindow`
    HWND timerWindow = nullptr;
    std::vector<HWND> timerCallWindows;

    FILETIME UtcNow() override { return ToFileTime(now); }

    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override
    {
        if (realZone)
            return m_real.LocalToUtc(local, utc);
        FILETIME naive;
        if (!SystemTimeToFileTime(&local, &naive))
            return false;
        *utc = ToFileTime(ToTicks(naive) - localOffset);
        return true;
    }

    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override
    {
        if (realZone)
            return m_real.UtcToLocal(utc, local);
        FILETIME shifted = ToFileTime(ToTicks(utc) + localOffset);
        return FileTimeToSystemTime(&shifted, local) != FALSE;
    }

    // A real handle, so that the engine's owner really closes something.
    HANDLE CreateWakeTimer() override
    {
        if (createError != 0) {
            SetLastError(createError);
            return nullptr;
        }
        return CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override
    {
        Note(L"SetWakeTimer");
        setCalls.push_back({timer, due.QuadPart, period, resume});
        SetLastError(setError);
        return setResult;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        Note(L"CancelWakeTimer");
        cancelCalls.push_back(timer);
        return TRUE;
    }

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) override
    {
        return tcp4.Get(table, size, order);
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) override
    {
        return tcp6.Get(table, size, order);
    }

    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override
    {
        Note(L"SetThreadExecutionState " + std::to_wstring(flags));
        executionCalls.push_back(flags);
        EXECUTION_STATE previous = executionState;
        executionState = flags;
        return previous;
    }

    BOOL GetScreenSaverActive(BOOL* active) override
    {
        ++screenSaverReads;
        *active = screenSaverActive;
        return TRUE;
    }

    BOOL SetScreenSaverActive(BOOL active) override
    {
        Note(L"SetScreenSaverActive " + std::to_wstring(active));
        screenSaverWrites.push_back(active);
        screenSaverActive = active;
        return TRUE;
    }

    BOOL IsResumeAutomatic() override { return resumeAutomatic; }

    BOOL OpenProcessToken(DWORD access, HANDLE* opened) override
    {
        openAccess = access;
        if (!openResult) {
            SetLastError(openError);
            return FALSE;
        }
        token = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        *opened = token;
        return TRUE;
    }

    BOOL LookupPrivilege(const wchar_t* name, LUID* luid) override
    {
        privilegeName = name;
        if (!lookupResult) {
            SetLastError(lookupError);
            return FALSE;
        }
        luid->LowPart = 19; // the shutdown privilege's value on Windows
        luid->HighPart = 0;
        return TRUE;
    }

    BOOL AdjustTokenPrivileges(HANDLE adjustedHandle, TOKEN_PRIVILEGES* privileges) override
    {
        adjustedToken = adjustedHandle;
        adjusted = *privileges;
        SetLastError(adjustError);
        return adjustResult;
    }

    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled) override
    {
        Note(L"SetSuspendState");
        suspendCalls.push_back({hibernate, force, wakeupEventsDisabled});
        if (!suspendResult)
            SetLastError(suspendError);
        return suspendResult;
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        Note(L"ShellExecuteEx");
        CShellCall call{};
        call.info = *info;
        call.verb = info->lpVerb ? info->lpVerb : L"(null)";
        call.file = info->lpFile ? info->lpFile : L"(null)";
        call.parametersNull = info->lpParameters == nullptr;
        call.parameters = info->lpParameters ? info->lpParameters : L"";
        call.directoryNull = info->lpDirectory == nullptr;
        shellCalls.push_back(call);
        SetLastError(ERROR_FILE_NOT_FOUND); // as for a command that cannot start
        return FALSE;
    }

    HWND GetActiveWindow() override { return activeWindow; }

    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override
    {
        Note(L"SetTimer " + std::to_wstring(id) + L" " + std::to_wstring(elapse));
        timerCallWindows.push_back(window);
        if (window == timerWindow)
            runningTimers[id] = elapse;
        return id;
    }

    BOOL KillWindowTimer(HWND window, UINT_PTR id) override
    {
        Note(L"KillTimer " + std::to_wstring(id));
        timerCallWindows.push_back(window);
        return window == timerWindow && runningTimers.erase(id) > 0;
    }

    bool TimerRunning(UINT_PTR id) const { return runningTimers.count(id) > 0; }

private:
    void Note(const std::wstring& call)
    {
        if (journal)
            Logger().LogText(L"<%s>", call.c_str());
    }

    // Only its time-zone conversions are used.
    CWindowsPowerSystem m_real;
};
