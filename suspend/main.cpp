#include <windows.h>
#include <cwchar>
#include <cstdio>

int wmain(int, wchar_t**)
{
    std::fputws(L"suspend\n", stdout);
    return 1;
}
