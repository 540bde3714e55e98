// The About page's icon: loaded at the size for the page's scale, from the
// icon's own image of that size.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <utility>

#include "resources/resource.h"
#include "tests/support/icon_picture.h"
#include "ui/about_page.h"

// 100, 125, 150 and 200 %: the page asks for the large icon size of the
// scale, each of which the icon holds (resources_tests reads its images).
TEST(AboutPage, AsksForTheLargeIconSizeOfEveryCommonScale)
{
    const std::pair<UINT, int> scales[] = {{96, 32}, {120, 40}, {144, 48}, {192, 64}};
    for (const auto& scale : scales)
        EXPECT_EQ(CAboutPage::IconSizeForDpi(scale.first), scale.second) << scale.first << " dpi";
}

TEST(AboutPage, ShowsTheIconsOwnImageForItsScale)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CAboutPage about;
    HPROPSHEETPAGE pages[] = {about.CreatePage()};
    ASSERT_NE(pages[0], nullptr) << GetLastError();
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOCONTEXTHELP;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"About page test";
    header.nPages = 1;
    header.phpage = pages;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(about.Handle(), nullptr) << "the page was not made";

    HWND control = GetWindow(about.Handle(), GW_CHILD);
    ASSERT_EQ(GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    const CIconPicture shown =
        Picture(reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)));
    HDC screen = GetDC(nullptr);
    const int size =
        CAboutPage::IconSizeForDpi(static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY)));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown.width, size);
    const CIconPicture own = OwnImage(IDI_TARVIK, size);
    ASSERT_EQ(own.width, size);
    EXPECT_TRUE(shown.pixels == own.pixels) << "the page shows another picture than the icon's own";
    RECT area = {};
    GetClientRect(control, &area);
    EXPECT_EQ(area.right, size) << "the control does not fit the icon";

    DestroyWindow(sheet);
}
