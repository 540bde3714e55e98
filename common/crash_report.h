#pragma once
// The process-wide handler for exceptions nothing else catches: a minidump in
// the data folder, then a report to the user.
#include <windows.h>

using CrashReportHook = void (*)(const wchar_t* dumpPath);

void InstallCrashFilter();
void SetCrashReportHook(CrashReportHook hook);
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exceptionPointers);
// The dialog report: a task dialog with a link to the dump, or a message box.
void ReportCrash(const wchar_t* dumpPath);

// The architecture a dump's name gives: the debugger needs the matching one.
#ifdef _WIN64
constexpr const wchar_t* kDumpArchitecture = L"x64";
#else
constexpr const wchar_t* kDumpArchitecture = L"x86";
#endif

// "<data folder>\<exe>_<a.b.c.d>_<x86|x64>_<yyyy-mm-dd_hhmmss_mmm>.dmp" (version
// part only when the version resource loads). `name` holds MAX_PATH units.
bool BuildDumpFileName(wchar_t* name);
