// The pages as linked into Tarvik.exe, created for real under its own
// manifest: the tab order, the icon and the link.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

} // namespace

TEST(LivePage, GeneralAndAboutPages)
{
    wchar_t buffer[MAX_PATH] = {};
    std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
    path.erase(path.find_last_of(L'\\') + 1) += L"Tarvik.exe";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    // A manifest the loader rejects would stop the program from starting.
    ACTCTXW context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE activation = CreateActCtxW(&context);
    ULONG_PTR cookie = 0;
    ASSERT_NE(activation, INVALID_HANDLE_VALUE) << GetLastError();
    ASSERT_TRUE(ActivateActCtx(activation, &cookie));
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_DATE_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    HWND host = CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(host, nullptr);

    // Alt+T on "S&tate:" must land on the state list: the next tab stop.
    HWND general = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_GENERAL), host, QuietPage, 0);
    ASSERT_NE(general, nullptr) << GetLastError();
    EXPECT_EQ(GetDlgItem(general, IDC_SUSPEND_STATE),
              GetNextDlgTabItem(general, GetDlgItem(general, IDC_SUSPEND_DELAY), FALSE));

    HWND page = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ABOUT), host, QuietPage, 0);
    ASSERT_NE(page, nullptr) << GetLastError();
    EXPECT_NE(GetDlgItem(page, IDC_VERSION), nullptr);
    EXPECT_NE(GetDlgItem(page, IDC_LEGAL), nullptr);
    HWND link = GetDlgItem(page, IDC_WEBLINK);
    ASSERT_NE(link, nullptr);
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
    // The quotes of the link must survive the resource compiler.
    EXPECT_STREQ(item.szUrl, L"https://tarvik.example.org/");
    HWND icon = GetWindow(page, GW_CHILD);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "icon 128 did not load";

    DestroyWindow(host); // and the pages with it
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(activation);
    FreeLibrary(module);
}
