#include "common/crash_report.h"

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
#include <cwchar>
#include <string>

namespace {

std::atomic<CrashReportHook> g_reportHook{nullptr};

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
    case ThreadCallback:
    case ThreadExCallback:
    case IncludeThreadCallback:
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

void InstallCrashFilter()
{
    SetUnhandledExceptionFilter(CrashFilter);
}

void SetCrashReportHook(CrashReportHook hook)
{
    g_reportHook.store(hook);
}

bool BuildDumpFileName(wchar_t* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    if (length == 0)
        return false;
    if (length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    wchar_t fileName[MAX_PATH];
    lstrcpynW(fileName, modulePath, MAX_PATH);
    PathStripPathW(fileName);

    if (!GetDataFolder(name))
        return false;
    if (std::wcslen(name) + 1 + std::wcslen(fileName) >= MAX_PATH || !PathAppendW(name, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CVersionInfo version;
    if (version.Load(modulePath) &&
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

// Writes the dump file of the failing process; false (no file left) otherwise.
bool WriteCrashDump(EXCEPTION_POINTERS* exceptionPointers, wchar_t* name)
{
    if (!BuildDumpFileName(name))
        return false;
    CFileHandle file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    MINIDUMP_EXCEPTION_INFORMATION exception = {};
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = exceptionPointers;
    exception.ClientPointers = FALSE;
    MINIDUMP_CALLBACK_INFORMATION callback = {};
    callback.CallbackRoutine = DumpCallback;
    callback.CallbackParam = nullptr;
    if (!MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), DumpKind,
                           exceptionPointers ? &exception : nullptr, nullptr, &callback)) {
        CKeepLastError keep;
        file.Reset();
        DeleteFileW(name);
        return false;
    }
    return true;
}

} // namespace

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exceptionPointers)
{
    // The process may be failing for want of memory: when the filter's own
    // strings cannot be made, the system's handling takes over. Nothing may
    // leave the filter as a second exception.
    wchar_t name[MAX_PATH];
    try {
        if (!WriteCrashDump(exceptionPointers, name))
            return EXCEPTION_CONTINUE_SEARCH;
    } catch (...) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    try {
        if (CrashReportHook hook = g_reportHook.load())
            hook(name);
    } catch (...) {
        // The dump is written: the process ends all the same.
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

void ReportCrash(const wchar_t* dumpPath)
{
    static const TaskDialogIndirectFunction taskDialog = FindTaskDialog();
    if (!taskDialog) {
        MessageBoxResource(IDS_CRASH_MESSAGE, MB_ICONERROR, dumpPath ? dumpPath : L"");
    } else {
        // Texts passed as loaded strings: some hosts misread resource ids here.
        const std::wstring instruction = ResourceText(IDS_CRASH_INSTRUCTION);
        const std::wstring content = ResourceText(IDS_CRASH_CONTENT);

        TASKDIALOGCONFIG config = {};
        config.cbSize = sizeof(config);
        config.hwndParent = FindMessageBoxOwner();
        config.hInstance = GetModuleHandleW(nullptr);
        config.dwFlags =
            TDF_ENABLE_HYPERLINKS | TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
        config.dwCommonButtons = TDCBF_OK_BUTTON;
        config.pszWindowTitle = GetMessageBoxCaption();
        config.pszMainIcon = TD_ERROR_ICON;
        config.pszMainInstruction =
            instruction.empty() ? MAKEINTRESOURCEW(IDS_CRASH_INSTRUCTION) : instruction.c_str();
        config.pszContent = content.empty() ? MAKEINTRESOURCEW(IDS_CRASH_CONTENT) : content.c_str();
        config.pfCallback = CrashDialogCallback;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(dumpPath);
        taskDialog(&config, nullptr, nullptr, nullptr);
    }
    PostQuitMessage(-1);
}
