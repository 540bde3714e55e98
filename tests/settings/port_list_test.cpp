#include "settings/settings_model.h"

#include <gtest/gtest.h>

#include <utility>

TEST(ParsePortList, TextBecomesASortedListOfDistinctPorts)
{
    const std::pair<const wchar_t*, CPortList> cases[] = {
        // Spaces and commas separate; repeats go; the list is sorted.
        {L"443 80,,80", {80, 443}},
        {L"  ,65535 , 3389,,,22   1,  ", {1, 22, 3389, 65535}},
        {L"", {}},
        {L" , ,, ", {}},
        {L"0 1 65535 65536 -80 -0", {1, 65535}},
        // The leading digits of a token count and the rest is ignored.
        {L"80abc 8080;443 x21", {80, 8080}},
        // 4294967376 is 2^32 + 80: a number that wrapped instead of saturating would give 80.
        {L"4294967376 99999999999999999999 -4294967216 25", {25}},
        // Decimal only: "0x50" is 0 and "010" is 10; ";" and TAB do not separate.
        {L"0x50 010 80;443", {10, 80}},
        {L"21\t22", {21}},
        // Leading white space of a token is skipped, as a number reader does.
        {L"\t80", {80}},
    };
    for (const auto& c : cases) {
        CPortList list{9, 8, 7}; // whatever was there before must go
        EXPECT_TRUE(ParsePortList(c.first, list)) << c.first;
        EXPECT_EQ(c.second, list) << c.first;
    }
}

TEST(FormatPortList, JoinsPortsWithSingleCommasAndReadsBack)
{
    EXPECT_EQ(L"", FormatPortList(CPortList{}));
    EXPECT_EQ(L"7", FormatPortList(CPortList{7}));
    const CPortList list{1, 21, 22, 80, 443, 3389, 8080, 65535};
    EXPECT_EQ(L"1,21,22,80,443,3389,8080,65535", FormatPortList(list));
    CPortList read;
    ASSERT_TRUE(ParsePortList(FormatPortList(list).c_str(), read));
    EXPECT_EQ(list, read);
}
