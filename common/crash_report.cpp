#include "common/crash_report.h"

#include "common/data_folder.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "common/resource_string.h"
#include "common/system_helpers.h"
#include "common/version_info.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <dbghelp.h>
#include <shlwapi.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <cwchar>
#include <string>

namespace {

using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);

// How long the failing thread waits: for the dump; for the report to show a
// window once the dump is written; and for the user to close it. A dump or
// a report that waits for a lock the failing thread holds ends with the
// process instead of keeping it alive unseen.
const DWORD kDumpWait = 60000;
const DWORD kReportShowWait = 30000;
const DWORD kReportWait = 15 * 60000;

// Everything a crash needs, made at start-up. Never destroyed: its thread
// waits on its events until the process ends.
struct CCrashMachinery
{
    std::atomic<CrashReportHook> reportHook{nullptr};
    MiniDumpWriteDumpFunction writeDump = nullptr;
    CHandle thread;
    DWORD threadId = 0;
    // Manual-reset events: the failing thread asks for the dump; the dump is
    // written (or failed); the report has begun to show a window; the report
    // is over; the filter is done.
    CHandle request{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CHandle dumped{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CHandle shown{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CHandle reported{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CHandle filtered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // One dump for the process: the first failing thread's.
    std::atomic<bool> claimed{false};
    // Set by the failing thread before `request`.
    EXCEPTION_POINTERS* exception = nullptr;
    DWORD failingThreadId = 0;
    // Set by the dump thread before `dumped`.
    bool written = false;
    DWORD error = ERROR_SUCCESS;
    wchar_t dumpPath[MAX_PATH] = {};
    // Set by the filter before `filtered`.
    LONG result = EXCEPTION_CONTINUE_SEARCH;
    DWORD resultError = ERROR_SUCCESS;
};

std::atomic<CCrashMachinery*> g_crash{nullptr};

// Made by the first of SetCrashReportHook and InstallCrashFilter, both
// called at start-up; the filter only reads it.
CCrashMachinery& Machinery()
{
    CCrashMachinery* crash = g_crash.load();
    if (!crash) {
        auto made = std::make_unique<CCrashMachinery>();
        if (g_crash.compare_exchange_strong(crash, made.get()))
            crash = made.release();
    }
    return *crash;
}

constexpr MINIDUMP_TYPE DumpKind =
    static_cast<MINIDUMP_TYPE>(MiniDumpScanMemory | MiniDumpWithIndirectlyReferencedMemory);

// Appends `format` with its arguments to `name`, failing rather than cut it.
bool AppendFormatted(wchar_t* name, const wchar_t* format, ...)
{
    size_t used = std::wcslen(name);
    va_list arguments;
    va_start(arguments, format);
    int written = _vsnwprintf(name + used, MAX_PATH - used, format, arguments);
    va_end(arguments);
    if (written < 0 || used + static_cast<size_t>(written) >= MAX_PATH) {
        name[used] = L'\0';
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

BOOL CALLBACK DumpCallback(PVOID, const PMINIDUMP_CALLBACK_INPUT input,
                           PMINIDUMP_CALLBACK_OUTPUT output)
{
    if (!input || !output)
        return FALSE;
    switch (input->CallbackType) {
    case ModuleCallback:
        // Module images only when the stack or data points into them.
        if (!(output->ModuleWriteFlags & ModuleReferencedByMemory))
            output->ModuleWriteFlags &= ~static_cast<ULONG>(ModuleWriteModule);
        return TRUE;
    case IncludeThreadCallback:
        // The dump thread itself tells nothing about the failure.
        return input->IncludeThread.ThreadId != GetCurrentThreadId();
    case ThreadCallback:
    case ThreadExCallback:
    case IncludeModuleCallback:
        return TRUE;
    default:
        return FALSE;
    }
}

HRESULT CALLBACK CrashDialogCallback(HWND, UINT notification, WPARAM, LPARAM lParam, LONG_PTR data)
{
    if (notification == TDN_HYPERLINK_CLICKED && data && lParam &&
        std::wcscmp(reinterpret_cast<const wchar_t*>(lParam), L"minidump") == 0)
        OpenFolderAndSelect(reinterpret_cast<const wchar_t*>(data));
    // The dialog stays open until the user closes it.
    return S_OK;
}

// The 32-bit layout the dialog expects.
static_assert(sizeof(void*) != 4 || sizeof(TASKDIALOGCONFIG) == 96, "task dialog layout");

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

TaskDialogIndirectFunction FindTaskDialog()
{
    // Only a comctl32 the program already uses: version 6 when its manifest
    // asks for it; nothing is loaded while the process is failing.
    HMODULE comctl = GetModuleHandleW(L"Comctl32.dll");
    if (!comctl)
        return nullptr;
    return reinterpret_cast<TaskDialogIndirectFunction>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "TaskDialogIndirect")));
}

} // namespace

void SetCrashReportHook(CrashReportHook hook)
{
    Machinery().reportHook.store(hook);
}

bool BuildDumpFileName(wchar_t* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::wstring modulePath = ModuleFileName();
    std::wstring folder;
    if (modulePath.empty() || !GetDataFolder(folder))
        return false;
    // The dump's path goes into the buffer made at start-up: nothing is
    // allocated for it while the process is failing.
    const std::wstring path = folder + L"\\" + PathFindFileNameW(modulePath.c_str());
    if (path.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    path.copy(name, path.size());
    name[path.size()] = L'\0';
    CVersionInfo version;
    if (version.Load(modulePath.c_str()) &&
        !AppendFormatted(name, L"_%hu.%hu.%hu.%hu", version.Major(), version.Minor(),
                         version.Build(), version.Revision()))
        return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    return AppendFormatted(name, L"_%s_%4d-%02d-%02d_%02d%02d%02d_%03d.dmp", kDumpArchitecture,
                           now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                           now.wMilliseconds);
}

namespace {

// Writes the dump of the exception `crash` was handed; false (no file left)
// otherwise.
bool WriteCrashDump(CCrashMachinery& crash)
{
    wchar_t* name = crash.dumpPath;
    if (!BuildDumpFileName(name))
        return false;
    CFileHandle file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    // The failing thread's own context; its pointers are this process's.
    MINIDUMP_EXCEPTION_INFORMATION exception = {};
    exception.ThreadId = crash.failingThreadId;
    exception.ExceptionPointers = crash.exception;
    exception.ClientPointers = FALSE;
    MINIDUMP_CALLBACK_INFORMATION callback = {};
    callback.CallbackRoutine = DumpCallback;
    callback.CallbackParam = nullptr;
    if (!crash.writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), DumpKind,
                         crash.exception ? &exception : nullptr, nullptr, &callback)) {
        CKeepLastError keep;
        file.Reset();
        DeleteFileW(name);
        return false;
    }
    return true;
}

// Tells the failing thread that the dialog report has begun to show a window:
// it then waits for the user rather than for a report that cannot show.
LRESULT CALLBACK ReportWindowWatch(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (CCrashMachinery* crash = g_crash.load();
            crash && create && create->lpcs && !(create->lpcs->style & WS_CHILD))
            SetEvent(crash->shown.Get());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Waits for the one request of the process, writes the dump, then reports
// it. Nothing may leave the thread as an exception.
DWORD WINAPI DumpThread(void* parameter)
{
    CCrashMachinery& crash = *static_cast<CCrashMachinery*>(parameter);
    if (WaitForSingleObject(crash.request.Get(), INFINITE) != WAIT_OBJECT_0)
        return 0;
    try {
        crash.written = WriteCrashDump(crash);
    } catch (...) {
        crash.written = false;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    crash.error = crash.written ? ERROR_SUCCESS : GetLastError();
    SetEvent(crash.dumped.Get());
    if (crash.written) {
        if (CrashReportHook hook = crash.reportHook.load()) {
            try {
                hook(crash.dumpPath);
            } catch (...) {
                // The dump is written: the process ends all the same.
            }
        }
    }
    SetEvent(crash.reported.Get());
    return 0;
}

// A stack overflow leaves too little stack to search the frames for a
// handler, so the unhandled-exception filter may never be reached (under
// Wine it is not: about a page is left). This vectored handler sees the
// overflow first and needs almost none. Nothing in these programs recovers
// from an overflow: once it is reported, the process ends here.
LONG CALLBACK StackOverflowHandler(EXCEPTION_POINTERS* exceptionPointers)
{
    if (!exceptionPointers || !exceptionPointers->ExceptionRecord ||
        exceptionPointers->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW)
        return EXCEPTION_CONTINUE_SEARCH;
    if (CrashFilter(exceptionPointers) == EXCEPTION_EXECUTE_HANDLER)
        TerminateProcess(GetCurrentProcess(), EXCEPTION_STACK_OVERFLOW);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void InstallCrashFilter()
{
    CCrashMachinery& crash = Machinery();
    if (!crash.thread && crash.request && crash.dumped && crash.shown && crash.reported &&
        crash.filtered) {
        // Loaded now: at the crash, loading a library could wait for the
        // loader lock the failing thread holds. From the system directory
        // only, as the lazy binding loads it, and kept for the process's life.
        if (HMODULE dbghelp = LoadSystemLibrary(L"dbghelp.dll", false))
            crash.writeDump = reinterpret_cast<MiniDumpWriteDumpFunction>(
                reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
        if (crash.writeDump)
            crash.thread.Reset(CreateThread(nullptr, 0, DumpThread, &crash, 0, &crash.threadId));
        if (crash.thread)
            AddVectoredExceptionHandler(1, StackOverflowHandler);
    }
    SetUnhandledExceptionFilter(CrashFilter);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exceptionPointers)
{
    // Only waits and hands over: this thread may hold a lock that any
    // allocation or library load would wait for, or have no stack left.
    CCrashMachinery* crash = g_crash.load();
    if (!crash || !crash->thread || GetCurrentThreadId() == crash->threadId) {
        // Not installed, or the dump thread failing itself: the system's handling.
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (crash->claimed.exchange(true)) {
        // Another thread's failure is being reported: the process ends with it.
        WaitForSingleObject(crash->filtered.Get(), INFINITE);
        SetLastError(crash->resultError);
        return crash->result;
    }
    crash->exception = exceptionPointers;
    crash->failingThreadId = GetCurrentThreadId();
    SetEvent(crash->request.Get());

    LONG result = EXCEPTION_CONTINUE_SEARCH;
    DWORD error = WAIT_TIMEOUT;
    if (WaitForSingleObject(crash->dumped.Get(), kDumpWait) == WAIT_OBJECT_0) {
        error = crash->error;
        if (crash->written) {
            result = EXCEPTION_EXECUTE_HANDLER;
            const HANDLE report[] = {crash->reported.Get(), crash->shown.Get()};
            if (WaitForMultipleObjects(2, report, FALSE, kReportShowWait) == WAIT_OBJECT_0 + 1)
                WaitForSingleObject(crash->reported.Get(), kReportWait);
        }
    }
    crash->result = result;
    crash->resultError = error;
    SetEvent(crash->filtered.Get());
    SetLastError(error);
    return result;
}

void ReportCrash(const wchar_t* dumpPath)
{
    CHook watch(SetWindowsHookExW(WH_CBT, ReportWindowWatch, nullptr, GetCurrentThreadId()));
    static const TaskDialogIndirectFunction taskDialog = FindTaskDialog();
    if (!taskDialog) {
        MessageBoxResource(IDS_CRASH_MESSAGE, MB_ICONERROR, dumpPath ? dumpPath : L"");
    } else {
        const std::wstring instruction = ResourceText(IDS_CRASH_INSTRUCTION);
        const std::wstring content = ResourceText(IDS_CRASH_CONTENT);
        TASKDIALOGCONFIG config = ErrorTaskDialog(FindMessageBoxOwner(), GetMessageBoxCaption(),
                                                  instruction.c_str(), content.c_str());
        config.dwFlags |= TDF_ENABLE_HYPERLINKS;
        config.pfCallback = CrashDialogCallback;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(dumpPath);
        taskDialog(&config, nullptr, nullptr, nullptr);
    }
}

#if defined(__GLIBCXX__)
// The C++ runtime ends an uncaught exception in its terminate handler, which
// would print the exception's name and abort without a dump; its default
// handler also drags a name demangler of some 40 KB into both programs. Ours
// hands the failure to the crash filter as a structured exception. (MSVC's
// runtime raises one of its own, which reaches the filter anyway.)
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    RaiseException(kUncaughtCppException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}
} // namespace __gnu_cxx
#endif
