#pragma once
// A console program run to its end with its standard output and standard
// error on pipes, and the bytes a text is expected as there: exact bytes and
// exit codes.
#include <windows.h>

#include <string>

#include "common/handles.h"
#include "common/version_info.h"
#include "tests/support/process.h"

struct CConsoleRun
{
    DWORD exitCode = kNoExitCode;
    std::string out;
    std::string err;
};

// A pipe whose writing end a child inherits.
struct CChildPipe
{
    CChildPipe()
    {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE ends[2] = {};
        CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16);
        read.Reset(ends[0]);
        write.Reset(ends[1]);
        SetHandleInformation(read.Get(), HANDLE_FLAG_INHERIT, 0);
    }
    // What was written, once the child has ended.
    std::string Take() const
    {
        std::string bytes;
        DWORD available = 0, done = 0;
        PeekNamedPipe(read.Get(), nullptr, 0, nullptr, &available, nullptr);
        bytes.resize(available);
        if (available > 0 && ReadFile(read.Get(), &bytes[0], available, &done, nullptr))
            bytes.resize(done);
        return bytes;
    }
    CHandle read, write;
};

// Runs `program` (in `folder`, or this process's) to its end with its output
// and errors on pipes big enough for all of them.
inline CConsoleRun RunConsole(const std::wstring& program, const std::wstring& arguments,
                              const std::wstring& folder = L"")
{
    CConsoleRun run;
    CChildPipe out, err;
    CChildProcess tool;
    tool.Start(CommandLine(program, arguments), folder, 0, out.write.Get(), err.write.Get());
    out.write.Reset();
    err.write.Reset();
    if (tool.Wait(30000))
        run.exitCode = tool.ExitCode();
    run.out = out.Take();
    run.err = err.Take();
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
