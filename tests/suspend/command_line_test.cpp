// Option syntax, keyword matching, values, pending options and the reports.
#include "suspend/command_line.h"

#include "common/version_info.h"
#include "parse_helpers.h"
#include "system_text.h"
#include "suspend/keyword_table.h"

#include <gtest/gtest.h>

#include <fcntl.h>

using Reports = std::vector<std::pair<std::wstring, int>>;

TEST(KeywordMatching, AbbreviationsIgnoreCaseAndNeverExceedTheKeyword)
{
    const CKeyword table[] = {{L"hibernate", 1}, {L"help", 2}, {L"?", 4}};
    EXPECT_EQ(0, FindKeyword(table, L"h"));
    EXPECT_EQ(0, FindKeyword(table, L"HIB"));
    EXPECT_EQ(0, FindKeyword(table, L"Hibernate"));
    EXPECT_EQ(1, FindKeyword(table, L"he"));
    EXPECT_EQ(1, FindKeyword(table, L"HELP"));
    EXPECT_EQ(-1, FindKeyword(table, L"hibernates"));
    EXPECT_EQ(-1, FindKeyword(table, L"helper"));
    EXPECT_EQ(-1, FindKeyword(table, L"hx"));
    EXPECT_EQ(-1, FindKeyword(table, L""));
    EXPECT_EQ(2, FindKeyword(table, L"?"));
    EXPECT_EQ(-1, FindKeyword(table, L"??"));

    EXPECT_EQ(L"hibernate,?", JoinKeywords(table, 1 | 4 | 8));
    EXPECT_EQ(L"", JoinKeywords(table, 0));
}

TEST(ToolOptions, AbbreviationsSelectTheFirstMatchingOption)
{
    struct CCase
    {
        const wchar_t* argument;
        DWORD flags;
        bool help;
    };
    const CCase cases[] = {
        {L"/h", OPTION_HIBERNATE, false},     {L"/hi", OPTION_HIBERNATE, false},
        {L"/hib", OPTION_HIBERNATE, false},   {L"/H", OPTION_HIBERNATE, false},
        {L"-hibernate", OPTION_HIBERNATE, false}, {L"/hibernation", OPTION_HIBERNATE, false},
        {L"/hiberna", OPTION_HIBERNATE, false}, {L"/hibernationx", 0, true},
        {L"/he", 0, true},                    {L"/HELP", 0, true},
        {L"/?", 0, true},                     {L"/f", OPTION_FORCE, false},
        {L"/force:x", OPTION_FORCE, false},   {L"/n", OPTION_NO_WAKE, false},
        {L"/no", OPTION_NO_WAKE, false},      {L"/notarvik", OPTION_NO_WAKE, false},
        {L"/now", OPTION_NO_WAKE, false},     {L"/nowake", OPTION_NO_WAKE, false},
        {L"/nowakes", 0, true},               {L"/d", 0, false},
    };
    for (const CCase& c : cases) {
        CRecordingConsole console;
        console.Parse({c.argument});
        EXPECT_EQ(c.flags, console.OptionFlags()) << c.argument;
        EXPECT_EQ(c.help, console.HelpRequested()) << c.argument;
        EXPECT_EQ(c.help, console.HasProblems()) << c.argument;
    }
}

TEST(ToolOptions, BitsAccumulateAndTheLastLevelWins)
{
    CRecordingConsole console;
    console.Parse({L"/f", L"/display:none", L"/h", L"/f", L"/display:normal"});
    EXPECT_EQ(OPTION_FORCE | OPTION_HIBERNATE, console.OptionFlags());
    EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel());
    EXPECT_FALSE(console.HasProblems());
}

TEST(CommonOptions, HelpReturnsItsIndex)
{
    CRecordingConsole console;
    console.Parse({L"/he", L"/?"});
    ASSERT_EQ(2u, console.reports.size());
    EXPECT_EQ(1, console.reports[0].second);
    EXPECT_EQ(2, console.reports[1].second);
    EXPECT_TRUE(console.HelpRequested());
    EXPECT_TRUE(console.InvalidValuesReport().empty());
    EXPECT_TRUE(console.UnknownParametersReport().empty());
}

