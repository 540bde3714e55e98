#include "app/instance_manager.h"

#include <shlwapi.h>

#include <cwchar>

#include "common/system_helpers.h"
#include "app/application.h"
#include "ui/process_objects.h"

namespace {

// A SID built from a well-known type, in a heap block of its own.
class CWellKnownSid
{
public:
    explicit CWellKnownSid(WELL_KNOWN_SID_TYPE type)
    {
        DWORD size = SECURITY_MAX_SID_SIZE;
        m_ok = CreateWellKnownSid(type, nullptr, m_sid, &size) != FALSE;
    }
    bool IsValid() const { return m_ok; }
    PSID Get() { return m_sid; }

private:
    BYTE m_sid[SECURITY_MAX_SID_SIZE] = {};
    bool m_ok;
};

} // namespace

HWND CSystemInstanceChannel::NextCoreWindow(HWND after)
{
    return FindWindowExW(nullptr, after, kCoreWindowClass, nullptr);
}

DWORD CSystemInstanceChannel::WindowInstanceHash(HWND window)
{
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(GetPropW(window, kInstanceHashProperty)));
}

DWORD CSystemInstanceChannel::WindowProcess(HWND window)
{
    DWORD process = 0;
    return GetWindowThreadProcessId(window, &process) ? process : 0;
}

bool CSystemInstanceChannel::AllowForeground(DWORD processId)
{
    return AllowSetForegroundWindow(processId) != FALSE;
}

bool CSystemInstanceChannel::Notify(WPARAM code, DWORD target)
{
    return SendNotifyMessageW(HWND_BROADCAST, g_instanceNotifyMessage, code,
                              static_cast<LPARAM>(target)) != FALSE;
}

CInstanceManager::CInstanceManager(IInstanceChannel* channel)
    : m_channel(channel ? *channel : m_systemChannel)
{
    const std::wstring path = ModuleFileName();
    m_instanceHash = HashFileName(PathFindFileNameW(path.c_str()));
}

void CInstanceManager::BuildObjectName(wchar_t (&name)[kObjectNameLength]) const
{
    _snwprintf(name, kObjectNameLength, L"%s\\ZPQInstance.%08X",
               m_globalScope ? L"Global" : L"Local", static_cast<unsigned>(m_instanceHash));
    name[kObjectNameLength - 1] = L'\0';
}

InstanceMutex CInstanceManager::CreateInstanceMutex(const wchar_t* name, CHandle& handle)
{
    // Every session's system, user and anonymous callers may open it, so a
    // copy running elevated or under another token is still seen.
    CWellKnownSid system(WinLocalSystemSid);
    CWellKnownSid everyone(WinWorldSid);
    CWellKnownSid anonymous(WinAnonymousSid);
    if (!system.IsValid() || !everyone.IsValid() || !anonymous.IsValid())
        return InstanceMutex::Failed;

    const DWORD aclSize = sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                          GetLengthSid(system.Get()) + GetLengthSid(everyone.Get()) +
                          GetLengthSid(anonymous.Get());
    CHeapBlock aclBlock;
    if (!aclBlock.Allocate(aclSize)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return InstanceMutex::Failed;
    }
    PACL acl = aclBlock.As<ACL>();
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, system.Get()) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, everyone.Get()) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, anonymous.Get()))
        return InstanceMutex::Failed;

    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
        return InstanceMutex::Failed;

    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
    handle.Reset(CreateMutexW(&attributes, FALSE, name));
    const DWORD error = GetLastError();
    if (handle.IsValid())
        return error == ERROR_ALREADY_EXISTS ? InstanceMutex::AnotherCopyRuns : InstanceMutex::Made;
    // A mutex of that name that may not be opened is another copy's too.
    return error == ERROR_ACCESS_DENIED ? InstanceMutex::AnotherCopyRuns : InstanceMutex::Failed;
}

bool CInstanceManager::NotifyOther(WPARAM code) const
{
    return m_channel.Notify(code, m_instanceHash);
}

DWORD CInstanceManager::RunningCopyProcess() const
{
    for (HWND window = nullptr; (window = m_channel.NextCoreWindow(window)) != nullptr;) {
        if (m_channel.WindowInstanceHash(window) == m_instanceHash)
            return m_channel.WindowProcess(window);
    }
    return 0;
}

bool CInstanceManager::ActivateOther() const
{
    // Windows lets a process bring its window to the front only when the
    // process that holds that right hands it on first ("AllowSetForegroundWindow
    // function", Microsoft Learn). The user's start holds it, the running copy
    // does not: without the grant its window opens behind the active program
    // or only flashes on the taskbar. A copy not found, or a grant refused,
    // still gets the notification.
    const DWORD process = RunningCopyProcess();
    if (process)
        m_channel.AllowForeground(process);
    return NotifyOther(NOTIFY_ACTIVATE);
}

bool CInstanceManager::CheckInstance(StartKind start)
{
    if (m_mutexHandle.IsValid())
        return false;
    wchar_t name[kObjectNameLength];
    BuildObjectName(name);
    // Without a mutex the program runs unprotected rather than not at all.
    if (CreateInstanceMutex(name, m_mutexHandle) != InstanceMutex::AnotherCopyRuns)
        return true;
    switch (start) {
    case StartKind::Takeover:
        CloseOther();
        m_tookOver = true;
        return true;
    case StartKind::Restart:
    case StartKind::SignIn:
        // Windows reopened the program after a restart, and the Run value
        // started it at the same sign-in, in either order: the running copy
        // stays as it is.
        return false;
    case StartKind::Ordinary:
        break;
    }
    ActivateOther();
    return false;
}
