// Option syntax, keyword matching, values, pending options and the reports.
#include "suspend/command_line.h"

#include "parse_helpers.h"

#include <gtest/gtest.h>

using Reports = std::vector<std::pair<std::wstring, int>>;

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
