// The About page's icon: loaded at the size for the page's scale, from the
// icon's own image of that size.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "resources/resource.h"
#include "ui/about_page.h"

namespace {

// Width and pixels (32-bit, top-down) of an icon's colour image.
struct CIconPicture
{
    LONG width = 0;
    std::vector<DWORD> pixels;
};

CIconPicture Picture(HICON icon)
{
    CIconPicture picture;
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return picture;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    picture.width = bitmap.bmWidth;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    picture.pixels.resize(static_cast<size_t>(bitmap.bmWidth) *
                          static_cast<size_t>(bitmap.bmHeight));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight), picture.pixels.data(),
              &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return picture;
}

} // namespace

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
    HICON own = static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARVIK), IMAGE_ICON, size, size, 0));
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(shown.pixels == Picture(own).pixels)
        << "the page shows another picture than the icon's own";
    DestroyIcon(own);
    RECT area = {};
    GetClientRect(control, &area);
    EXPECT_EQ(area.right, size) << "the control does not fit the icon";

    DestroyWindow(sheet);
}
