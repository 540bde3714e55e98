#pragma once
// The process-wide handler for exceptions nothing else catches: a minidump in
// the data folder, then a report to the user.
//
// The failing thread may hold the loader or the heap lock, or have run out of
// stack, so it does no work of its own: a thread made at start-up, with
// dbghelp already loaded, writes the dump and then runs the report hook,
// while the failing thread waits for it, each step within a time limit.
#include <windows.h>

using CrashReportHook = void (*)(const wchar_t* dumpPath);

// Loads dbghelp (from the system directory), starts the dump thread, and
// installs CrashFilter as the process's unhandled-exception filter. Called
// after RestrictLibrarySearch: by the tray program at start-up, by the
// console tool once its command line asks for more than the usage.
void InstallCrashFilter();
// The hook that reports a written dump, run on the dump thread while the
// failing thread waits for it: half a minute, or, once ReportCrash shows its
// dialog, until the user closes it (a quarter of an hour at most).
void SetCrashReportHook(CrashReportHook hook);
// Hands the exception to the dump thread and waits: EXCEPTION_EXECUTE_HANDLER
// (the process ends) once the dump is written and the report over;
// EXCEPTION_CONTINUE_SEARCH, with the failure as last error, when no dump
// was written (nothing installed, no data folder, or a dump that stalled).
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exceptionPointers);
// The dialog report: a task dialog with a link to the dump, or a message box.
void ReportCrash(const wchar_t* dumpPath);

// The exception that an uncaught C++ exception (running out of memory, a
// missing string resource) becomes, so that it too ends in the crash report.
constexpr DWORD kUncaughtCppException = 0xE0545256;

// The architecture a dump's name gives: the debugger needs the matching one.
#ifdef _WIN64
constexpr const wchar_t* kDumpArchitecture = L"x64";
#else
constexpr const wchar_t* kDumpArchitecture = L"x86";
#endif

// "<data folder>\<exe>_<a.b.c.d>_<x86|x64>_<yyyy-mm-dd_hhmmss_mmm>.dmp" (version
// part only when the version resource loads). `name` holds MAX_PATH units.
bool BuildDumpFileName(wchar_t* name);
