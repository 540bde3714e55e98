#pragma once
// One copy of the program per log-on and executable file name: a named mutex
// marks the running copy, and a broadcast asks it to show itself or to close.
#include <windows.h>

#include "app/start_kind.h"
#include "common/handles.h"
#include "ui/instance_protocol.h"

// The system calls by which one copy reaches the running one; a test puts in
// its own.
class IInstanceChannel
{
public:
    virtual ~IInstanceChannel() = default;
    // The next top-level window of the core's class after `after` (null: the
    // first); null after the last.
    virtual HWND NextCoreWindow(HWND after) = 0;
    // The instance hash `window` carries; 0 when none.
    virtual DWORD WindowInstanceHash(HWND window) = 0;
    // The process that made `window`; 0 when the window is gone.
    virtual DWORD WindowProcess(HWND window) = 0;
    // Hands this process's right to bring a window to the front on to `processId`.
    virtual bool AllowForeground(DWORD processId) = 0;
    // Broadcasts the instance notification.
    virtual bool Notify(WPARAM code, DWORD target) = 0;
};

// The channel over the real system.
class CSystemInstanceChannel : public IInstanceChannel
{
public:
    HWND NextCoreWindow(HWND after) override;
    DWORD WindowInstanceHash(HWND window) override;
    DWORD WindowProcess(HWND window) override;
    bool AllowForeground(DWORD processId) override;
    bool Notify(WPARAM code, DWORD target) override;
};

// What creating the instance mutex found.
enum class InstanceMutex
{
    Made,            // this is the first copy
    AnotherCopyRuns, // it exists, or exists and may not be opened
    Failed,          // no mutex: the last error says why
};

class CInstanceManager
{
public:
    static constexpr int kObjectNameLength = 80;

    // Hashes the program's file name. The main window lets the notification
    // through to an elevated copy. A null channel stands for the real one; a
    // given one outlives the manager.
    explicit CInstanceManager(IInstanceChannel* channel = nullptr);
    virtual ~CInstanceManager() = default;
    CInstanceManager(const CInstanceManager&) = delete;
    CInstanceManager& operator=(const CInstanceManager&) = delete;

    DWORD InstanceHash() const { return m_instanceHash; }

    // True when this process is to carry on: it is the first copy, no mutex
    // could be made, or it takes over from the running copy, which is told to
    // close. Otherwise an ordinary start tells the running copy to show
    // itself; a restart by Windows tells it nothing.
    bool CheckInstance(StartKind start);
    // CheckInstance told a running copy to close in favour of this one.
    bool TookOver() const { return m_tookOver; }

    // "Local\ZPQInstance.%08X" (or "Global\..." for the global scope).
    void BuildObjectName(wchar_t (&name)[kObjectNameLength]) const;
    // Made, or held by another copy, or not made: then the last error tells why.
    static InstanceMutex CreateInstanceMutex(const wchar_t* name, CHandle& handle);

    bool NotifyOther(WPARAM code) const;
    // Lets the running copy come to the front, then asks it to show its window.
    bool ActivateOther() const;
    bool CloseOther() const { return NotifyOther(NOTIFY_CLOSE); }
    // The process of the running copy of this file name, by its core window;
    // 0 when none is found.
    DWORD RunningCopyProcess() const;

    // The hash of a file name as every copy computes it, letter case ignored.
    static DWORD HashFileName(const wchar_t* fileName);

private:
    CSystemInstanceChannel m_systemChannel;
    IInstanceChannel& m_channel;
    BOOL m_globalScope = FALSE;
    DWORD m_instanceHash = 0;
    CHandle m_mutexHandle;
    bool m_tookOver = false;
};
