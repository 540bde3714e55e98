// Start-up and the window as the user meets it: the data folder and the log,
// the tray icon and its menu, the window's states and where it appears.
#include "tests/e2e/e2e_fixture.h"

#include <cstdlib>

namespace e2e {
namespace {

using CWindow = CEndToEnd;

// Opens the menu with a right click on the icon, presses `keys` and waits until
// the menu is gone: any command it chose is then queued for the window.
// Keys reach greyed items too, which then do nothing.
void ChooseFromMenu(const CTarvik& tarvik, std::initializer_list<UINT> keys)
{
    tarvik.TrayEvent(WM_CONTEXTMENU);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() != nullptr; })) << "no menu";
    for (UINT key : keys)
        tarvik.Post(tarvik.Sheet(), WM_KEYDOWN, key, 0);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() == nullptr; })) << "the menu stays open";
}

// The menu's rectangle while it is open; it then closes with Escape.
RECT MenuRect(const CTarvik& tarvik)
{
    RECT rect = {};
    EXPECT_TRUE(WaitFor([&] { return tarvik.OpenMenu() != nullptr; })) << "no menu";
    GetWindowRect(tarvik.OpenMenu(), &rect);
    tarvik.Post(tarvik.Sheet(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return tarvik.OpenMenu() == nullptr; })) << "the menu stays open";
    return rect;
}

// The first start makes the data folder and a log that begins with its
// header. Either button on the tray icon opens the menu at the point the
// shell names, its right edge there; a double-click and Enter on the focused
// icon show the hidden window instead, Enter with the General page as the
// menu's default item does. The menu selects the pages, Log File > Reset
// begins the log anew with the same header, Keep awake > Until I stop it
// lasts until the program ends and is not saved, and Exit saves.
TEST_F(CWindow, FirstStartLogsTheHeaderAndTheTrayIconAndMenuDriveTheWindowAndTheLog)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"))
        << "the first permission entry in the data folder";
    EXPECT_EQ(ReadBytes(LogPath()).substr(0, 2), "\xFF\xFE");
    std::vector<std::wstring> header = LogLines();
    ASSERT_EQ(header.size(), 7u);
    EXPECT_EQ(header[0], L"Tarvik");
    EXPECT_EQ(header[4], kSeparator);
    EXPECT_EQ(WithoutStamp(header[5]), kStarting);
    EXPECT_TRUE(tarvik.Visible());
    EXPECT_FALSE(FileExists(SettingsPath())) << "nothing saved before Apply or Exit";

    const auto hideOnAbout = [&] {
        tarvik.Command(ID_TRAY_ABOUT);
        HWND about = tarvik.Page(CTarvik::kAboutPage);
        ASSERT_TRUE(about) << "the About page was not made";
        EXPECT_EQ(tarvik.CurrentPage(), about);
        tarvik.Command(IDOK);
        ASSERT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    };
    hideOnAbout();
    for (const auto& [button, x] :
         {std::pair<UINT, LONG>{WM_CONTEXTMENU, 600}, {NIN_SELECT, 500}}) {
        tarvik.TrayEvent(button, {x, 300});
        const RECT menu = MenuRect(tarvik);
        EXPECT_EQ(menu.right, x);
        EXPECT_EQ(menu.top, 300);
    }
    EXPECT_FALSE(tarvik.Visible()) << "a menu showed the window";
    // A shell may report the release of the second click as a selection too.
    for (UINT event : std::initializer_list<UINT>{NIN_SELECT, WM_LBUTTONDBLCLK, NIN_SELECT})
        tarvik.TrayEvent(event);
    EXPECT_TRUE(WaitFor([&] { return tarvik.Visible(); })) << "the double-click did not show it";
    // Twice the double-click time: a menu waiting for it would be open by then.
    EXPECT_FALSE(WaitFor([&] { return tarvik.OpenMenu() != nullptr; }, 2 * GetDoubleClickTime()))
        << "a menu opened after the double-click";
    hideOnAbout();
    tarvik.Command(ID_TRAY_OPTIONS);
    EXPECT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    EXPECT_EQ(tarvik.CurrentPage(), tarvik.General());
    hideOnAbout();
    tarvik.TrayEvent(NIN_KEYSELECT);
    EXPECT_TRUE(WaitFor([&] { return tarvik.Visible(); })) << "Enter did not show the window";
    EXPECT_EQ(tarvik.CurrentPage(), tarvik.General());
    EXPECT_EQ(tarvik.OpenMenu(), nullptr);

    // Log File > Reset.
    ChooseFromMenu(tarvik, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(WaitFor([] { return LogEvents() == std::vector<std::wstring>{kStarting}; }))
        << "Reset did not begin the log anew";
    header.resize(5);
    const std::vector<std::wstring> reset = LogLines();
    ASSERT_EQ(reset.size(), 6u);
    EXPECT_EQ(std::vector<std::wstring>(reset.begin(), reset.begin() + 5), header);

    ChooseFromMenu(tarvik,
                   {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(WaitForLogEvent(L"Kept awake until stopped"));
    ChooseFromMenu(tarvik, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}); // Exit
    ASSERT_TRUE(tarvik.WaitExit());
    EXPECT_EQ(LogEvents(), (std::vector<std::wstring>{kStarting, L"Kept awake until stopped",
                                                      L"Keep awake ended", kStopping}));
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"true") << "not saved";
    EXPECT_EQ(Saved(L"/Application/KeepAwake"), L"<missing>") << "keep-awake was saved";
}

