// Typed messages, error texts, questions and section separators.
#include "suspend/message_writer.h"

#include "test_console.h"

#include <gtest/gtest.h>

#include <iterator>

TEST(ErrorCodeText, SuffixByFacilityTrimmedAndCut)
{
    const wchar_t message[] = L"Catastrophic  failure\t \r\n";
    const size_t length = std::size(message) - 1;
    EXPECT_EQ(L"Catastrophic  failure (0x8000FFFF)", ComposeErrorCodeText(E_UNEXPECTED, message, length));
    EXPECT_EQ(L"Catastrophic  failure (0x00012345)", ComposeErrorCodeText(0x00012345, message, length));
    // Win32 results keep the low word only, shown in decimal, as do small codes.
    EXPECT_EQ(L"Catastrophic  failure (1300)",
              ComposeErrorCodeText(static_cast<HRESULT>(0x80070514), message, length));
    EXPECT_EQ(L"Catastrophic  failure (65535)", ComposeErrorCodeText(0xFFFF, message, length));
    // The whole line fits 255 characters.
    const std::wstring nearlyFull(250, L'x');
    EXPECT_EQ(nearlyFull + L" (0x8", ComposeErrorCodeText(E_UNEXPECTED, nearlyFull.c_str(), nearlyFull.size()));
}

// A Win32 result is looked up by its own code, not wrapped once more.
TEST(MessageWriter, ErrorsCarryPrefixAndSystemTextLine)
{
    CTestConsole console;
    console.WriteErrorCode(L"Open %s", static_cast<HRESULT>(0x80070005), L"file");
    EXPECT_EQ(L"ERROR: Open file\n" + SystemText(5) + L" (5)\n", console.stream.output);
    ASSERT_FALSE(SystemText(5).empty());

    // Code 1 has no system text: one line.
    console.stream.output.clear();
    console.WriteError(L"Unable to %s", L"go");
    EXPECT_EQ(L"ERROR: Unable to go\n", console.stream.output);
}

TEST(MessageWriter, PrefixOncePerLineAndNoneForInformation)
{
    CTestConsole console;
    console.WriteMessage(L"one", MSG_WARNING, 0);
    console.WriteMessage(L" two", MSG_WARNING | MSG_LINEEND, 0);
    console.WriteText(L"a\n");
    console.WriteMessage(L"b", MSG_ERROR, 1);
    console.WriteLine(L"plain %d", 3);
    console.WriteMessage(L"debug", MSG_DEBUG | MSG_LINEEND, 0);
    EXPECT_EQ(L"WARNING: one two\na\nERROR: b\nplain 3\n", console.stream.output);

    console.SetThreshold(MSG_DEBUG);
    console.WriteMessage(L"debug", MSG_DEBUG | MSG_LINEEND, 0);
    // The type mask drops what it leaves out; unknown types write nothing.
    console.SetTypeMask(MSG_TYPE_BITS & ~MSG_WARNING);
    console.WriteMessage(L"warning", MSG_WARNING | MSG_LINEEND, 0);
    console.SetTypeMask(MSG_TYPE_BITS);
    console.WriteMessage(L"odd", 0x20000 | MSG_LINEEND, 0);
    EXPECT_EQ(L"WARNING: one two\na\nERROR: b\nplain 3\nDEBUG: debug\n", console.stream.output);
}

// The first letter of an offered answer wins; function keys (End is 0xE0 0x4F
// "O", Insert is 0 0x52 "R") are no answers; the end of the input gives none.
TEST(Question, KeysChooseAmongTheOfferedAnswers)
{
    const struct
    {
        DWORD flags;
        std::deque<wint_t> keys;
        int answer;
        const wchar_t* output;
        int keysRead;
    } cases[] = {
        {0x7F, {L'c'}, IDCANCEL, L" (Ok/Yes/No/Abort/Retry/Ignore/Cancel): c\n", 1},
        {ASK_OK | ASK_RETRY | ASK_CANCEL, {0xE0, 0x4F, 0, 0x52, L'c'}, IDCANCEL, L" (Ok/Retry/Cancel): c\n", 5},
        {ASK_YES | ASK_NO, {L'x', L'o', L'\r', L'N'}, IDNO, L" (Yes/No): N\n", 4},
        {ASK_YES | ASK_NO, {L'q', L'z'}, 0, L" (Yes/No): ", 3},
        {ASK_OK, {0}, 0, L" (Ok): ", 2},
    };
    for (const auto& c : cases) {
        CTestConsole console;
        console.stream.keys = c.keys;
        EXPECT_EQ(c.answer, console.Ask(c.flags)) << c.output;
        EXPECT_EQ(c.output, console.stream.output);
        EXPECT_EQ(c.keysRead, console.stream.keysRead) << c.output;
    }
}

TEST(SectionSeparator, OneEmptyLineOnlyAfterOutput)
{
    CTestConsole console;
    console.SectionSeparator();
    console.WriteText(L"a");
    console.WriteText(L"b\n");
    console.SectionSeparator();
    console.SectionSeparator();
    console.SetDisplayLevel(LEVEL_NONE);
    console.WriteText(L"hidden");
    console.SectionSeparator();
    EXPECT_EQ(L"ab\n\n", console.stream.output);
}
