#include "engine/date_time_text.h"

int FormatDateTimeText(const FILETIME& local, wchar_t (&text)[kDateTimeTextLength])
{
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&local, &time))
        return 0;
    int dateCount = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, text,
                                    kDateTimeTextLength, nullptr);
    if (dateCount <= 0)
        return 0;
    if (kDateTimeTextLength - dateCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    text[dateCount - 1] = L' ';
    text[dateCount] = L'\0';
    int timeCount = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, text + dateCount,
                                    kDateTimeTextLength - dateCount);
    if (timeCount <= 0)
        return 0;
    return dateCount + timeCount;
}
