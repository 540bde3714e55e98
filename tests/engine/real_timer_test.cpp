#include <gtest/gtest.h>

#include <string>

#include "engine/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"
#include "log/logger.h"
#include "tests/log/log_test_file.h"
#include "tests/support/calendar.h"

// The real forwarder arms a real waitable timer: it signals when due. Setting
// a wake timer suspends nothing.
TEST(RealWakeTimer, ArmsAndSignals)
{
    CTestLogFile log(L"realtimer");
    ResetLog(log.Path());
    size_t start = log.Size();

    CSettingsModel model;
    model.AutoResume.enabled = true;
    model.AutoResume.mode = RESUME_EVERY;
    model.AutoResume.delay = 1; // the page would refuse it; the engine does not care
    CWindowsPowerSystem system;
    CPowerEngine engine(model, system);
    ASSERT_TRUE(engine.CreateWakeTimer());
    ASSERT_NE(nullptr, engine.WakeTimer());

    ASSERT_TRUE(engine.ArmWakeTimer());
    DWORD error = GetLastError();
    EXPECT_NE(static_cast<DWORD>(ERROR_NOT_SUPPORTED), error);
    std::printf("last error after arming the real timer: %lu\n", error);

    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(engine.WakeTimer(), 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(engine.WakeTimer(), 10000));
    EXPECT_TRUE(engine.CancelWakeTimer());

    std::vector<std::wstring> lines = SplitLines(log.Text(start));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, WithoutStamp(lines[0]).find(L"Automatic resume scheduled on "));
}

TEST(DateTimeText, IsShortDateSpaceAndTimeWithSeconds)
{
    SYSTEMTIME when = At(2026, 12, 5, 21, 30, 5);
    FILETIME moment{};
    ASSERT_TRUE(SystemTimeToFileTime(&when, &moment));
    wchar_t text[kDateTimeTextLength];
    int count = FormatDateTimeText(moment, text);
    EXPECT_EQ(static_cast<int>(wcslen(text)) + 1, count);
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = L"";
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SNAME, locale, LOCALE_NAME_MAX_LENGTH);
    if (std::wstring(locale) == L"en-US") {
        EXPECT_STREQ(L"12/5/2026 9:30:05 PM", text);
    } else if (std::wstring(locale) == L"de-DE") {
        EXPECT_NE(nullptr, wcsstr(text, L".12.2026 21:30:05"));
    } else {
        EXPECT_NE(nullptr, wcsstr(text, L"30:05"));
    }
}

TEST(DateTimeText, MomentBeyondTheCalendarFails)
{
    wchar_t text[kDateTimeTextLength];
    EXPECT_EQ(0, FormatDateTimeText(ToFileTime(0x8000000000000000ULL), text));
}
