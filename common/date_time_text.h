#pragma once
// The text of a local moment for people: the user's short date, one space
// and the user's time. The log's stamps, the engine's log lines and the
// console tool's stamps all take it from here.
#include <windows.h>

#include <string>

// `timeFlags` are GetTimeFormatEx's (TIME_FORCE24HOURFORMAT for the log's
// 24-hour clock); the time is trimmed of the white space some systems leave
// where they drop a day-period marker. Empty, with the last error of the
// failing call, when a part cannot be formed.
std::wstring FormatLocalDateTime(const SYSTEMTIME& local, DWORD timeFlags = 0);
// The time alone, as above (TIME_NOSECONDS for a tooltip read at a glance).
std::wstring FormatLocalTime(const SYSTEMTIME& local, DWORD timeFlags = 0);
