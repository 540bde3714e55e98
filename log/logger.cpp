#include "log/logger.h"

#include <shlwapi.h>

#include <string>

#include "common/date_time_text.h"
#include "common/resource_string.h"
#include "common/handles.h"

namespace {
CLogger g_logger;
}

CLogger& Logger()
{
    return g_logger;
}

int FormatTimeStamp(const SYSTEMTIME& local, wchar_t (&stamp)[kStampLength])
{
    // Forcing the 24-hour clock keeps the day-period marker on some systems:
    // drop it too.
    const std::wstring text =
        FormatLocalDateTime(local, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER);
    if (text.empty() || text.size() + 2 >= static_cast<size_t>(kStampLength)) {
        stamp[0] = L' ';
        stamp[1] = L'\0';
        return 1;
    }
    text.copy(stamp, text.size());
    stamp[text.size()] = L' ';
    stamp[text.size() + 1] = L' ';
    stamp[text.size() + 2] = L'\0';
    return static_cast<int>(text.size()) + 2;
}

bool CLogger::WriteBytes(const void* data, DWORD size)
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(m_file.Get(), data, size, &written, nullptr))
        return false;
    if (written != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

bool CLogger::MoveToEnd()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    LARGE_INTEGER zero{};
    return SetFilePointerEx(m_file.Get(), zero, nullptr, FILE_END) != FALSE;
}

bool CLogger::WriteTimeStamp()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[kStampLength];
    int length = FormatTimeStamp(now, stamp);
    return WriteBytes(stamp, static_cast<DWORD>(length * sizeof(wchar_t)));
}

bool CLogger::WriteLine(const wchar_t* format, const DWORD* code, va_list arguments)
{
    if (m_stamped) {
        if (!WriteTimeStamp())
            return false;
    } else if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }

    std::wstring line = FormatTextV(format, arguments);
    if (code && *code != 0) {
        const std::wstring message = SystemErrorText(*code);
        if (!message.empty()) {
            line += L"\r\n\t\t";
            line += message;
        }
        line += FormatText(L" (%lu)\r\n", *code);
    } else {
        line += L"\r\n";
    }
    return WriteBytes(line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)));
}

bool CLogger::WriteV(const wchar_t* format, va_list arguments)
{
    return WriteLine(format, nullptr, arguments);
}

bool CLogger::WriteErrorV(const wchar_t* format, DWORD code, va_list arguments)
{
    return WriteLine(format, &code, arguments);
}

bool CLogger::LogMessage(UINT id, ...)
{
    CKeepLastError keep;
    std::wstring format;
    if (!LoadResourceString(id, format))
        return false;
    va_list arguments;
    va_start(arguments, id);
    bool written = WriteV(format.c_str(), arguments);
    va_end(arguments);
    return written;
}

bool CLogger::LogText(const wchar_t* format, ...)
{
    CKeepLastError keep;
    va_list arguments;
    va_start(arguments, format);
    bool written = WriteV(format, arguments);
    va_end(arguments);
    return written;
}

bool CLogger::LogLastError(UINT id, ...)
{
    CKeepLastError keep; // captured before anything else can change it
    std::wstring format;
    if (!LoadResourceString(id, format))
        return false;
    va_list arguments;
    va_start(arguments, id);
    bool written = WriteErrorV(format.c_str(), keep.Error(), arguments);
    va_end(arguments);
    return written;
}