void ExpectCentred(HWND window)
{
    RECT work = {}, rect = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &rect);
    EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2)
        << rect.left << " in " << work.right;
    EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2)
        << rect.top << " in " << work.bottom;
}

// The window opens centred; moved, its placement is saved at the end and
// restored. A placement of another size, or a malformed one, centres it; the
// rest of the settings still load.
TEST_F(CWindow, PlacementIsSavedAndRestoredAndAnotherSizeOrAMalformedOneCentres)
{
    RECT moved = {};
    {
        CTarvik tarvik;
        ASSERT_TRUE(tarvik.StartReady());
        ASSERT_TRUE(tarvik.Visible());
        ExpectCentred(tarvik.Sheet());
        GetWindowRect(tarvik.Sheet(), &moved);
        OffsetRect(&moved, 37 - moved.left, 41 - moved.top);
        ASSERT_TRUE(SetWindowPos(tarvik.Sheet(), nullptr, 37, 41, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        tarvik.PostCommand(ID_TRAY_EXIT);
        ASSERT_TRUE(tarvik.WaitExit());
    }
    EXPECT_EQ(Saved(L"/Application/Window/Placement/@rcNormalPosition"),
              L"37,41," + std::to_wstring(moved.right) + L"," + std::to_wstring(moved.bottom));
    EXPECT_EQ(Saved(L"/Application/Window/Placement/@showCmd"), L"1");
    {
        CTarvik again;
        ASSERT_TRUE(again.StartReady());
        RECT rect = {};
        GetWindowRect(again.Sheet(), &rect);
        EXPECT_TRUE(EqualRect(&rect, &moved))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }
    for (const char* rectangle : {"10,20,110,220", "10,20,110"}) {
        WriteSettings(
            std::string(
                "<Application><Window minimized=\"false\"><Placement showCmd=\"1\" flags=\"0\" "
                "ptMinPosition=\"-1,-1\" ptMaxPosition=\"-1,-1\" rcNormalPosition=\"") +
            rectangle + "\"/></Window><Suspend blanking=\"false\"/></Application>");
        CTarvik tarvik;
        ASSERT_TRUE(tarvik.StartReady());
        ExpectCentred(tarvik.Sheet());
        EXPECT_FALSE(tarvik.Checked(IDC_BLANKING)) << rectangle;
    }
}

} // namespace
} // namespace e2e
