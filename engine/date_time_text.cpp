#include "engine/date_time_text.h"

namespace {
// The date, one space and the time in `timeFlags`, or the time alone.
int FormatMoment(const SYSTEMTIME& time, bool withDate, DWORD timeFlags,
                 wchar_t (&text)[kDateTimeTextLength])
{
    int dateCount = 0;
    if (withDate) {
        dateCount = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, text,
                                    kDateTimeTextLength, nullptr);
        if (dateCount <= 0)
            return 0;
        if (kDateTimeTextLength - dateCount <= 0) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        text[dateCount - 1] = L' ';
        text[dateCount] = L'\0';
    }
    int timeCount = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, timeFlags, &time, nullptr,
                                    text + dateCount, kDateTimeTextLength - dateCount);
    if (timeCount <= 0)
        return 0;
    return dateCount + timeCount;
}
} // namespace

int FormatDateTimeText(const FILETIME& local, wchar_t (&text)[kDateTimeTextLength])
{
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&local, &time))
        return 0;
    return FormatMoment(time, true, 0, text);
}

int FormatDateTimeText(const SYSTEMTIME& local, wchar_t (&text)[kDateTimeTextLength])
{
    return FormatMoment(local, true, 0, text);
}

int FormatShortTimeText(const SYSTEMTIME& local, bool withDate,
                        wchar_t (&text)[kDateTimeTextLength])
{
    return FormatMoment(local, withDate, TIME_NOSECONDS, text);
}
