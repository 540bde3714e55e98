#include "suspend/console_progress_path.h"

CConsoleProgressPath::CConsoleProgressPath(CBaseConsole& console, const wchar_t* item)
    : m_console(&console)
{
    m_console->SetProgressItem(item);
}

CConsoleProgressPath::~CConsoleProgressPath()
{
    m_console->SetProgressItem(nullptr);
}
