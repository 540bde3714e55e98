#include "log/logger.h"

#include <shlwapi.h>

#include <string>

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
    auto fallback = [&stamp] {
        stamp[0] = L' ';
        stamp[1] = L'\0';
        return 1;
    };

    int dateCount =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, stamp, kStampLength, nullptr);
    if (dateCount <= 0)
        return fallback();
    int length = dateCount - 1;
    stamp[length++] = L' ';
    if (kStampLength - length <= 1)
        return fallback();

    // Forcing the 24-hour clock keeps the AM/PM marker on some systems; drop
    // it too, with the space that separated it from the time.
    wchar_t* time = stamp + length;
    int timeCount =
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER,
                        &local, nullptr, time, kStampLength - length);
    if (timeCount <= 0)
        return fallback();
    int timeLength = timeCount - 1;
    int first = 0;
    while (first < timeLength && time[first] == L' ')
        ++first;
    while (timeLength > first && time[timeLength - 1] == L' ')
        --timeLength;
    if (timeLength == first)
        return fallback();
    if (first > 0)
        MoveMemory(time, time + first, (timeLength - first) * sizeof(wchar_t));
    length += timeLength - first;

    if (length + 2 >= kStampLength)
        return fallback();
    stamp[length++] = L' ';
    stamp[length++] = L' ';
    stamp[length] = L'\0';
    return length;
}

bool GetSystemMessageText(DWORD code, wchar_t (&text)[kMessageLength])
{
    DWORD count = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, kMessageLength, nullptr);
    if (count == 0) {
        text[0] = L'\0';
        return false;
    }
    StrTrimW(text, L"\r\n\t ");
    return text[0] != L'\0';
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
        wchar_t message[kMessageLength];
        if (GetSystemMessageText(*code, message)) {
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
