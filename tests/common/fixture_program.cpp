// A small program the tests start: it runs one support-library operation in a
// process of its own (the data folder and the crash filter read the RUNNING
// program's version resource) and writes what happened to a UTF-16 file.
//
//   <fixture> datafolder <out>   GetDataFolder: result, last error, path
//   <fixture> filter <out>       CrashFilter installed, then called on a captured context
//   <fixture> crash <out>        unhandled access violation; the hook writes the path
//   <fixture> overflow <out>     unhandled stack overflow; the hook writes the path
//   <fixture> throw <out>        uncaught C++ exception; the hook writes the path
#include "common/crash_report.h"
#include "common/handles.h"
#include "common/resource_string.h"
#include "common/data_folder.h"
#include "common/system_helpers.h"

#include <shellapi.h>

#include <string>

namespace {

std::wstring g_outputPath;

void WriteOutput(const std::wstring& text)
{
    CFileHandle file(CreateFileW(g_outputPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
}

void RecordDumpPath(const wchar_t* dumpPath)
{
    WriteOutput(FormatText(L"hook\n%s\n", dumpPath ? dumpPath : L"(null)"));
}

// Calls itself, through a pointer the compiler cannot fold, until the stack
// runs out. The frames stay small: Wine can raise the overflow only when the
// guard page leaves room for the exception record below the faulting stack
// pointer, and a frame of kilobytes may reach deep into that page before
// touching it (the thread then ends with no exception at all).
int Recurse(int depth);
int (*volatile g_recurse)(int) = Recurse;
int Recurse(int depth)
{
    volatile char frame[128];
    frame[depth % sizeof(frame)] = static_cast<char>(depth);
    if (depth < 0)
        return 0;
    return g_recurse(depth + 1) + frame[0];
}

} // namespace

int main()
{
    int count = 0;
    CLocalBlock arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    auto* argv = static_cast<wchar_t**>(arguments.Get());
    if (!argv || count < 3)
        return 2;
    g_outputPath = argv[2];
    std::wstring command = argv[1];
    if (command == L"datafolder") {
        std::wstring path = L"(unset)";
        bool result = GetDataFolder(path);
        WriteOutput(FormatText(L"%d\n%lu\n%s\n", result ? 1 : 0, GetLastError(), path.c_str()));
    } else if (command == L"filter") {
        CONTEXT context = {};
        RtlCaptureContext(&context);
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        record.ExceptionAddress = reinterpret_cast<void*>(&WriteOutput);
        EXCEPTION_POINTERS pointers = {&record, &context};
        InstallCrashFilter();
        SetLastError(0);
        LONG result = CrashFilter(&pointers);
        // The hook (set only by "crash") would have overwritten the file.
        WriteOutput(FormatText(L"%ld\n%lu\n", result, GetLastError()));
    } else if (command == L"crash") {
        SetCrashReportHook(RecordDumpPath);
        InstallCrashFilter();
        volatile int* volatile target = nullptr;
        *target = 1;
    } else if (command == L"overflow") {
        SetCrashReportHook(RecordDumpPath);
        InstallCrashFilter();
        return Recurse(0);
    } else if (command == L"throw") {
        SetCrashReportHook(RecordDumpPath);
        InstallCrashFilter();
        throw CFailure{E_OUTOFMEMORY}; // as a failed allocation in a string would
    }
    return 0;
}
