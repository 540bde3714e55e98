#include "settings/settings_file.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class PlacementTest : public ::testing::Test
{
protected:
    // Loads a file with `window` as its "Window" element; the model is kept in `model`.
    WINDOWPLACEMENT Load(const std::string& window)
    {
        EXPECT_TRUE(WriteBytes(path, SettingsDocument("<Application>" + window +
                                                      "<Suspend allowed=\"false\"/>"
                                                      "</Application>")));
        WINDOWPLACEMENT placement{};
        model = CSettingsModel();
        EXPECT_TRUE(LoadSettings(path.c_str(), model, placement));
        EXPECT_FALSE(model.Suspend.allowed) << "the settings load whatever the placement";
        return placement;
    }

    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
    CSettingsModel model;
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

// Flags read back from hexadecimal; a short rectangle or a malformed point ends
// the reading there and keeps what was read before it.
TEST_F(PlacementTest, ReadingStopsAtTheFirstMalformedValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {"showCmd=\"0x3\" flags=\"0x00000002\" ptMinPosition=\"1,2\" ptMaxPosition=\"3,4\" rcNormalPosition=\"5,6,7,8\"",
         "length=44 flags=2 show=3 min=1,2 max=3,4 rect=5,6,7,8"},
        {"showCmd=\"1\" flags=\"0\" ptMinPosition=\"-1,-1\" ptMaxPosition=\"-8,-8\" rcNormalPosition=\"10,20,110\"",
         "length=44 flags=0 show=1 min=-1,-1 max=-8,-8 rect=0,0,0,0"},
        {"showCmd=\"1\" ptMinPosition=\"5,6\" ptMaxPosition=\"7\" rcNormalPosition=\"1,2,3,4\"",
         "length=44 flags=0 show=1 min=5,6 max=0,0 rect=0,0,0,0"},
        {"showCmd=\"junk\" flags=\"4294967296\" ptMaxPosition=\"7,8\" rcNormalPosition=\"1,2,3,4\"",
         "length=44 flags=0 show=0 min=0,0 max=0,0 rect=0,0,0,0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, PlacementText(Load(std::string("<Window minimized=\"1\"><Placement ") + c.first +
                                               "/></Window>")));
        EXPECT_TRUE(model.Window.minimized) << c.first;
    }
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

TEST_F(PlacementTest, AFileThatCannotBeLoadedLeavesThePlacementAlone)
{
    ASSERT_TRUE(WriteBytes(path, "<Application><Window>"));
    WINDOWPLACEMENT placement = Stored();
    CSettingsModel settings;
    EXPECT_FALSE(LoadSettings(path.c_str(), settings, placement));
    EXPECT_EQ(PlacementText(Stored()), PlacementText(placement));
}
