#include "suspend/console_stream.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

bool CStandardStream::Open()
{
    const bool isConsole = _isatty(_fileno(stdout)) != 0;
    if (isConsole)
        _setmode(_fileno(stdout), MODE_UNICODE);
    _setmode(_fileno(stderr), MODE_UNICODE);
    return isConsole;
}

void CStandardStream::SetMode(int mode)
{
    fflush(stdout);
    _setmode(_fileno(stdout), mode);
}

void CStandardStream::Write(const wchar_t* text)
{
    fputws(text, stdout);
    fflush(stdout);
}

wint_t CStandardStream::ReadKey()
{
    return _getwch();
}

IConsoleStream& StandardStream()
{
    static CStandardStream stream;
    return stream;
}
