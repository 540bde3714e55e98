#pragma once
// A console program run to its end with its standard output on a pipe, and the
// bytes a text is expected as there: exact bytes and exit codes.
#include <windows.h>

#include <string>

#include "common/handles.h"
#include "common/version_info.h"
#include "tests/support/process.h"

struct CConsoleRun
{
    DWORD exitCode = kNoExitCode;
    std::string out;
};

// Runs `program` to its end with its output on a pipe big enough for all of it.
inline CConsoleRun RunConsole(const std::wstring& program, const std::wstring& arguments)
{
    CConsoleRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE ends[2] = {};
    CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16);
    CHandle outRead(ends[0]), outWrite(ends[1]);
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    CChildProcess tool;
    tool.Start(CommandLine(program, arguments), L"", 0, outWrite.Get());
    outWrite.Reset();
    if (tool.Wait(30000))
        run.exitCode = tool.ExitCode();
    DWORD available = 0, read = 0;
    PeekNamedPipe(outRead.Get(), nullptr, 0, nullptr, &available, nullptr);
    run.out.resize(available);
    if (available > 0 && ReadFile(outRead.Get(), &run.out[0], available, &read, nullptr))
        run.out.resize(read);
    return run;
}

// The text with CR LF line ends in `codePage`, or as UTF-16 when it is 0.
inline std::string Encode(const std::wstring& text, UINT codePage = 1252)
{
    std::wstring lines;
    for (wchar_t c : text)
        lines += c == L'\n' ? L"\r\n" : std::wstring(1, c);
    if (codePage == 0)
        return std::string(reinterpret_cast<const char*>(lines.data()),
                           lines.size() * sizeof(wchar_t));
    std::string bytes(lines.size() * 4, '\0');
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), &bytes[0],
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// The suspend tool's banner as the version resource of the tool at `tool` makes it.
inline std::wstring SuspendBanner(const std::wstring& tool)
{
    CConsoleVersionInfo version;
    std::wstring banner, line;
    if (version.Load(tool.c_str()) && version.TitleLine(line))
        banner += line + L"\n";
    banner += L"Shuts power down and either enters a sleep state or hibernation.\n";
    if (version.GetString(L"LegalCopyright", line))
        banner += line + L"\n";
    return banner + L"\n";
}
