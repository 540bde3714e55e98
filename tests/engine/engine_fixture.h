#pragma once
// An engine over a fake system and tray icon, logging to a file of its own.
// The fakes only record what they are given: no suspend, no shell, no
// screen-saver change, and every system call is answered here, so one added
// later cannot fall through to Windows. Each call that changes something is
// logged as "<...>", so the log and the system calls read as one journal.
// The clock reads 08:00:00 UTC on 10 June 2026. The time zone is
// Europe/Berlin (ctest gives the test process TZ=Europe/Berlin), so local time
// is two hours ahead, and the real conversions apply the rules of the date
// converted, across changes of daylight-saving time too.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"
#include "tests/log/log_test_file.h"
#include "tests/support/calendar.h"

constexpr LONGLONG kHour = 3600LL * static_cast<LONGLONG>(kTicksPerSecond);

inline ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file{};
    return SystemTimeToFileTime(&time, &file) ? ToTicks(file) : 0;
}

// How the log shows a moment given in local ticks.
inline std::wstring DateTimeText(ULONGLONG local)
{
    wchar_t text[kDateTimeTextLength] = {};
    return FormatDateTimeText(ToFileTime(local), text) > 0 ? text : L"(no text)";
}

// An established loopback row as GetTcpTable gives it: ports in network byte
// order in the low 16 bits, with high bits that are not part of the port.
inline MIB_TCPROW Row4(unsigned localPort, unsigned remotePort)
{
    auto field = [](unsigned port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); };
    return {{5}, 0x0100007F, field(localPort) | 0xABCD0000u, 0x0100007F,
            field(remotePort) | 0x12340000u};
}

inline void Note(const std::wstring& call) { Logger().LogText(L"<%s>", call.c_str()); }

struct CFakeTrayIcon : ITrayIcon
{
    bool setIconResult = true;

    void SetTooltip(const wchar_t* text) override { Note(L"SetTooltip " + std::wstring(text)); }
    bool SetIcon(UINT id) override { Note(L"SetIcon " + std::to_wstring(id)); return setIconResult; }
    bool Update() override { Note(L"Update"); return true; }
};

// The steps of a suspend request, for making one of them fail.
enum SuspendStep { NoStep, OpenStep, LookupStep, AdjustStep, NotAssignedStep, SuspendCallStep };

// Arguments the engine has no reason to pass are refused with
// ERROR_INVALID_PARAMETER, so a wrong call shows in the log as a failure.
class CFakePowerSystem : public IPowerSystem
{
public:
    ULONGLONG now = 0; // UTC
    DWORD createError = 0; // non-zero: creation fails with it
    HANDLE created = nullptr;
    BOOL setResult = TRUE;
    DWORD setError = 0; // the last error SetWakeTimer leaves
    std::vector<LONGLONG> dueTimes;
    // The IPv4 table; each of the next `growths` fetches first gains `grownRow`,
    // as when connections open between the size query and the fetch.
    std::vector<MIB_TCPROW> tcp4;
    int growths = 0;
    MIB_TCPROW grownRow{};
    std::vector<EXECUTION_STATE> executionCalls;
    BOOL screenSaverActive = TRUE;
    std::vector<BOOL> screenSaverWrites;
    BOOL resumeAutomatic = TRUE;
    SuspendStep failStep = NoStep;
    DWORD failError = 0;
    std::vector<HANDLE> tokens; // real handles, each to be closed by the engine
    HWND activeWindow = nullptr;
    SHELLEXECUTEINFOW shell{}; // the last one; its text pointers are only valid during the call
    HWND timerWindow = nullptr;
    std::map<UINT_PTR, UINT> runningTimers; // id → period, on `timerWindow`

    bool TimerRunning(UINT_PTR id) const { return runningTimers.count(id) > 0; }

