#pragma once
// The engine's system and tray icon with a clock the test sets and calls that
// only record what they are given: no suspend, no shell, no screen-saver
// change. Every call is answered here, so one added later cannot fall through
// to Windows. With `journal` set, each call that changes something is also
// logged as "<...>", in order with the engine's own entries.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/file_time.h"
#include "engine/tray_icon.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"

// An established loopback row as GetTcpTable gives it: ports in network byte
// order in the low 16 bits, with high bits that are not part of the port.
inline MIB_TCPROW Row4(unsigned localPort, unsigned remotePort)
{
    auto field = [](unsigned port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); };
    return {{5}, 0x0100007F, field(localPort) | 0xABCD0000u, 0x0100007F, field(remotePort) | 0x12340000u};
}

struct CShellCall
{
    SHELLEXECUTEINFOW info; // its text pointers are only valid during the call
    std::wstring verb, file, parameters, directory; // "(null)" for a null pointer
};

// The steps of a suspend request, for making one of them fail.
enum SuspendStep { NoStep, OpenStep, LookupStep, AdjustStep, NotAssignedStep, SuspendCallStep };

inline void Note(bool journal, const std::wstring& call)
{
    if (journal)
        Logger().LogText(L"<%s>", call.c_str());
}

class CFakeTrayIcon : public ITrayIcon
{
public:
    bool setIconResult = true;

    void SetTooltip(const wchar_t* text) override { Note(true, std::wstring(L"SetTooltip ") + text); }
    bool SetIcon(UINT id) override { Note(true, L"SetIcon " + std::to_wstring(id)); return setIconResult; }
    bool Update() override { Note(true, L"Update"); return true; }
};

class CFakePowerSystem : public IPowerSystem
{
public:
    bool journal = true;

    ULONGLONG now = 0;        // UTC
    LONGLONG localOffset = 0; // local = UTC + offset, unless realZone
    bool realZone = false;
    DWORD createError = 0; // non-zero: creation fails with it
    BOOL setResult = TRUE;
    DWORD setError = 0; // the last error SetWakeTimer leaves
    std::vector<LONGLONG> dueTimes;
    HANDLE setTimer = nullptr; // the arguments of the last SetWakeTimer
    LONG setPeriod = 0;
    BOOL setResume = FALSE;
    std::vector<HANDLE> cancelCalls;

    // The IPv4 table; each of the next `growths` fetches first gains `grownRow`,
    // as when connections open between the size query and the fetch.
    std::vector<MIB_TCPROW> tcp4;
    int growths = 0;
    MIB_TCPROW grownRow{};

    EXECUTION_STATE executionState = ES_CONTINUOUS;
    std::vector<EXECUTION_STATE> executionCalls;
    BOOL screenSaverActive = TRUE;
    int screenSaverReads = 0;
    std::vector<BOOL> screenSaverWrites;

    BOOL resumeAutomatic = TRUE;
    SuspendStep failStep = NoStep;
    DWORD failError = 0;
    DWORD openAccess = 0;
    HANDLE token = nullptr; // the last token handed out (a real handle)
    std::wstring privilegeName;
    HANDLE adjustedToken = nullptr;
    TOKEN_PRIVILEGES adjusted{};
    std::vector<BOOLEAN> hibernateCalls; // SetSuspendState's first argument
    bool forcedOrWakeDisabled = false;   // any call with either other argument set

    HWND activeWindow = nullptr;
    std::vector<CShellCall> shellCalls;
    HWND timerWindow = nullptr;
    std::map<UINT_PTR, UINT> runningTimers; // id → period, on `timerWindow`

    bool TimerRunning(UINT_PTR id) const { return runningTimers.count(id) > 0; }

    FILETIME UtcNow() override { return ToFileTime(now); }

    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override
    {
        FILETIME naive;
        if (realZone)
            return m_real.LocalToUtc(local, utc);
        if (!SystemTimeToFileTime(&local, &naive))
            return false;
        *utc = ToFileTime(ToTicks(naive) - localOffset);
        return true;
    }

    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override
    {
        FILETIME shifted = ToFileTime(ToTicks(utc) + localOffset);
        return realZone ? m_real.UtcToLocal(utc, local) : FileTimeToSystemTime(&shifted, local) != FALSE;
    }