TEST(DisplayOption, LevelsAllowedByTheTool)
{
    CRecordingConsole none;
    none.Parse({L"/display:NO"});
    EXPECT_EQ(LEVEL_NONE, none.DisplayLevel());
    CRecordingConsole n;
    n.Parse({L"/display:n"});
    EXPECT_EQ(LEVEL_NONE, n.DisplayLevel());
    CRecordingConsole nor;
    nor.Parse({L"/display:none", L"/display:nor"});
    EXPECT_EQ(LEVEL_NORMAL, nor.DisplayLevel());
    EXPECT_FALSE(nor.HasProblems());

    for (const wchar_t* rejected : {L"/display:verbose", L"/display:p", L"/display:loud", L"/display:nonee"}) {
        CRecordingConsole console;
        console.Parse({rejected});
        EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel()) << rejected;
        EXPECT_EQ(L"\t/display (expected: none,normal)\n", console.InvalidValuesReport()) << rejected;
        EXPECT_TRUE(console.ExpectedValues().empty());
        EXPECT_FALSE(console.HelpRequested());
        EXPECT_TRUE(console.HasProblems());
    }
}

TEST(DisplayOption, ModesAreSetAtOnceAndRejectedOnesListed)
{
    CRecordingConsole spaced;
    spaced.Parse({L"/display", L"normal", L"utf8"});
    CRecordingConsole colon;
    colon.Parse({L"/display:normal,utf8"});
    EXPECT_EQ(std::vector<int>{_O_U8TEXT}, spaced.stream.modes);
    EXPECT_EQ(std::vector<int>{_O_U8TEXT}, colon.stream.modes);
    EXPECT_FALSE(spaced.HasProblems());
    EXPECT_FALSE(colon.HasProblems());

    CRecordingConsole u;
    u.Parse({L"/display:none;u", L"/display:,text"});
    EXPECT_EQ((std::vector<int>{_O_U16TEXT, _O_TEXT}), u.stream.modes);
    EXPECT_EQ(LEVEL_NONE, u.DisplayLevel());

    // A rejected mode keeps the accepted level.
    CRecordingConsole bad;
    bad.Parse({L"/display:none;xx"});
    EXPECT_EQ(LEVEL_NONE, bad.DisplayLevel());
    EXPECT_TRUE(bad.stream.modes.empty());
    EXPECT_EQ(L"\t/display (expected: text,unicode,utf8)\n", bad.InvalidValuesReport());

    // A rejected level leaves the mode unread.
    CRecordingConsole badLevel;
    badLevel.Parse({L"/display:loud=utf8"});
    EXPECT_TRUE(badLevel.stream.modes.empty());
    EXPECT_EQ(L"\t/display (expected: none,normal)\n", badLevel.InvalidValuesReport());
}

TEST(DisplayOption, EmptyOrMissingValuesChangeNothing)
{
    for (const wchar_t* argument : {L"/display:", L"/display", L"/display:,", L"/display:\"\""}) {
        CRecordingConsole console;
        console.Parse({argument});
        EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel()) << argument;
        EXPECT_TRUE(console.stream.modes.empty()) << argument;
        EXPECT_FALSE(console.HasProblems()) << argument;
    }

    // Three values are too many and name no expected list.
    CRecordingConsole three;
    three.Parse({L"/display", L"a", L"b", L"c"});
    EXPECT_EQ(L"\t/display\n", three.InvalidValuesReport());
    EXPECT_EQ(LEVEL_NORMAL, three.DisplayLevel());
}

TEST(OptionValues, SeparatorsAndQuotes)
{
    CRecordingConsole console;
    console.Parse({L"/force:a,b;c=d", L"/force:\"x,y\"tail;\"\"", L"/force:,;", L"/force:\"a:b\",c"});
    ASSERT_EQ(4u, console.calls.size());
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c", L"d"}), console.calls[0].values);
    EXPECT_EQ((std::vector<std::wstring>{L"x,y", L""}), console.calls[1].values);
    EXPECT_EQ((std::vector<std::wstring>{L"", L"", L""}), console.calls[2].values);
    // Only the first colon ends the name.
    EXPECT_EQ(L"force", console.calls[3].name);
    EXPECT_EQ((std::vector<std::wstring>{L"a:b", L"c"}), console.calls[3].values);
    // The reported argument ends before the colon.
    for (const auto& report : console.reports)
        EXPECT_EQ(L"/force", report.first);
    EXPECT_FALSE(console.HasProblems());
}

TEST(OptionValues, MissingQuoteAndThirtyThirdValueAreInvalid)
{
    std::wstring thirtyTwo = L"/force:";
    for (int i = 0; i < 32; ++i)
        thirtyTwo += (i ? L"," : L"") + std::to_wstring(i);
    const std::wstring thirtyThree = thirtyTwo + L",32";

    CRecordingConsole console;
    console.Parse(CArguments(std::vector<std::wstring>{thirtyTwo, thirtyThree, L"/hib:\"open", L"/h:a,\"b"}));
    ASSERT_EQ(1u, console.calls.size());
    EXPECT_EQ(32u, console.calls[0].values.size());
    EXPECT_EQ(L"31", console.calls[0].values[31]);
    EXPECT_EQ((Reports{{L"/force", 0}, {L"/force", -3}, {L"/hib", -3}, {L"/h", -3}}), console.reports);
    EXPECT_EQ(L"\t/force\n\t/hib\n\t/h\n", console.InvalidValuesReport());
    EXPECT_EQ(OPTION_FORCE, console.OptionFlags());
}

