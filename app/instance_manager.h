#pragma once
// One copy of the program per log-on and executable file name: a named mutex
// marks the running copy, and a broadcast asks it to show itself or to close.
#include <windows.h>

#include "app/start_kind.h"
#include "common/handles.h"
#include "ui/instance_protocol.h"

class CInstanceManager
{
public:
    static constexpr int kObjectNameLength = 80;

    // Hashes the program's file name. The main window lets the notification
    // through to an elevated copy.
    CInstanceManager();
    virtual ~CInstanceManager() = default;
    CInstanceManager(const CInstanceManager&) = delete;
    CInstanceManager& operator=(const CInstanceManager&) = delete;

    DWORD InstanceHash() const { return m_instanceHash; }
    HANDLE MutexHandle() const { return m_mutexHandle.Get(); }

    // True when this process is to carry on: it is the first copy, no mutex
    // could be made, or it takes over from the running copy, which is told to
    // close. Otherwise an ordinary start tells the running copy to show
    // itself; a restart by Windows tells it nothing.
    bool CheckInstance(StartKind start);
    // CheckInstance told a running copy to close in favour of this one.
    bool TookOver() const { return m_tookOver; }

    // "Local\ZPQInstance.%08X" (or "Global\..." for the global scope).
    void BuildObjectName(wchar_t (&name)[kObjectNameLength]) const;
    // 0: made; 1: another copy holds it; negative: an HRESULT of the failure.
    static HRESULT CreateInstanceMutex(const wchar_t* name, CHandle& handle);

    bool NotifyOther(WPARAM code) const;
    bool ActivateOther() const { return NotifyOther(NOTIFY_ACTIVATE); }
    bool CloseOther() const { return NotifyOther(NOTIFY_CLOSE); }

    // The hash of a file name as every copy computes it, letter case ignored.
    static DWORD HashFileName(const wchar_t* fileName);

private:
    BOOL m_globalScope = FALSE;
    DWORD m_instanceHash = 0;
    CHandle m_mutexHandle;
    bool m_tookOver = false;
};
