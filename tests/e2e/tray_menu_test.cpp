// The tray icon's callbacks and menu, and the window states they switch.
// Menu items are chosen with the keyboard, as a user can: a greyed item is
// reachable but does nothing, which is how its state is seen from outside.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CTrayMenu = CEndToEnd;

// Opens the menu with a click on the icon, presses `keys` and waits until
// the menu is gone: any command it chose is then queued for the window.
void ChooseFromMenu(const CTarvik& tarvik, UINT click, std::initializer_list<UINT> keys)
{
    tarvik.TrayEvent(click);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() != nullptr; })) << "no menu";
    for (UINT key : keys)
        tarvik.Post(tarvik.Sheet(), WM_KEYDOWN, key, 0);
    ASSERT_TRUE(WaitFor([&] { return tarvik.OpenMenu() == nullptr; })) << "the menu stays open";
}

const std::initializer_list<UINT> kChooseOpen = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN};
const std::initializer_list<UINT> kChooseReset = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN};

TEST_F(CTrayMenu, OptionsAndAboutSelectTheirPage)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    tarvik.Command(ID_TRAY_ABOUT);
    HWND about = tarvik.Page(1);
    ASSERT_TRUE(about) << "the About page was not made";
    EXPECT_EQ(tarvik.CurrentPage(), about);
    EXPECT_TRUE(HasPrefix(WindowText(GetDlgItem(about, IDC_VERSION)), L"Version "));

    tarvik.Command(IDOK);
    ASSERT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    tarvik.Command(ID_TRAY_OPTIONS);
    EXPECT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    EXPECT_EQ(tarvik.CurrentPage(), tarvik.General());

    // From the menu itself: the third item is About.
    ChooseFromMenu(tarvik, WM_RBUTTONDOWN, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return tarvik.CurrentPage() == about; }));
    // A left click opens the same menu; Escape closes it, choosing nothing.
    ChooseFromMenu(tarvik, WM_LBUTTONDOWN, {VK_ESCAPE});
    EXPECT_EQ(tarvik.CurrentPage(), about);
    EXPECT_TRUE(tarvik.Running());
}

TEST_F(CTrayMenu, LogItemsAreGreyedWhileTheLogFileIsMissing)
{
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(L"Automatic suspend allowed"));

    // Move the data folder away under the running program (Wine lets a
    // folder move with a file open inside; the open log moves with it).
    const std::wstring folder = DataFolder();
    const std::wstring company = folder.substr(0, folder.find_last_of(L'\\'));
    const std::wstring moved = company + L" (moved)";
    const std::wstring movedLog = moved + L"\\Tarvik\\Tarvik.txt";
    RemoveDirectoryW(moved.c_str());
    ASSERT_TRUE(MoveFileW(company.c_str(), moved.c_str())) << GetLastError();
    struct CMoveBack
    {
        std::wstring from, to;
        ~CMoveBack()
        {
            if (!from.empty())
                MoveFileW(from.c_str(), to.c_str());
        }
    } moveBack{moved, company};

    // Reset greyed: the log stays open, so a later event still reaches it.
    ChooseFromMenu(tarvik, WM_RBUTTONDOWN, kChooseReset);
    tarvik.Post(tarvik.Sheet(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    const std::wstring suspendEntry = L"System entering a suspend state by system or user request";
    EXPECT_TRUE(WaitForLogEvent(suspendEntry, movedLog)) << "Reset ran although the log file is missing";

    // Open greyed: no shell error about a missing file.
    const size_t before = LogLines(movedLog).size();
    ChooseFromMenu(tarvik, WM_RBUTTONDOWN, kChooseOpen);
    tarvik.Post(tarvik.Sheet(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(WaitForLogEvent(suspendEntry, movedLog, before));
    HWND error = tarvik.OwnedDialog();
    EXPECT_FALSE(error) << "Open ran although the log file is missing";
    if (error)
        tarvik.Post(error, WM_COMMAND, IDOK, 0);

    // Back in place, the menu is made anew: Reset now empties the log.
    ASSERT_TRUE(MoveFileW(moved.c_str(), company.c_str()));
    moveBack.from.clear();
    ChooseFromMenu(tarvik, WM_RBUTTONDOWN, kChooseReset);
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
    ChooseFromMenu(tarvik, WM_RBUTTONDOWN, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(tarvik.WaitExit());
    const std::vector<std::wstring> events = LogEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), kStopping);
    EXPECT_EQ(CSettingsFile().Value(L"/Application/Suspend/@allowed"), L"false");
}

} // namespace
} // namespace e2e
