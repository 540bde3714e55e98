#pragma once
// Keeps the thread's last error across a block that may change it (writing a
// log line after a failure, say), so the failure can still be reported.
#include <windows.h>

class CKeepLastError
{
public:
    CKeepLastError() : m_error(GetLastError()) {}
    ~CKeepLastError() { SetLastError(m_error); }
    CKeepLastError(const CKeepLastError&) = delete;
    CKeepLastError& operator=(const CKeepLastError&) = delete;
    DWORD Error() const { return m_error; }

private:
    DWORD m_error;
};
