// Questions and section separators.
#include "suspend/base_console.h"

#include "fake_console_stream.h"

#include <gtest/gtest.h>

// Answers are offered in table order and the first letter wins; function keys
// (End is 0xE0 0x4F "O", Insert is 0 0x52 "R") are no answers; the end of the
// input, also between a function key's two codes, gives no answer.
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
        {ASK_OK, {L'y', L'n', L'o'}, IDOK, L" (Ok): o\n", 3},
        {ASK_ABORT | ASK_RETRY | ASK_IGNORE, {L'o', L'i', L'r'}, IDIGNORE, L" (Abort/Retry/Ignore): i\n", 2},
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
    EXPECT_EQ(L"", console.stream.output);
    console.WriteText(L"a");
    console.WriteText(L"b\n");
    EXPECT_EQ(2u, console.WrittenCount());
    console.SectionSeparator();
    console.SectionSeparator();
    EXPECT_EQ(L"ab\n\n", console.stream.output);
    EXPECT_EQ(0u, console.WrittenCount());

    console.SetDisplayLevel(LEVEL_NONE);
    console.WriteText(L"hidden");
    console.SectionSeparator();
    EXPECT_EQ(L"ab\n\n", console.stream.output);
}
