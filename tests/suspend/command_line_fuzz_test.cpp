// Random command lines: the parser never fails, every argument gets one
// valid result, and the reports agree with the results.
#include "suspend/command_line.h"

#include "parse_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

const wchar_t* const kWords[] = {
    L"/h", L"/hib", L"/hibernation", L"/force", L"-f", L"/n", L"/nowake", L"/display", L"/display:",
    L"/d:n", L"/display:none", L"/display:normal,utf8", L"/display:verbose", L"/?", L"/help", L"-",
    L"/", L"/:", L"-5", L"5", L"none", L"normal", L"unicode", L"text", L"u", L"\"", L",", L";", L"=",
    L":", L"/x", L"-zz", L"\u00e9t\u00e9", L"\u6f22\u5b57", L"/\u00fc:\"\u00e4", L"", L" ",
};

std::wstring RandomArgument(std::mt19937& random)
{
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<size_t> word(0, std::size(kWords) - 1);
    std::wstring argument;
    switch (kind(random)) {
    case 0: {
        // Very long, with separators and quotes spread through it.
        std::uniform_int_distribution<int> length(1000, 40000);
        argument = L"/force:";
        const wchar_t pieces[] = L"ab\",;=:\u00ff\u20ac";
        std::uniform_int_distribution<int> piece(0, static_cast<int>(std::size(pieces)) - 2);
        for (int n = length(random); n > 0; --n)
            argument += pieces[piece(random)];
        break;
    }
    case 1: {
        // Arbitrary characters, including non-ASCII and control ones.
        std::uniform_int_distribution<int> length(0, 40);
        std::uniform_int_distribution<int> unit(1, 0xD7FF);
        for (int n = length(random); n > 0; --n)
            argument += static_cast<wchar_t>(unit(random));
        break;
    }
    default: {
        // A few known words glued together.
        std::uniform_int_distribution<int> count(1, 3);
        for (int n = count(random); n > 0; --n)
            argument += kWords[word(random)];
        break;
    }
    }
    return argument;
}

// True when `report` is the invalid-values entries of `arguments` in order,
// each with or without one of the two expected lists.
bool IsInvalidReport(const std::wstring& report, const std::vector<std::wstring>& arguments)
{
    size_t at = 0;
    for (const std::wstring& argument : arguments) {
        const std::wstring head = L"\t" + argument;
        if (report.compare(at, head.size(), head) != 0)
            return false;
        at += head.size();
        bool matched = false;
        for (const wchar_t* tail :
             {L"\n", L" (expected: none,normal)\n", L" (expected: text,unicode,utf8)\n"}) {
            const std::wstring text = tail;
            if (report.compare(at, text.size(), text) == 0) {
                at += text.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
    }
    return at == report.size();
}

} // namespace

TEST(CommandLineFuzz, RandomCommandLinesGiveConsistentReports)
{
    std::mt19937 random(20260512);
    std::uniform_int_distribution<int> argumentCount(0, 12);
    size_t invalidSeen = 0, unknownSeen = 0, handledSeen = 0;

    for (int round = 0; round < 10000; ++round) {
        std::vector<std::wstring> arguments;
        for (int n = argumentCount(random); n > 0; --n)
            arguments.push_back(RandomArgument(random));
        const std::vector<std::wstring> original = arguments;

        CRecordingConsole console;
        console.Parse(CArguments(arguments));

        size_t invalid = 0, unknown = 0, help = 0;
        std::vector<std::wstring> invalidArguments;
        std::wstring unknownReport;
        for (const auto& report : console.reports) {
            const int result = report.second;
            ASSERT_TRUE(result >= PARSE_INVALID && result <= 2) << "round " << round << " result " << result;
            if (result == PARSE_INVALID) {
                ++invalid;
                invalidArguments.push_back(report.first);
            } else if (result == PARSE_UNKNOWN || result == PARSE_PLAIN) {
                ++unknown;
                unknownReport += L"\t" + report.first + L"\n";
            }
            else if (result > 0)
                ++help;
            // Every reported argument is the beginning of one of the arguments.
            const bool found = std::any_of(original.begin(), original.end(), [&](const std::wstring& a) {
                return a.compare(0, report.first.size(), report.first) == 0;
            });
            ASSERT_TRUE(found) << "round " << round;
        }
        ASSERT_LE(console.reports.size(), original.size()) << "round " << round;

        // Each problem is one line of its report; unknown ones bring the usage.
        ASSERT_TRUE(IsInvalidReport(console.InvalidValuesReport(), invalidArguments)) << "round " << round;
        ASSERT_EQ(unknownReport, console.UnknownParametersReport()) << "round " << round;
        ASSERT_EQ(unknown != 0 || help != 0, console.HelpRequested()) << "round " << round;
        ASSERT_EQ(invalid != 0 || unknown != 0 || help != 0, console.HasProblems()) << "round " << round;
        ASSERT_TRUE(console.ExpectedValues().empty()) << "round " << round;
        ASSERT_TRUE(console.DisplayLevel() == LEVEL_NONE || console.DisplayLevel() == LEVEL_NORMAL);
        ASSERT_EQ(0u, console.OptionFlags() & ~(OPTION_HIBERNATE | OPTION_FORCE | OPTION_NO_WAKE));
        for (int mode : console.stream.modes)
            ASSERT_TRUE(mode == MODE_TEXT || mode == MODE_UNICODE || mode == MODE_UTF8);
        for (const auto& call : console.calls)
            ASSERT_LE(call.values.size(), 32u + original.size());

        invalidSeen += invalid;
        unknownSeen += unknown;
        handledSeen += console.reports.size() - invalid - unknown;
    }
    // The generator reaches every kind of result.
    EXPECT_GT(invalidSeen, 100u);
    EXPECT_GT(unknownSeen, 100u);
    EXPECT_GT(handledSeen, 100u);
}
