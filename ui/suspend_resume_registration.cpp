#include "ui/suspend_resume_registration.h"

#include "common/handles.h"

namespace {

using RegisterFunction = HPOWERNOTIFY(WINAPI*)(HANDLE, DWORD);
using UnregisterFunction = BOOL(WINAPI*)(HPOWERNOTIFY);

// Bound by name: Windows 7 has neither call.
FARPROC User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

} // namespace

bool CSuspendResumeRegistration::Register(HWND window)
{
    if (m_handle)
        return true;
    auto call = reinterpret_cast<RegisterFunction>(
        reinterpret_cast<void*>(User32Function("RegisterSuspendResumeNotification")));
    if (!call) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    m_handle = call(window, DEVICE_NOTIFY_WINDOW_HANDLE);
    return m_handle != nullptr;
}

void CSuspendResumeRegistration::Unregister()
{
    if (!m_handle)
        return;
    CKeepLastError keep;
    if (auto call = reinterpret_cast<UnregisterFunction>(
            reinterpret_cast<void*>(User32Function("UnregisterSuspendResumeNotification"))))
        call(m_handle);
    m_handle = nullptr;
}
