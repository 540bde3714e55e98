// Option syntax, keyword matching, values, pending options and the reports.
#include "suspend/command_line.h"

#include "test_console.h"

#include <gtest/gtest.h>

#include <random>

using Reports = std::vector<std::pair<std::wstring, int>>;
using Values = std::vector<std::wstring>;

// "hibernation" and "nowake" come after the first three keywords, so the
// short forms keep their old meaning; a word longer than its keyword is none.
TEST(ToolOptions, AbbreviationsSelectTheFirstMatchingOption)
{
    const struct
    {
        const wchar_t* argument;
        DWORD flags;
        bool help;
    } cases[] = {
        {L"/h", OPTION_HIBERNATE, false},         {L"/hi", OPTION_HIBERNATE, false},
        {L"/hib", OPTION_HIBERNATE, false},       {L"/H", OPTION_HIBERNATE, false},
        {L"-hibernate", OPTION_HIBERNATE, false}, {L"/hibernation", OPTION_HIBERNATE, false},
        {L"/hibernationx", 0, true},              {L"/he", 0, true},
        {L"/?", 0, true},                         {L"/f", OPTION_FORCE, false},
        {L"/n", OPTION_NO_WAKE, false},           {L"/no", OPTION_NO_WAKE, false},
        {L"/notarvik", OPTION_NO_WAKE, false},    {L"/now", OPTION_NO_WAKE, false},
        {L"/nowake", OPTION_NO_WAKE, false},      {L"/nowakes", 0, true},
        {L"/d", 0, false},
    };
    for (const auto& c : cases) {
        CTestConsole console;
        console.Parse({c.argument});
        EXPECT_EQ(c.flags, console.OptionFlags()) << c.argument;
        EXPECT_EQ(c.help, console.HelpRequested()) << c.argument;
        EXPECT_EQ(c.help, console.HasProblems()) << c.argument;
    }
}

// A level "no" is none, "nor" normal; a longer or another word is invalid.
TEST(DisplayOption, LevelsAllowedByTheTool)
{
    const std::pair<std::vector<std::wstring>, int> levels[] = {
        {{L"/display:NO"}, LEVEL_NONE},
        {{L"/display:n"}, LEVEL_NONE},
        {{L"/display:none", L"/display:nor"}, LEVEL_NORMAL},
    };
    for (const auto& c : levels) {
        CTestConsole console;
        console.Parse(c.first);
        EXPECT_EQ(c.second, console.DisplayLevel()) << c.first.back();
        EXPECT_FALSE(console.HasProblems());
    }
    for (const wchar_t* rejected : {L"/display:verbose", L"/display:p", L"/display:nonee"}) {
        CTestConsole console;
        console.Parse({rejected});
        EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel()) << rejected;
        EXPECT_EQ(L"\t/display (expected: none,normal)\n", console.InvalidValuesReport()) << rejected;
        EXPECT_FALSE(console.HelpRequested());
        EXPECT_TRUE(console.HasProblems());
    }
}

TEST(OptionValues, SeparatorsQuotesAndTheirLimits)
{
    std::wstring thirtyTwo = L"/force:0";
    for (int i = 1; i < 32; ++i)
        thirtyTwo += L"," + std::to_wstring(i);
    CTestConsole console;
    console.Parse({L"/force:a,b;c=d", L"/force:\"x,y\"tail;\"\"", L"/force:\"a:b\",c", thirtyTwo,
                   thirtyTwo + L",32", L"/hib:\"open", L"/h:a,\"b"});
    ASSERT_EQ(4u, console.calls.size());
    EXPECT_EQ((Values{L"a", L"b", L"c", L"d"}), console.calls[0].second);
    EXPECT_EQ((Values{L"x,y", L""}), console.calls[1].second);
    // Only the first colon ends the name.
    EXPECT_EQ(L"force", console.calls[2].first);
    EXPECT_EQ((Values{L"a:b", L"c"}), console.calls[2].second);
    EXPECT_EQ(32u, console.calls[3].second.size());
    EXPECT_EQ(L"31", console.calls[3].second[31]);
    // A 33rd value and a missing closing quote make the value invalid.
    EXPECT_EQ((Reports{{L"/force", 0}, {L"/force", 0}, {L"/force", 0}, {L"/force", 0}, {L"/force", -3},
                       {L"/hib", -3}, {L"/h", -3}}),
              console.reports);
    EXPECT_EQ(L"\t/force\n\t/hib\n\t/h\n", console.InvalidValuesReport());
    EXPECT_EQ(OPTION_FORCE, console.OptionFlags());
}