TEST(PlainArguments, BelongToThePendingOption)
{
    CRecordingConsole console;
    console.Parse({L"/force", L"-5", L"x", L"/h", L"-5", L"word", L"/", L"-", L"/:v", L"/xyz", L"p"});
    ASSERT_EQ(3u, console.calls.size());
    EXPECT_EQ((std::vector<std::wstring>{L"-5", L"x"}), console.calls[0].values);
    EXPECT_EQ((std::vector<std::wstring>{L"-5", L"word"}), console.calls[1].values);
    EXPECT_EQ(L"xyz", console.calls[2].name);
    EXPECT_EQ(std::vector<std::wstring>{L"p"}, console.calls[2].values);
    EXPECT_EQ((Reports{{L"/force", 0}, {L"/h", 0}, {L"/", -1}, {L"-", -1}, {L"/", -1}, {L"/xyz", -1}}),
              console.reports);
    EXPECT_EQ(L"\t/\n\t-\n\t/\n\t/xyz\n", console.UnknownParametersReport());
    EXPECT_EQ(OPTION_FORCE | OPTION_HIBERNATE, console.OptionFlags());
}

TEST(PlainArguments, WithoutPendingOptionAreUnknown)
{
    CRecordingConsole console;
    console.Parse({L"-5", L"word", L"", L"/display:none", L"-0x"});
    EXPECT_EQ((Reports{{L"-5", -2}, {L"word", -2}, {L"", -2}, {L"/display", 0}, {L"-0x", -2}}), console.reports);
    EXPECT_EQ(L"\t-5\n\tword\n\t\n\t-0x\n", console.UnknownParametersReport());
    EXPECT_TRUE(console.HelpRequested());
}

TEST(ParseReport, UsageComesBeforeTheListsWithSeparators)
{
    CRecordingConsole console;
    console.Parse({L"word", L"/display:verbose", L"/xyz", L"/display", L"a", L"b", L"c"});
    console.WriteParseReport();
    const std::wstring expected = std::wstring(L"Usage:\n\n  suspend_tests ") + console.UsageText() +
                                  L"\n"
                                  L"Invalid parameter value(s):\n\n"
                                  L"\t/display (expected: none,normal)\n"
                                  L"\t/display\n"
                                  L"\n"
                                  L"Unknown parameter(s):\n\n"
                                  L"\tword\n"
                                  L"\t/xyz\n"
                                  L"\n";
    EXPECT_EQ(expected, console.stream.output);
}

TEST(ParseReport, InvalidValuesAloneShowNoUsage)
{
    CRecordingConsole console;
    console.Parse({L"/display:normal;xx"});
    console.WriteText(L"before");
    console.WriteParseReport();
    EXPECT_EQ(L"beforeInvalid parameter value(s):\n\n\t/display (expected: text,unicode,utf8)\n\n",
              console.stream.output);
}

TEST(ParseReport, PendingErrorIsAnErrorLineWithItsCode)
{
    CRecordingConsole console;
    console.SetPendingError(L"Cannot read 100%", static_cast<HRESULT>(0x80070005));
    EXPECT_TRUE(console.HasProblems());
    EXPECT_TRUE(console.ShouldRun());
    console.WriteParseReport();
    EXPECT_EQ(L"ERROR: Cannot read 100%\n" + SystemText(5) + L" (5)\n\n", console.stream.output);
}

TEST(ParseReport, NothingAtLevelNone)
{
    CRecordingConsole console;
    console.Parse({L"/display:none", L"/x", L"/display:verbose"});
    EXPECT_TRUE(console.HasProblems());
    console.WriteBanner();
    console.WriteParseReport();
    EXPECT_TRUE(console.stream.pieces.empty());
}

TEST(Banner, DescriptionAndEmptyLineAlways)
{
    CRecordingConsole console;
    console.WriteBanner();
    CConsoleVersionInfo version;
    std::wstring expected;
    std::wstring line;
    if (version.TitleLine(line))
        expected += line + L"\n";
    expected += L"Shuts power down and either enters a sleep state or hibernation.\n";
    if (version.GetString(L"LegalCopyright", line))
        expected += line + L"\n";
    expected += L"\n";
    EXPECT_EQ(expected, console.stream.output);
}
