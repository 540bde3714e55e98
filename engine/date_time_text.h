#pragma once
// The text of a moment in log lines: the user's short date, one space and the
// user's time with seconds; and the shorter one of the tray's tooltip.
#include <windows.h>

constexpr int kDateTimeTextLength = 128;

// `local` is a local FILETIME. Returns the units written including the
// terminating zero, or 0 on failure (last error as the failing call set it).
int FormatDateTimeText(const FILETIME& local, wchar_t (&text)[kDateTimeTextLength]);
int FormatDateTimeText(const SYSTEMTIME& local, wchar_t (&text)[kDateTimeTextLength]);

// The user's time without seconds ("14:30", "2:30 PM"), after the short date
// and one space when `withDate`. Returns as FormatDateTimeText does.
int FormatShortTimeText(const SYSTEMTIME& local, bool withDate,
                        wchar_t (&text)[kDateTimeTextLength]);
