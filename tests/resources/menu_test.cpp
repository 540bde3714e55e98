// The tray menu as the main window uses it: loaded from the program, its
// first pop-up shown, items found by command even inside "Log File".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/resources/resource_module.h"

namespace {

struct Item
{
    UINT type = 0;
    UINT id = 0;
    HMENU subMenu = nullptr;
    std::wstring text;
};

Item ItemAt(HMENU menu, UINT position)
{
    Item item;
    wchar_t text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info)) << "position " << position;
    item.type = info.fType;
    item.id = info.wID;
    item.subMenu = info.hSubMenu;
    item.text = text;
    return item;
}

void ExpectCommand(HMENU menu, UINT position, const wchar_t* text, UINT id)
{
    Item item = ItemAt(menu, position);
    EXPECT_EQ(item.text, text);
    EXPECT_EQ(item.id, id) << text;
    EXPECT_EQ(item.subMenu, nullptr) << text;
    EXPECT_FALSE(item.type & MFT_SEPARATOR) << text;
}

void ExpectSeparator(HMENU menu, UINT position)
{
    EXPECT_TRUE(ItemAt(menu, position).type & MFT_SEPARATOR) << "position " << position;
}

// Also what the tray code does with the menu: a bold default item and the two
// log commands greyed by command id from the outer pop-up.
TEST(TrayMenuTest, OnePopupWithTheCommandsInOrderReachableByCommand)
{
    CResourceModule tarvik(L"Tarvik.exe");
    CUnique<HMENU, DestroyMenu> menu(LoadMenuW(tarvik.Get(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    ASSERT_NE(menu, nullptr) << GetLastError();

    ASSERT_EQ(GetMenuItemCount(menu.get()), 1);
    Item taskbar = ItemAt(menu.get(), 0);
    EXPECT_EQ(taskbar.text, L"Taskbar");
    ASSERT_NE(taskbar.subMenu, nullptr);

    HMENU popup = taskbar.subMenu;
    ASSERT_EQ(GetMenuItemCount(popup), 6);
    ExpectCommand(popup, 0, L"Optio&ns", ID_TRAY_OPTIONS);
    ExpectSeparator(popup, 1);
    Item log = ItemAt(popup, 2);
    EXPECT_EQ(log.text, L"&Log File");
    ASSERT_NE(log.subMenu, nullptr);
    ExpectSeparator(popup, 3);
    ExpectCommand(popup, 4, L"&About", ID_TRAY_ABOUT);
    ExpectCommand(popup, 5, L"E&xit", ID_TRAY_EXIT);

    ASSERT_EQ(GetMenuItemCount(log.subMenu), 2);
    ExpectCommand(log.subMenu, 0, L"&Open", ID_LOG_OPEN);
    ExpectCommand(log.subMenu, 1, L"&Reset", ID_LOG_RESET);

    ASSERT_TRUE(SetMenuDefaultItem(popup, ID_TRAY_OPTIONS, FALSE));
    EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), static_cast<UINT>(ID_TRAY_OPTIONS));
    for (UINT id : {ID_LOG_OPEN, ID_LOG_RESET}) {
        EXPECT_NE(EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED), static_cast<BOOL>(-1)) << id;
        EXPECT_TRUE(GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) << id;
    }
    for (UINT id : {ID_TRAY_ABOUT, ID_TRAY_EXIT, ID_TRAY_OPTIONS})
        EXPECT_FALSE(GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) << id;
}

} // namespace
