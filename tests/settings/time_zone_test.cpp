// Local times and their UTC texts in a zone with summer time. These run when
// the test program is started with TZ=Europe/Berlin (a second ctest entry).
#include "settings/settings_file.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class BerlinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t zone[64] = L"";
        GetEnvironmentVariableW(L"TZ", zone, 64);
        if (std::wstring(zone) != L"Europe/Berlin")
            GTEST_SKIP() << "needs TZ=Europe/Berlin";
    }
    std::wstring SavedTime(const SYSTEMTIME& local)
    {
        CSettingsModel model;
        model.AutoResume.time = local;
        WINDOWPLACEMENT placement{};
        EXPECT_TRUE(SaveSettings(path.c_str(), model, placement));
        std::string bytes = ReadBytes(path);
        size_t at = bytes.find("time=\"");
        if (at == std::string::npos)
            return L"";
        at += 6;
        return Utf8ToWide(bytes.substr(at, bytes.find('"', at) - at));
    }
    SYSTEMTIME LoadedTime(const std::string& text)
    {
        EXPECT_TRUE(WriteBytes(path, SettingsDocument("<Application><AutoResume time=\"" + text +
                                                      "\"/></Application>")));
        CSettingsModel model;
        model.AutoResume.time = SYSTEMTIME{};
        WINDOWPLACEMENT placement{};
        EXPECT_TRUE(LoadSettings(path.c_str(), model, placement));
        return model.AutoResume.time;
    }

    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
};

SYSTEMTIME Local(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD ms)
{
    return SYSTEMTIME{year, month, 0, day, hour, minute, 0, ms};
}

} // namespace

// Whatever today's offset is, January is one hour ahead of UTC and July two.
TEST_F(BerlinTest, EachDateUsesItsOwnOffset)
{
    EXPECT_EQ(L"2027-01-15T11:00:00.000Z", SavedTime(Local(2027, 1, 15, 12, 0, 0)));
    EXPECT_EQ(L"2027-07-15T10:00:00.456Z", SavedTime(Local(2027, 7, 15, 12, 0, 456)));
    EXPECT_EQ(L"2026-12-31T23:30:00.000Z", SavedTime(Local(2027, 1, 1, 0, 30, 0)));
    const std::pair<const char*, SYSTEMTIME> loads[] = {
        {"2026-12-05T20:30:00.000Z", Local(2026, 12, 5, 21, 30, 0)},
        {"2026-06-30T22:15:00.999Z", Local(2026, 7, 1, 0, 15, 999)},
    };
    for (const auto& c : loads) {
        const SYSTEMTIME loaded = LoadedTime(c.first);
        EXPECT_TRUE(SameTime(c.second, loaded)) << c.first << " came back as " << TimeText(loaded);
    }
}

TEST_F(BerlinTest, TimesAroundTheChangesSurviveASaveAndALoad)
{
    // The last Sundays of March and October 2027: 28 March and 31 October.
    for (const SYSTEMTIME& local :
         {Local(2027, 3, 28, 1, 59, 999), Local(2027, 3, 28, 3, 0, 0),
          Local(2027, 10, 31, 1, 59, 0), Local(2027, 10, 31, 3, 0, 1)}) {
        CSettingsModel saved;
        saved.AutoResume.time = local;
        WINDOWPLACEMENT placement{};
        ASSERT_TRUE(SaveSettings(path.c_str(), saved, placement));
        CSettingsModel loaded;
        ASSERT_TRUE(LoadSettings(path.c_str(), loaded, placement));
        EXPECT_TRUE(SameTime(local, loaded.AutoResume.time))
            << TimeText(local) << " came back as " << TimeText(loaded.AutoResume.time);
    }
}
