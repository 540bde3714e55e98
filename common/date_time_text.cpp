#include "common/date_time_text.h"

#include "common/resource_string.h"

std::wstring FormatLocalDateTime(const SYSTEMTIME& local, DWORD timeFlags)
{
    const int dateLength =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, nullptr, 0, nullptr);
    const int timeLength =
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, timeFlags, &local, nullptr, nullptr, 0);
    if (dateLength <= 0 || timeLength <= 0)
        return std::wstring();
    std::wstring date(static_cast<size_t>(dateLength), L'\0');
    std::wstring time(static_cast<size_t>(timeLength), L'\0');
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &local, nullptr, &date[0], dateLength,
                        nullptr) <= 0 ||
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, timeFlags, &local, nullptr, &time[0],
                        timeLength) <= 0)
        return std::wstring();
    date.resize(static_cast<size_t>(dateLength) - 1);
    time = Trim(time.substr(0, static_cast<size_t>(timeLength) - 1));
    if (date.empty() || time.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return std::wstring();
    }
    return date + L' ' + time;
}
