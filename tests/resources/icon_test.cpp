// The icon groups: six sizes each, 32-bit images with their masks for the
// small ones and PNG for 256 px, and loadable at the sizes the tray, the
// window and the About page ask for.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "resources/resource.h"
#include "tests/resources/resource_module.h"

namespace {

#pragma pack(push, 2)
struct GroupIconHeader
{
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry
{
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "packed as in the resource");

// Checks one icon group and every image it points at.
void ExpectSixSizes(const CResourceModule& module, WORD groupId)
{
    SCOPED_TRACE(testing::Message() << "icon group " << groupId);
    auto group = module.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(groupId));
    ASSERT_NE(group.first, nullptr);
    ASSERT_GE(group.second, sizeof(GroupIconHeader));
    GroupIconHeader header;
    memcpy(&header, group.first, sizeof(header));
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(group.second, sizeof(header) + header.count * sizeof(GroupIconEntry));

    std::set<int> sizes;
    for (WORD i = 0; i < header.count; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, group.first + sizeof(header) + i * sizeof(entry), sizeof(entry));
        int size = entry.width == 0 ? 256 : entry.width;
        SCOPED_TRACE(testing::Message() << size << " px");
        sizes.insert(size);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);

        auto image = module.Bytes(RT_ICON, MAKEINTRESOURCEW(entry.id));
        ASSERT_NE(image.first, nullptr);
        EXPECT_EQ(image.second, entry.bytesInRes);
        if (size == 256) {
            static const BYTE png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            ASSERT_GE(image.second, sizeof(png));
            EXPECT_EQ(memcmp(image.first, png, sizeof(png)), 0) << "256 px is stored as PNG";
        } else {
            BITMAPINFOHEADER dib;
            ASSERT_GE(image.second, sizeof(dib));
            memcpy(&dib, image.first, sizeof(dib));
            EXPECT_EQ(dib.biWidth, size);
            EXPECT_EQ(dib.biHeight, 2 * size) << "colour image and AND mask";
            EXPECT_EQ(dib.biBitCount, 32);
            DWORD maskStride = ((size + 31) / 32) * 4;
            EXPECT_EQ(image.second, sizeof(dib) + size * size * 4 + size * maskStride);
        }
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 48, 256}));
}

// Share of pixels of the loaded icon that are not transparent.
double CoveredShare(HICON icon, int size)
{
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return 0;
    std::vector<DWORD> pixels(size * size);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    if (lines != size)
        return 0;
    int covered = 0;
    for (DWORD p : pixels)
        covered += (p >> 24) > 0x80;
    return static_cast<double>(covered) / pixels.size();
}

TEST(IconTest, BothProgramsHaveTheirIconsInSixSizes)
{
    CResourceModule tarvik(L"Tarvik.exe");
    CResourceModule tool(L"suspend.exe");
    ExpectSixSizes(tarvik, IDI_TARVIK);
    ExpectSixSizes(tarvik, IDI_NOSUSPEND);
    ExpectSixSizes(tool, IDI_TARVIK);
}

TEST(IconTest, IconsLoadAtTraySizesAndShowSomething)
{
    CResourceModule tarvik(L"Tarvik.exe");
    ASSERT_NE(tarvik.Get(), nullptr);
    for (WORD id : {IDI_TARVIK, IDI_NOSUSPEND}) {
        for (int size : {16, 20, 24, 32}) {
            CUnique<HICON, DestroyIcon> icon(static_cast<HICON>(
                LoadImageW(tarvik.Get(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
            ASSERT_NE(icon, nullptr) << id << " at " << size;
            EXPECT_GT(CoveredShare(icon.get(), size), 0.5) << id << " at " << size << " is mostly empty";
        }
    }
}

} // namespace
