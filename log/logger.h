#pragma once
// The activity log writer: one UTF-16LE text line per event, each stamped with
// the user's short date and a 24-hour time. The file itself is opened, reset
// and closed by the life-cycle operations of log_file.h.
#include <windows.h>

#include <cstdarg>
#include <utility>

#include "common/handles.h"

// Room for a stamp or a date-and-time text, terminating zero included.
constexpr int kStampLength = 128;

class CLogger
{
public:
    CLogger() = default;
    virtual ~CLogger() = default; // the file handle owner closes the file
    CLogger(const CLogger&) = delete;
    CLogger& operator=(const CLogger&) = delete;

    bool IsOpen() const { return m_file.IsValid(); }

    // Writing. Each returns true when every byte reached the file; a closed log
    // returns false (ERROR_INVALID_HANDLE) and writes nothing.
    bool WriteTimeStamp();
    bool WriteV(const wchar_t* format, va_list arguments);
    bool WriteErrorV(const wchar_t* format, DWORD code, va_list arguments);

    // The conveniences every event goes through. They leave the thread's last
    // error as it was, so a caller can log a failure and still report it.
    bool LogMessage(UINT id, ...);
    bool LogText(const wchar_t* format, ...);
    bool LogLastError(UINT id, ...);

    // For the life-cycle operations: the file and the stamp switch.
    void AttachFile(CFileHandle&& file) { m_file = std::move(file); }
    void CloseFile() { m_file.Reset(); }
    bool WriteBytes(const void* data, DWORD size);
    bool MoveToEnd();
    void SetStamped(bool stamped) { m_stamped = stamped; }

private:
    bool WriteLine(const wchar_t* format, const DWORD* code, va_list arguments);

    CFileHandle m_file;
    bool m_stamped = true;
};

// The process's one logger: it exists, closed, before the entry point runs and
// closes its file when the process ends.
CLogger& Logger();

// "<short date> <24-hour time>  " for `local`, or a single space when the
// date or the time cannot be formed. Returns the length without the zero.
int FormatTimeStamp(const SYSTEMTIME& local, wchar_t (&stamp)[kStampLength]);
