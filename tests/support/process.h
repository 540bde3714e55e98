#pragma once
// Programs a test starts: where they are built, starting one, and waiting
// for its end with a bound. A test waits on the process, never on the end of
// a pipe: Wine's own service processes may hold inherited ends for ever.
#include <windows.h>

#include <string>

#include "common/handles.h"

// The exit code of a run that did not start or did not end in time.
constexpr DWORD kNoExitCode = static_cast<DWORD>(-1);

// The folder of the running test program, with a trailing backslash: the
// programs under test are built beside it.
inline std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, wcsrchr(path, L'\\') + 1);
}

// `program` quoted, then `arguments` when there are any.
inline std::wstring CommandLine(const std::wstring& program, const std::wstring& arguments = L"")
{
    return L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
}

// One started program; it is ended if it still runs when its owner goes.
class CChildProcess
{
public:
    CChildProcess() = default;
    ~CChildProcess()
    {
        if (Running()) {
            TerminateProcess(m_process.Get(), 1);
            WaitForSingleObject(m_process.Get(), 5000);
        }
    }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts `commandLine` in `folder` (empty: this process's) with creation
    // `flags`; its standard output goes to `output` and its standard error
    // to `error` when given, which it then inherits.
    bool Start(std::wstring commandLine, const std::wstring& folder = L"", DWORD flags = 0,
               HANDLE output = nullptr, HANDLE error = nullptr)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (output || error) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
            startup.hStdError = error;
        }
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, output || error, flags,
                            nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process))
            return false;
        m_process.Reset(process.hProcess);
        CHandle thread(process.hThread);
        m_id = process.dwProcessId;
        return true;
    }

    bool Running() const
    {
        return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
    }
    // True when it ended within `timeout` ms.
    bool Wait(DWORD timeout) const
    {
        return m_process && WaitForSingleObject(m_process.Get(), timeout) == WAIT_OBJECT_0;
    }
    // Its exit code: STILL_ACTIVE while it runs, kNoExitCode when it never started.
    DWORD ExitCode() const
    {
        DWORD code = kNoExitCode;
        if (m_process)
            GetExitCodeProcess(m_process.Get(), &code);
        return code;
    }
    HANDLE Handle() const { return m_process.Get(); }
    DWORD Id() const { return m_id; }

private:
    CHandle m_process;
    DWORD m_id = 0;
};

// Runs `commandLine` to its end: its exit code, or kNoExitCode when it did
// not start or did not end within `timeout` ms (it is ended then).
inline DWORD Run(const std::wstring& commandLine, DWORD timeout, const std::wstring& folder = L"",
                 DWORD flags = 0)
{
    CChildProcess process;
    return process.Start(commandLine, folder, flags) && process.Wait(timeout) ? process.ExitCode()
                                                                              : kNoExitCode;
}
