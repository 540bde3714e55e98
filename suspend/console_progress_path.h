#pragma once
// Scoped holder of the console's progress item: the item is shown before each
// progress text while the holder lives and cleared when it goes.
#include "suspend/base_console.h"

class CConsoleProgressPath
{
public:
    CConsoleProgressPath(CBaseConsole& console, const wchar_t* item);
    ~CConsoleProgressPath();
    CConsoleProgressPath(const CConsoleProgressPath&) = delete;
    CConsoleProgressPath& operator=(const CConsoleProgressPath&) = delete;

private:
    CBaseConsole* m_console;
};
