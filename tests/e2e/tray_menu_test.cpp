// The tray icon's callbacks and menu, and the window states they switch.
// Menu items are chosen with the keyboard, as a user can: a greyed item is
// reachable but does nothing, which is how its state is seen from outside.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CTrayMenu = CEndToEnd;

// Opens the menu with a right click on the icon, presses `keys` and waits until
// the menu is gone: any command it chose is then queued for the window.
void ChooseFromMenu(const CTarvik& tarvik, std::initializer_list<UINT> keys)
{
    tarvik.TrayEvent(WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() != nullptr; })) << "no menu";
    for (UINT key : keys)
        tarvik.Post(tarvik.Sheet(), WM_KEYDOWN, key, 0);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() == nullptr; })) << "the menu stays open";
}

TEST_F(CTrayMenu, OptionsAndAboutSelectTheirPage)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    tarvik.Command(ID_TRAY_ABOUT);
    HWND about = tarvik.Page(1);
    ASSERT_TRUE(about) << "the About page was not made";
    EXPECT_EQ(tarvik.CurrentPage(), about);

    tarvik.Command(IDOK);
    ASSERT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    tarvik.Command(ID_TRAY_OPTIONS);
    EXPECT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    EXPECT_EQ(tarvik.CurrentPage(), tarvik.General());

    // From the menu itself: the third item is About.
    ChooseFromMenu(tarvik, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return tarvik.CurrentPage() == about; }));
}

TEST_F(CTrayMenu, ResetFromTheMenuBeginsTheLogAnew)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));
    ChooseFromMenu(tarvik, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(WaitFor([] {
        const std::vector<std::wstring> lines = LogLines();
        return !lines.empty() && lines.size() <= 6 && LogEvents() == std::vector<std::wstring>{kStarting};
    })) << "Reset did not begin the log anew";
    EXPECT_EQ(ReadBytes(LogPath()).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(LogLines()[0], L"Tarvik");
}

TEST_F(CTrayMenu, ExitFromTheMenuSavesAndStops)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    tarvik.Click(IDC_ALLOW_SUSPEND); // the model follows the box at once
    ChooseFromMenu(tarvik, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(tarvik.WaitExit());
    const std::vector<std::wstring> events = LogEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), kStopping);
    EXPECT_EQ(CSettingsFile().Value(L"/Application/Suspend/@allowed"), L"false");
}

} // namespace
} // namespace e2e
