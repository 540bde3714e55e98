// The smallest program that loads a library as an unprotected program does:
// it uses the window manager, and loads dwmapi by its bare name with the
// default search, which looks beside the program first. What it loads from
// its own folder shows the planted copies at work, and what the platform
// loads there on its own account.
#include <windows.h>

int main()
{
    HMODULE library = LoadLibraryW(L"dwmapi.dll");
    if (library)
        FreeLibrary(library);
    return GetSystemMetrics(SM_CXSCREEN) >= 0 ? 0 : 1;
}
