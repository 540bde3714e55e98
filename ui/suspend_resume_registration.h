#pragma once
// The registration of a window for the suspend and resume notifications. A
// Modern Standby computer delivers them reliably to a desktop program only
// after it registered (RegisterSuspendResumeNotification, Windows 8 and
// later); elsewhere the broadcast reaches every top-level window anyway.
#include <windows.h>

class CSuspendResumeRegistration
{
public:
    CSuspendResumeRegistration() = default;
    ~CSuspendResumeRegistration() { Unregister(); }
    CSuspendResumeRegistration(const CSuspendResumeRegistration&) = delete;
    CSuspendResumeRegistration& operator=(const CSuspendResumeRegistration&) = delete;

    // False, with the last error, where the call does not exist or fails.
    bool Register(HWND window);
    void Unregister();

private:
    HPOWERNOTIFY m_handle = nullptr;
};