    // Real handles, so that the engine really closes something.
    HANDLE CreateWakeTimer() override
    {
        SetLastError(createError);
        return createError ? nullptr : CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override
    {
        Note(journal, L"SetWakeTimer");
        dueTimes.push_back(due.QuadPart);
        setTimer = timer;
        setPeriod = period;
        setResume = resume;
        SetLastError(setError);
        return setResult;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        Note(journal, L"CancelWakeTimer");
        cancelCalls.push_back(timer);
        return TRUE;
    }

    // Answers as GetTcpTable does: a null table or a short buffer gets the size
    // it needs and ERROR_INSUFFICIENT_BUFFER.
    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        if (table && growths > 0)
            --growths, tcp4.push_back(grownRow);
        DWORD needed = static_cast<DWORD>(offsetof(MIB_TCPTABLE, table) + tcp4.size() * sizeof(MIB_TCPROW));
        if (!table || *size < needed)
        {
            *size = needed;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = static_cast<DWORD>(tcp4.size());
        std::memcpy(table->table, tcp4.data(), tcp4.size() * sizeof(MIB_TCPROW));
        return NO_ERROR;
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE*, DWORD*, BOOL) override { return ERROR_NOT_SUPPORTED; }

    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override
    {
        Note(journal, L"SetThreadExecutionState " + std::to_wstring(flags));
        executionCalls.push_back(flags);
        std::swap(flags, executionState);
        return flags;
    }

    BOOL GetScreenSaverActive(BOOL* active) override
    {
        ++screenSaverReads;
        *active = screenSaverActive;
        return TRUE;
    }

    BOOL SetScreenSaverActive(BOOL active) override
    {
        Note(journal, L"SetScreenSaverActive " + std::to_wstring(active));
        screenSaverWrites.push_back(screenSaverActive = active);
        return TRUE;
    }

    BOOL IsResumeAutomatic() override { return resumeAutomatic; }

    BOOL OpenProcessToken(DWORD access, HANDLE* opened) override
    {
        openAccess = access;
        if (Fails(OpenStep))
            return FALSE;
        *opened = token = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        return TRUE;
    }

    BOOL LookupPrivilege(const wchar_t* name, LUID* luid) override
    {
        privilegeName = name;
        *luid = {19, 0}; // the shutdown privilege's value on Windows
        return !Fails(LookupStep);
    }

    // ERROR_NOT_ALL_ASSIGNED "succeeds" without the privilege.
    BOOL AdjustTokenPrivileges(HANDLE handle, TOKEN_PRIVILEGES* privileges) override
    {
        adjustedToken = handle;
        adjusted = *privileges;
        SetLastError(failStep == NotAssignedStep ? failError : 0);
        return !Fails(AdjustStep);
    }

    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled) override
    {
        Note(journal, L"SetSuspendState");
        hibernateCalls.push_back(hibernate);
        forcedOrWakeDisabled = forcedOrWakeDisabled || force || wakeupEventsDisabled;
        return !Fails(SuspendCallStep);
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        Note(journal, L"ShellExecuteEx");
        auto text = [](const wchar_t* p) { return std::wstring(p ? p : L"(null)"); };
        shellCalls.push_back({*info, text(info->lpVerb), text(info->lpFile), text(info->lpParameters),
                              text(info->lpDirectory)});
        SetLastError(ERROR_FILE_NOT_FOUND); // as for a command that cannot start
        return FALSE;
    }

    HWND GetActiveWindow() override { return activeWindow; }

    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override
    {
        Note(journal, L"SetTimer " + std::to_wstring(id) + L" " + std::to_wstring(elapse));
        if (window == timerWindow)
            runningTimers[id] = elapse;
        return id;
    }

    BOOL KillWindowTimer(HWND window, UINT_PTR id) override
    {
        Note(journal, L"KillTimer " + std::to_wstring(id));
        return window == timerWindow && runningTimers.erase(id) > 0;
    }

private:
    bool Fails(SuspendStep step)
    {
        if (failStep == step)
            SetLastError(failError);
        return failStep == step;
    }

    CWindowsPowerSystem m_real; // for its time-zone conversions only
};
