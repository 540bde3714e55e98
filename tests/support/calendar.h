#pragma once
// A calendar moment for tests, with its day of the week filled in.
#include <windows.h>

inline SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME file;
    if (SystemTimeToFileTime(&time, &file))
        FileTimeToSystemTime(&file, &time);
    return time;
}
