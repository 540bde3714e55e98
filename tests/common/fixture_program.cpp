// A small program the tests start: it runs one support-library operation in a
// process of its own (the data folder and the crash filter read the RUNNING
// program's version resource) and writes what happened to a UTF-16 file.
//
//   <fixture> datafolder <out>   GetDataFolder: result, last error, path
//   <fixture> filter <out>       CrashFilter called on a captured context
//   <fixture> crash <out>        unhandled access violation; the hook writes the path
//   <fixture> restrict <out>     RestrictLibrarySearch, then a bare LoadLibraryW
//   <fixture> report <out>       ReportCrash before the common controls are loaded
//   <fixture> reportdialog <out> ReportCrash after they are: the task dialog
#include "common/crash_report.h"
#include "common/handles.h"
#include "common/module.h"
#include "common/resource_string.h"
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

int DataFolder()
{
    wchar_t path[MAX_PATH] = L"(unset)";
    bool result = GetDataFolder(path);
    DWORD error = GetLastError();
    WriteOutput(FormatText(L"%d\n%lu\n%s\n", result ? 1 : 0, error, path));
    return 0;
}

int FilterDirectly()
{
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(&FilterDirectly);
    EXCEPTION_POINTERS pointers = {&record, &context};
    SetLastError(0);
    LONG result = CrashFilter(&pointers);
    DWORD error = GetLastError();
    // The hook (set only by "crash") would have overwritten the file.
    WriteOutput(FormatText(L"%ld\n%lu\n", result, error));
    return 0;
}

int Crash()
{
    SetCrashReportHook(RecordDumpPath);
    InstallCrashFilter();
    volatile int* volatile target = nullptr;
    *target = 1;
    return 0;
}

int Restrict()
{
    RestrictLibrarySearch();
    HMODULE module = LoadLibraryW(L"tarvikplanted.dll");
    DWORD error = GetLastError();
    wchar_t marker[8] = L"";
    GetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", marker, 8);
    WriteOutput(FormatText(L"%d\n%lu\n%s\n", module ? 1 : 0, error, marker));
    if (module)
        FreeLibrary(module);
    return 0;
}

// The path the report shows; its '%' must come through as text.
constexpr wchar_t ReportedDumpPath[] = L"C:\\dumps\\fixture 100%s.dmp";

int Report(bool loadControls)
{
    CModule controls;
    if (loadControls && !controls.Load(L"comctl32.dll", false))
        return 3;
    ReportCrash(ReportedDumpPath);
    // The report ends the program's message loop with -1.
    MSG message;
    bool quit = PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    WriteOutput(FormatText(L"%d\n%d\n", quit ? 1 : 0, quit ? static_cast<int>(message.wParam) : 0));
    return 0;
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
    if (command == L"datafolder")
        return DataFolder();
    if (command == L"filter")
        return FilterDirectly();
    if (command == L"crash")
        return Crash();
    if (command == L"restrict")
        return Restrict();
    if (command == L"report" || command == L"reportdialog")
        return Report(command == L"reportdialog");
    return 2;
}
