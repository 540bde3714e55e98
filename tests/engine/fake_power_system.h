#pragma once
// The engine's system and tray icon answered by a test. The fake only records
// what it is given: no suspend, no shell, no screen-saver change, and every
// system call is answered here, so one added later cannot fall through to
// Windows. Each call that changes something is logged as "<...>", so the log
// and the system calls read as one journal. Arguments the engine has no
// reason to pass are refused with ERROR_INVALID_PARAMETER, so a wrong call
// shows in the log as a failure.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"
#include "tests/support/power_capabilities.h"
#include "tests/support/privilege_fake.h"
#include "tests/support/tcp_table.h"

inline bool Note(const std::wstring& call)
{
    Logger().LogText(L"<%s>", call.c_str());
    return true;
}

inline constexpr LONGLONG kSecond = static_cast<LONGLONG>(kTicksPerSecond);
inline constexpr LONGLONG kMinute = 60 * kSecond, kHour = 60 * kMinute;

inline ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file{};
    return SystemTimeToFileTime(&time, &file) ? ToTicks(file) : 0;
}

// An IPv4 address as the table holds it: network byte order.
inline DWORD Address4(BYTE a, BYTE b, BYTE c, BYTE d)
{
    return static_cast<DWORD>(a | b << 8 | c << 16 | d << 24);
}

// An established row as GetTcpTable gives it: ports in network byte order in
// the low 16 bits, with high bits that are not part of the port.
inline MIB_TCPROW Row4(unsigned local, unsigned remote, DWORD to = Address4(127, 0, 0, 1))
{
    auto field = [](unsigned port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); };
    return {
        {5}, Address4(127, 0, 0, 1), field(local) | 0xABCD0000u, to, field(remote) | 0x12340000u};
}

class CFakePowerSystem : public CFakePrivileges<IPowerSystem>, public ITrayIcon
{
public:
    bool iconLoads = true;
    ULONGLONG now = 0;     // UTC
    DWORD createError = 0; // non-zero: creation fails with it
    BOOL setResult = TRUE;
    DWORD setError = 0; // the last error SetWakeTimer leaves
    LONGLONG due = 0;   // the last one set
    bool timerSet = false;
    // Each of the next `growths` fetches of the IPv4 table first gains
    // `grownRow`, as when connections open between the size query and the
    // fetch. The IPv6 table cannot be read.
    std::vector<MIB_TCPROW> tcp4;
    int growths = 0;
    MIB_TCPROW grownRow{};
    std::vector<EXECUTION_STATE> executionCalls;
    EXECUTION_STATE executionState = ES_CONTINUOUS; // of the engine's thread
    BOOL screenSaverActive = TRUE;
    std::vector<BOOL> screenSaverWrites;
    BOOL resumeAutomatic = TRUE;
    HWND activeWindow = nullptr;
    SHELLEXECUTEINFOW shell{};  // the last one; its texts are only valid during the call
    DWORD shellError = 0;       // non-zero: the shell fails with it
    bool commandRunning = true; // whether a started program still runs
    // The machine: capabilities (unknown: they cannot be read), hibernation,
    // and the plan's values by (setting's Data1, battery) (missing: unknown).
    bool capabilitiesKnown = true;
    SYSTEM_POWER_CAPABILITIES capabilities = DesktopCapabilities();
    bool hibernateAllowed = true;
    std::map<std::pair<DWORD, bool>, DWORD> planValues;
    // The page window; any value will do, as it is never handed to Windows.
    const HWND page = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
    std::map<UINT_PTR, UINT> runningTimers;       // id → period, on `page`
    std::map<UINT_PTR, ULONGLONG> timerDue;       // id → when it fires next
    std::deque<std::pair<WPARAM, LPARAM>> posted; // WM_APP_ENGINE to `page`
    // A suspend request made and not yet answered, and whether it hibernates.
    bool suspendRequested = false;
    BOOLEAN suspendHibernates = FALSE;

    bool TimerRunning(UINT_PTR id) const { return runningTimers.count(id) > 0; }
    bool ProcessesClosed() const
    {
        DWORD flags = 0;
        auto open = [&flags](HANDLE process) { return GetHandleInformation(process, &flags); };
        return std::none_of(m_processes.begin(), m_processes.end(), open);
    }

    void SetTooltip(const wchar_t* text) override { Note(L"SetTooltip " + std::wstring(text)); }
    bool SetIcon(UINT id) override { return Note(L"SetIcon " + std::to_wstring(id)) && iconLoads; }
    bool Update() override { return Note(L"Update"); }
    FILETIME UtcNow() override { return ToFileTime(now); }
    bool LocalToUtc(const SYSTEMTIME& l, FILETIME* u) override { return m_real.LocalToUtc(l, u); }
    bool UtcToLocal(const FILETIME& u, SYSTEMTIME* l) override { return m_real.UtcToLocal(u, l); }