TEST(PlainArguments, BelongToThePendingOption)
{
    CTestConsole console;
    console.Parse({L"/force", L"-5", L"x", L"/h", L"-5", L"word", L"/", L"-", L"/:v", L"/xyz", L"p"});
    ASSERT_EQ(3u, console.calls.size());
    EXPECT_EQ((Values{L"-5", L"x"}), console.calls[0].second);
    EXPECT_EQ((Values{L"-5", L"word"}), console.calls[1].second);
    EXPECT_EQ(L"xyz", console.calls[2].first);
    EXPECT_EQ(Values{L"p"}, console.calls[2].second);
    EXPECT_EQ((Reports{{L"/force", 0}, {L"/h", 0}, {L"/", -1}, {L"-", -1}, {L"/", -1}, {L"/xyz", -1}}),
              console.reports);
    EXPECT_EQ(L"\t/\n\t-\n\t/\n\t/xyz\n", console.UnknownParametersReport());
    EXPECT_EQ(OPTION_FORCE | OPTION_HIBERNATE, console.OptionFlags());
}

TEST(ParseReport, UsageComesBeforeTheListsWithSeparators)
{
    CTestConsole console;
    console.Parse({L"word", L"/display:verbose", L"/xyz", L"/display", L"a", L"b", L"c"});
    console.WriteParseReport();
    EXPECT_EQ(std::wstring(L"Usage:\n\n  suspend_tests ") + console.UsageText() +
                  L"\nInvalid parameter value(s):\n\n\t/display (expected: none,normal)\n\t/display\n\n"
                  L"Unknown parameter(s):\n\n\tword\n\t/xyz\n\n",
              console.stream.output);
}

// Random words, quotes, separators, very long and non-ASCII arguments: every
// argument gets one valid result and the reports agree with the results.
TEST(CommandLineFuzz, RandomCommandLinesGiveConsistentReports)
{
    const wchar_t* const words[] = {L"/h", L"/hibernation", L"-f", L"/nowake", L"/display", L"/display:", L"/d:n",
                                    L"/display:normal,utf8", L"/display:verbose", L"/?", L"-", L"/", L"/:", L"-5",
                                    L"none", L"u", L"\"", L",", L";", L"=", L":", L"/x", L"\u00e9t\u00e9", L"", L" "};
    std::mt19937 random(20260512);
    const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    int seen[4] = {};
    for (int round = 0; round < 10000; ++round) {
        std::vector<std::wstring> arguments(pick(0, 12));
        for (std::wstring& argument : arguments) {
            const int kind = pick(0, 9);
            if (kind == 0) {
                argument = L"/force:";
                for (int n = pick(1000, 40000); n > 0; --n)
                    argument += L"ab\",;=:\u00ff\u20ac"[pick(0, 8)];
            } else if (kind == 1) {
                for (int n = pick(0, 40); n > 0; --n)
                    argument += static_cast<wchar_t>(pick(1, 0xD7FF));
            } else {
                for (int n = pick(1, 3); n > 0; --n)
                    argument += words[pick(0, static_cast<int>(std::size(words)) - 1)];
            }
        }
        CTestConsole console;
        console.Parse(arguments);
        std::wstring unknownReport;
        bool invalid = false, unknown = false, help = false;
        for (const auto& report : console.reports) {
            ASSERT_TRUE(report.second >= PARSE_INVALID && report.second <= 2) << round;
            ++seen[report.second < 0 ? -report.second : 0];
            invalid |= report.second == PARSE_INVALID;
            help |= report.second > 0;
            if (report.second == PARSE_UNKNOWN || report.second == PARSE_PLAIN) {
                unknown = true;
                unknownReport += L"\t" + report.first + L"\n";
            }
        }
        ASSERT_LE(console.reports.size(), arguments.size()) << round;
        ASSERT_EQ(unknownReport, console.UnknownParametersReport()) << round;
        ASSERT_EQ(unknown || help, console.HelpRequested()) << round;
        ASSERT_EQ(invalid || unknown || help, console.HasProblems()) << round;
        ASSERT_EQ(invalid, !console.InvalidValuesReport().empty()) << round;
        ASSERT_EQ(0u, console.OptionFlags() & ~(OPTION_HIBERNATE | OPTION_FORCE | OPTION_NO_WAKE)) << round;
    }
    // The generator reaches every kind of result.
    for (int count : seen)
        EXPECT_GT(count, 100);
}
