#pragma once
// An icon as the tests compare it: the size and pixels of its colour image,
// and the program's own image of a size from its resources.
#include <windows.h>

#include <vector>

// Width, height and pixels (32-bit, top-down) of an icon's colour image;
// all empty for no icon.
struct CIconPicture
{
    LONG width = 0;
    LONG height = 0;
    std::vector<DWORD> pixels;
};

inline CIconPicture Picture(HICON icon)
{
    CIconPicture picture;
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return picture;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    picture.width = bitmap.bmWidth;
    picture.height = bitmap.bmHeight;
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

// The image of `size` pixels that the icon resource `id` of the running
// program holds, as LoadImageW takes it out.
inline CIconPicture OwnImage(UINT id, int size)
{
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
    CIconPicture picture = Picture(icon);
    if (icon)
        DestroyIcon(icon);
    return picture;
}
