#include "settings/settings_file.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

namespace {

class PlacementTest : public ::testing::Test
{
protected:
    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
};

WINDOWPLACEMENT Stored()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.flags = WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWMINIMIZED;
    placement.ptMinPosition = POINT{-32000, -32000};
    placement.ptMaxPosition = POINT{-1, 0};
    placement.rcNormalPosition = RECT{-1200, 35, -780, 515};
    return placement;
}

} // namespace

TEST_F(PlacementTest, ASavedPlacementIsRestoredExactly)
{
    const WINDOWPLACEMENT saved = Stored();
    CSettingsModel settings;
    settings.Window.minimized = true;
    ASSERT_TRUE(SaveSettings(path.c_str(), settings, saved));

    WINDOWPLACEMENT loaded{};
    CSettingsModel read;
    ASSERT_TRUE(LoadSettings(path.c_str(), read, loaded));
    EXPECT_EQ(PlacementText(saved), PlacementText(loaded));
    EXPECT_TRUE(read.Window.minimized) << "minimized and the placement share one element";
}

TEST_F(PlacementTest, AMissingPlacementClearsTheShowStateAndStoresNoPosition)
{
    for (const char* window : {"", "<Window minimized=\"false\"/>"}) {
        EXPECT_TRUE(WriteBytes(path, SettingsDocument(std::string("<Application>") + window +
                                                      "</Application>")));
        WINDOWPLACEMENT placement{};
        placement.showCmd = SW_SHOWMAXIMIZED;
        placement.flags = WPF_RESTORETOMAXIMIZED;
        CSettingsModel settings;
        ASSERT_TRUE(LoadSettings(path.c_str(), settings, placement));
        EXPECT_EQ("length=44 flags=0 show=0 min=0,0 max=0,0 rect=0,0,0,0",
                  PlacementText(placement))
            << window;
    }
}