    FILETIME UtcNow() override { return ToFileTime(now); }
    bool LocalToUtc(const SYSTEMTIME& l, FILETIME* utc) override { return m_real.LocalToUtc(l, utc); }
    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* l) override { return m_real.UtcToLocal(utc, l); }

    // A real handle, so that the engine really closes something.
    HANDLE CreateWakeTimer() override
    {
        SetLastError(createError);
        return created = createError ? nullptr : CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    // An absolute due time, the period of two seconds, resuming the computer.
    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override
    {
        Note(L"SetWakeTimer");
        dueTimes.push_back(due.QuadPart);
        SetLastError(setError);
        return Refuses(timer != created || period != 2000 || !resume) ? FALSE : setResult;
    }

    BOOL CancelWakeTimer(HANDLE timer) override
    {
        Note(timer == created ? L"CancelWakeTimer" : L"CancelWakeTimer of another handle");
        return TRUE;
    }

    // As GetTcpTable: a null table or a short buffer gets the size it needs.
    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        if (table && growths > 0)
            --growths, tcp4.push_back(grownRow);
        DWORD needed = static_cast<DWORD>(sizeof(DWORD) + tcp4.size() * sizeof(MIB_TCPROW));
        if (!table || *size < needed) {
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
        EXECUTION_STATE previous = executionCalls.empty() ? ES_CONTINUOUS : executionCalls.back();
        executionCalls.push_back(flags);
        return previous;
    }

    BOOL GetScreenSaverActive(BOOL* active) override { *active = screenSaverActive; return TRUE; }

    BOOL SetScreenSaverActive(BOOL active) override
    {
        screenSaverWrites.push_back(screenSaverActive = active);
        return TRUE;
    }

    BOOL IsResumeAutomatic() override { return resumeAutomatic; }

    // The shutdown privilege enabled in the process's own token.
    BOOL OpenProcessToken(DWORD access, HANDLE* opened) override
    {
        Note(L"OpenProcessToken");
        if (Fails(OpenStep) || Refuses(access != (TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY)))
            return FALSE;
        *opened = tokens.emplace_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        return TRUE;
    }

    BOOL LookupPrivilege(const wchar_t* name, LUID* luid) override
    {
        *luid = {19, 0}; // the shutdown privilege's value on Windows
        return !Fails(LookupStep) && !Refuses(std::wstring(name) != L"SeShutdownPrivilege");
    }

    // ERROR_NOT_ALL_ASSIGNED "succeeds" without the privilege.
    BOOL AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* p) override
    {
        SetLastError(failStep == NotAssignedStep ? failError : 0);
        const LUID_AND_ATTRIBUTES& privilege = p->Privileges[0];
        return !Fails(AdjustStep)
            && !Refuses(token != tokens.back() || p->PrivilegeCount != 1
                        || privilege.Luid.LowPart != 19 || privilege.Attributes != SE_PRIVILEGE_ENABLED);
    }

    // Neither forced nor with wake events disabled.
    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWakeEvents) override
    {
        Note(L"SetSuspendState " + std::to_wstring(hibernate));
        return !Fails(SuspendCallStep) && !Refuses(force || noWakeEvents);
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        // The texts, "(null)" for a null pointer.
        auto text = [](const wchar_t* p) { return std::wstring(p ? p : L"(null)"); };
        Note(L"ShellExecuteEx " + text(info->lpVerb) + L"|" + text(info->lpFile) + L"|"
             + text(info->lpParameters) + L"|" + text(info->lpDirectory));
        shell = *info;
        SetLastError(ERROR_FILE_NOT_FOUND); // as for a command that cannot start
        return FALSE;
    }

    HWND GetActiveWindow() override { return activeWindow; }

    // Timers of another window than the page's show in the journal.
    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override
    {
        Note(L"SetTimer " + std::to_wstring(id) + L" " + std::to_wstring(elapse)
             + (window == timerWindow ? L"" : L" of another window"));
        if (window == timerWindow)
            runningTimers[id] = elapse;
        return id;
    }

    BOOL KillWindowTimer(HWND window, UINT_PTR id) override
    {
        Note(L"KillTimer " + std::to_wstring(id) + (window == timerWindow ? L"" : L" of another window"));
        return window == timerWindow && runningTimers.erase(id) > 0;
    }

private:
    bool Fails(SuspendStep step) { return Refuses(failStep == step, failError); }

    bool Refuses(bool wrong, DWORD error = ERROR_INVALID_PARAMETER)
    {
        if (wrong)
            SetLastError(error);
        return wrong;
    }

    CWindowsPowerSystem m_real; // for its time-zone conversions only
};

class EngineFixture : public ::testing::Test, public IPowerEngineListener
{
protected:
    // Any value will do: the fake never hands it to Windows.
    const HWND m_page = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));

    void SetUp() override
    {
        TIME_ZONE_INFORMATION zone;
        GetTimeZoneInformation(&zone);
        ASSERT_TRUE(zone.Bias == -60 && zone.DaylightDate.wMonth == 3 && zone.StandardDate.wMonth == 10)
            << "needs the time zone Europe/Berlin (TZ=Europe/Berlin)";
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        Forget();
        m_system.timerWindow = m_page;
        m_system.now = Ticks(At(2026, 6, 10, 8, 0, 0));
        m_engine.SetPageWindow(m_page);
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.delay = 600;
    }

    // Every token the engine opened is closed again.
    void TearDown() override
    {
        DWORD flags = 0;
        for (HANDLE token : m_system.tokens)
            EXPECT_FALSE(GetHandleInformation(token, &flags));
    }

    void OnAutoResumeDisabled() override { ++m_disabled; }

    // The lines written since the last Forget, stamps removed; continuation
    // lines of an error entry start with TABs and carry no stamp.
    std::wstring Logged() const
    {
        std::wstring result;
        for (const std::wstring& line : SplitLines(m_log.Text(m_logStart))) {
            if (!line.empty())
                result += (line[0] == L'\t' ? line : WithoutStamp(line)) + L"\r\n";
        }
        return result;
    }

    void Forget() { m_logStart = m_log.Size(); }

    // Established IPv4 connections whose remote side is each of `ports`.
    void Connect(std::initializer_list<unsigned> ports)
    {
        m_system.tcp4.clear();
        for (unsigned port : ports)
            m_system.tcp4.push_back(Row4(50000, port));
    }

    // Evaluates twice; only the first may report.
    std::wstring Evaluated(bool allowed)
    {
        Forget();
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        return Logged();
    }

    bool Arm(int mode)
    {
        Forget();
        m_system.dueTimes.clear();
        m_model.AutoResume.mode = mode;
        return m_engine.ArmWakeTimer();
    }

    CTestLogFile m_log{L"engine"};
    size_t m_logStart = 0;
    int m_disabled = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CFakeTrayIcon m_tray;
    CPowerEngine m_engine{m_model, m_system, &m_tray, this};
};