    // A real handle, so that the engine really closes something.
    HANDLE CreateWakeTimer() override
    {
        SetLastError(createError);
        return m_created = createError ? nullptr : CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    // An absolute due time, the period of two seconds, resuming the computer.
    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& at, LONG period, BOOL resume) override
    {
        Note(L"SetWakeTimer");
        due = at.QuadPart;
        const bool right = timer == m_created && period == 2000 && resume;
        timerSet = right && setResult;
        SetLastError(right ? setError : ERROR_INVALID_PARAMETER);
        return timerSet;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        timerSet = false;
        return Note(timer == m_created ? L"CancelWakeTimer" : L"CancelWakeTimer of another handle");
    }

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        if (table && growths > 0)
            --growths, tcp4.push_back(grownRow);
        return CopyTcpRows(table, size, tcp4);
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE*, DWORD*, BOOL) override { return ERROR_NOT_SUPPORTED; }

    // ES_CONTINUOUS keeps the flags until the next call; without it they only
    // reset the idle timers once. The engine has no use for the previous ones.
    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override
    {
        executionCalls.push_back(flags);
        if (flags & ES_CONTINUOUS)
            executionState = flags;
        return 0;
    }

    BOOL GetScreenSaverActive(BOOL* active) override { return *active = screenSaverActive, TRUE; }
    BOOL SetScreenSaverActive(BOOL active) override
    {
        return screenSaverWrites.push_back(screenSaverActive = active), TRUE;
    }
    BOOL IsResumeAutomatic() override { return resumeAutomatic; }

    // The journal shows when the privilege is asked for.
    bool OpenProcessToken(DWORD access, HANDLE* token) override
    {
        return Note(L"OpenProcessToken") && CFakePrivileges::OpenProcessToken(access, token);
    }

    // Answered later, as the worker thread would: see `suspendRequested`.
    bool RequestSuspend(HWND window, BOOLEAN hibernate) override
    {
        Note(L"RequestSuspend " + std::to_wstring(hibernate));
        suspendRequested = window == page;
        suspendHibernates = hibernate;
        return Step("suspend ", window == page, 0);
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        auto text = [](const wchar_t* p) { return std::wstring(p ? p : L"(null)"); };
        Note(L"ShellExecuteEx " + text(info->lpVerb) + L"|" + text(info->lpFile) + L"|" +
             text(info->lpParameters) + L"|" + text(info->lpDirectory));
        shell = *info;
        if (shellError)
            return SetLastError(shellError), FALSE;
        if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
            info->hProcess = m_processes.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        return TRUE;
    }

    HWND GetActiveWindow() override { return activeWindow; }
    std::wstring NativeFilePath(const std::wstring& file) override { return file; }
    bool IsProcessRunning(HANDLE) override { return commandRunning; }

    BOOL PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Note(L"PostMessage " + std::to_wstring(wParam));
        if (window != page || message != WM_APP_ENGINE)
            return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
        return posted.emplace_back(wParam, lParam), TRUE;
    }

    // Timers of another window than the page's show in the journal.
    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override
    {
        Note(L"SetTimer " + std::to_wstring(id) + L" " + std::to_wstring(elapse));
        timerDue[id] = now + elapse * 10000ULL;
        return window == page ? (runningTimers[id] = elapse, id) : 0;
    }

    BOOL KillWindowTimer(HWND window, UINT_PTR id) override
    {
        Note(L"KillTimer " + std::to_wstring(id));
        timerDue.erase(id);
        return window == page && runningTimers.erase(id) > 0;
    }

    bool GetPowerCapabilities(SYSTEM_POWER_CAPABILITIES* caps) override
    {
        return *caps = capabilities, capabilitiesKnown;
    }
    bool IsHibernateAllowed() override { return hibernateAllowed; }
    bool ReadPlanValue(const GUID& subgroup, const GUID& setting, bool battery,
                       DWORD* value) override
    {
        auto found = planValues.find({setting.Data1, battery});
        const bool known = IsEqualGUID(subgroup, kSleepSubgroup) && found != planValues.end();
        return known && (*value = found->second, true);
    }
    void TurnDisplayOff() override { Note(L"TurnDisplayOff"); }

    // Hands the posted messages to the engine, as the message loop would.
    void DeliverPosted(CPowerEngine& engine)
    {
        while (!posted.empty()) {
            const auto [code, value] = posted.front();
            posted.pop_front();
            engine.OnEngineMessage(code, value);
        }
    }

private:
    CWindowsPowerSystem m_real; // for its time-zone conversions only
    HANDLE m_created = nullptr;
    std::vector<HANDLE> m_processes; // real handles the shell gave, each closed by the engine
};
