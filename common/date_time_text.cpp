#include "common/date_time_text.h"

#include "common/resource_string.h"

namespace {

// The user's short date, or empty with the failing call's last error.
std::wstring DateText(const SYSTEMTIME& local)
{
    const int length =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, nullptr, 0, nullptr);
    if (length <= 0)
        return std::wstring();
    std::wstring date(static_cast<size_t>(length), L'\0');
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, &date[0], length, nullptr) <=
        0)
        return std::wstring();
    date.resize(static_cast<size_t>(length) - 1);
    return date;
}

} // namespace

std::wstring FormatLocalTime(const SYSTEMTIME& local, DWORD timeFlags)
{
    const int length =
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, timeFlags, &local, nullptr, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring time(static_cast<size_t>(length), L'\0');
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, timeFlags, &local, nullptr, &time[0], length) <=
        0)
        return std::wstring();
    time = Trim(time.substr(0, static_cast<size_t>(length) - 1));
    if (time.empty())
        SetLastError(ERROR_INVALID_DATA);
    return time;
}

std::wstring FormatLocalDateTime(const SYSTEMTIME& local, DWORD timeFlags)
{
    const std::wstring date = DateText(local);
    if (date.empty())
        return std::wstring();
    const std::wstring time = FormatLocalTime(local, timeFlags);
    return time.empty() ? std::wstring() : date + L' ' + time;
}
