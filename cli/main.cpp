// Tarvik.com, the tray program's console twin. A shell given "Tarvik" takes
// Tarvik.com before Tarvik.exe beside it (PATHEXT lists .COM first), and
// waits for it, as for every console program, so that its output and exit
// code reach the script; a window program would be left to run on its own.
// Windows runs it by its PE header whatever its extension.
//
// A start (no argument, or a start form) starts Tarvik.exe from this folder
// with the same argument and ends at once; a request goes to the running
// copy, and its reply is printed; anything else is refused with the usage
// line. Replies go to the standard output, the twin's own messages to the
// standard error: UTF-16 where that is a console, the ANSI code page where it
// is a file or a pipe, as the suspend tool writes.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "app/command_client.h"
#include "app/command_line.h"
#include "app/instance_manager.h"
#include "common/crash_report.h"
#include "common/handles.h"
#include "common/resource_string.h"
#include "common/system_helpers.h"
#include "engine/power_engine.h"
#include "resources/resource.h"

namespace {

void WriteLine(FILE* stream, const std::wstring& text)
{
    const int descriptor = _fileno(stream);
    if (_isatty(descriptor))
        _setmode(descriptor, _O_U16TEXT);
    fputws((text + L"\n").c_str(), stream);
    fflush(stream);
}

int Fail(UINT messageId)
{
    WriteLine(stderr, ResourceText(messageId));
    return static_cast<int>(CommandExit::Failed);
}

// Tarvik.exe of this folder, or the program of whatever name this twin was
// given with .exe: a renamed pair still belongs together.
std::wstring TrayProgramPath()
{
    std::wstring path = ModuleFileName();
    const size_t dot = path.find_last_of(L".\\");
    if (dot != std::wstring::npos && path[dot] == L'.')
        path.resize(dot);
    return path + L".exe";
}

int StartTrayProgram(const std::wstring& program, StartKind start)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (*StartArgument(start))
        commandLine += std::wstring(L" ") + StartArgument(start);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Held until it may bring a window to the front: a second start hands
    // that right on to the running copy, whose window then comes forward.
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        WriteLine(stderr, FormatResourceString(IDS_COMMAND_START_FAILED, program.c_str(),
                                               SystemErrorText(error).c_str()));
        return static_cast<int>(CommandExit::Failed);
    }
    CHandle processHandle(process.hProcess), thread(process.hThread);
    AllowSetForegroundWindow(process.dwProcessId);
    ResumeThread(thread.Get());
    return static_cast<int>(CommandExit::Done);
}

int Request(const CCommand& command, const std::wstring& program)
{
    const wchar_t* name = program.c_str() + program.find_last_of(L'\\') + 1;
    const CCommandAnswer answer = SendCommandRequest(command, CInstanceManager::HashFileName(name));
    switch (answer.outcome) {
    case CCommandAnswer::Outcome::Answered:
        WriteLine(stdout, answer.text);
        break;
    case CCommandAnswer::Outcome::NotRunning:
        WriteLine(stderr, ResourceText(IDS_COMMAND_NOT_RUNNING));
        break;
    case CCommandAnswer::Outcome::NoAnswer:
        return Fail(IDS_COMMAND_NO_ANSWER);
    case CCommandAnswer::Outcome::Refused:
        return Fail(IDS_COMMAND_REFUSED);
    }
    return static_cast<int>(AnswerExitCode(answer));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // The search restricted first: the crash filter loads dbghelp at once.
    RestrictLibrarySearch();
    InstallCrashFilter();
    ApplyHeapOptions();
    SetCrashReportHook(ReportCrash);

    const CCommand command = ParseCommand(argc - 1, argv + 1);
    if (command.kind == CCommand::Kind::Refused) {
        WriteLine(stderr, FormatResourceString(IDS_COMMAND_USAGE, kKeepAwakeMaxMinutes));
        return static_cast<int>(CommandExit::Usage);
    }
    const std::wstring program = TrayProgramPath();
    return command.kind == CCommand::Kind::Start ? StartTrayProgram(program, command.start)
                                                 : Request(command, program);
}
