// Where the window appears: a stored placement of the window's own size is
// restored exactly, anything else centres it on the work area.
#include "tests/e2e/e2e_fixture.h"

#include <cstdlib>

namespace e2e {
namespace {

using CPlacement = CEndToEnd;

std::string PlacementSettings(const char* rectangle)
{
    return std::string("<Application><Window minimized=\"false\"><Placement showCmd=\"1\" flags=\"0x00000000\" "
                       "ptMinPosition=\"-1,-1\" ptMaxPosition=\"-1,-1\" rcNormalPosition=\"") +
           rectangle + "\"/></Window><Suspend blanking=\"false\"/></Application>";
}

void ExpectCentred(HWND window)
{
    RECT work = {}, rect = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &rect);
    EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2) << rect.left << " in " << work.right;
    EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2) << rect.top << " in " << work.bottom;
}

TEST_F(CPlacement, PlacementOfTheWindowsSizeIsSavedAndRestored)
{
    RECT moved = {};
    {
        CTarvik tarvik;
        ASSERT_TRUE(tarvik.StartReady());
        ASSERT_TRUE(tarvik.Visible());
        ExpectCentred(tarvik.Sheet());
        RECT rect = {};
        GetWindowRect(tarvik.Sheet(), &rect);
        ASSERT_TRUE(SetWindowPos(tarvik.Sheet(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        moved = {37, 41, 37 + rect.right - rect.left, 41 + rect.bottom - rect.top};
        tarvik.PostCommand(ID_TRAY_EXIT);
        ASSERT_TRUE(tarvik.WaitExit());
    }
    {
        CSettingsFile saved;
        EXPECT_EQ(saved.Value(L"/Application/Window/Placement/@rcNormalPosition"),
                  L"37,41," + std::to_wstring(moved.right) + L"," + std::to_wstring(moved.bottom));
        EXPECT_EQ(saved.Value(L"/Application/Window/Placement/@showCmd"), L"1");
    }

    CTarvik again;
    ASSERT_TRUE(again.StartReady());
    RECT rect = {};
    GetWindowRect(again.Sheet(), &rect);
    EXPECT_TRUE(EqualRect(&rect, &moved)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
}

// A placement of another size, or a malformed one, centres the window; the
// rest of the settings still load.
TEST_F(CPlacement, PlacementOfAnotherSizeOrMalformedCentres)
{
    for (const char* rectangle : {"10,20,110,220", "10,20,110"}) {
        WriteSettings(PlacementSettings(rectangle));
        CTarvik tarvik;
        ASSERT_TRUE(tarvik.StartReady());
        ExpectCentred(tarvik.Sheet());
        EXPECT_FALSE(tarvik.Checked(IDC_BLANKING)) << rectangle;
    }
}

TEST_F(CPlacement, SaveWhileNeverShownWritesNoPlacement)
{
    WriteSettings("<Application><Window minimized=\"true\"/></Application>");
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    tarvik.PostCommand(ID_TRAY_EXIT);
    ASSERT_TRUE(tarvik.WaitExit());
    CSettingsFile saved;
    EXPECT_EQ(saved.Value(L"/Application/Window/@minimized"), L"true");
    EXPECT_EQ(saved.Value(L"/Application/Window/Placement"), L"<missing>");
}

} // namespace
} // namespace e2e
