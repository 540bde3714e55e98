// Display levels, questions, progress lines, section separators.
#include "suspend/base_console.h"

#include "fake_console_stream.h"
#include "suspend/console_progress_path.h"

#include <gtest/gtest.h>

TEST(BaseConsole, StartsWithTheToolDefaults)
{
    CTestConsole console;
    EXPECT_EQ(1, console.stream.opened);
    EXPECT_FALSE(console.OutputIsConsole());
    EXPECT_EQ(DECORATE_PREFIX, console.Decorations());
    EXPECT_EQ(LEVEL_NONE | LEVEL_NORMAL, console.AllowedLevels());
    EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel());
    EXPECT_EQ(0x2000u, console.Threshold());
    EXPECT_EQ(0xFF000u, console.TypeMask());
    EXPECT_TRUE(console.AtLineStart());
    EXPECT_FALSE(console.HasProblems());
    EXPECT_TRUE(console.ShouldRun());

    CTestConsole onConsole(true);
    EXPECT_TRUE(onConsole.OutputIsConsole());
}

TEST(BaseConsole, LevelBelowNormalWritesNothing)
{
    CTestConsole console;
    console.SetDisplayLevel(LEVEL_PROGRESS);
    console.WriteLine(L"text");
    console.WriteError(L"error");
    console.WriteBanner();
    console.SetDisplayLevel(LEVEL_NONE);
    console.WriteLine(L"text");
    EXPECT_TRUE(console.stream.pieces.empty());
    EXPECT_EQ(0u, console.WrittenCount());

    // The level's top bit is not part of the comparison.
    console.SetDisplayLevel(0x80000000 | LEVEL_NORMAL);
    console.WriteLine(L"shown");
    EXPECT_EQ(L"shown\n", console.stream.output);
    EXPECT_EQ(1u, console.WrittenCount());
}

TEST(Question, YesNoOffersTwoAnswersAndIgnoresOtherKeys)
{
    CTestConsole console;
    console.stream.keys = {L'x', L'o', L'\r', L'N'};
    EXPECT_EQ(IDNO, console.WriteMessage(L"Go on?", MSG_QUESTION | ASK_YES | ASK_NO, 0));
    EXPECT_EQ(L"Go on? (Yes/No): N\n", console.stream.output);
    EXPECT_EQ(4, console.stream.keysRead);
    EXPECT_TRUE(console.AtLineStart());

    console.stream.output.clear();
    console.stream.keys = {L'y'};
    EXPECT_EQ(IDYES, console.WriteMessage(L"Again?", MSG_QUESTION | ASK_YES | ASK_NO, 0));
    EXPECT_EQ(L"Again? (Yes/No): y\n", console.stream.output);

    // The next message starts its own line with its prefix.
    console.stream.output.clear();
    console.WriteMessage(L"w", MSG_WARNING, 0);
    EXPECT_EQ(L"WARNING: w", console.stream.output);
}

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

TEST(Question, SilentLevelStillReadsAKey)
{
    CTestConsole console;
    console.SetDisplayLevel(LEVEL_NONE);
    console.stream.keys = {L'Y'};
    EXPECT_EQ(IDYES, console.WriteMessage(L"Sure?", MSG_QUESTION | ASK_YES | ASK_NO, 0));
    EXPECT_EQ(1, console.stream.keysRead);
    EXPECT_TRUE(console.stream.pieces.empty());
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

TEST(Progress, RedirectedOutputShowsOnlyFinishedLines)
{
    CTestConsole console;
    {
        CConsoleProgressPath item(console, L"C:\\data\\file.txt");
        console.WriteProgress(L"%d%%", 50);
        EXPECT_EQ(L"", console.stream.output);
        console.WriteProgress(L"done\n");
        EXPECT_EQ(L"C:\\data\\file.txt: done\n", console.stream.output);
        EXPECT_TRUE(console.ProgressItem().empty());
    }

    // Ordinary output ends an active progress line first.
    console.stream.output.clear();
    {
        CConsoleProgressPath item(console, L"item");
        console.WriteLine(L"next");
        EXPECT_EQ(L"item: \nnext\n", console.stream.output);
    }
    {
        CConsoleProgressPath item(console, L"held");
        EXPECT_EQ(L"held", console.ProgressItem());
    }
    EXPECT_TRUE(console.ProgressItem().empty());
}

TEST(Progress, ConsoleOverwritesTheLineAndCompactsTheItem)
{
    CTestConsole console(true);
    const std::wstring longItem = L"C:\\a very long folder name\\another long folder\\the file name.txt";
    CConsoleProgressPath item(console, longItem.c_str());
    console.WriteProgress(L"1");
    console.WriteProgress(L"2\n");
    ASSERT_EQ(3u, console.stream.pieces.size());
    const std::wstring& first = console.stream.pieces[0];
    ASSERT_EQ(L'\r', first[0]);
    const size_t colon = first.rfind(L": 1");
    ASSERT_NE(std::wstring::npos, colon);
    EXPECT_EQ(first.size() - 3, colon);
    EXPECT_LE(colon - 1, 40u);
    EXPECT_NE(std::wstring::npos, first.find(L"..."));
    EXPECT_EQ(L"\r" + std::wstring(78, L' ') + L"\r", console.stream.pieces[1]);
    EXPECT_EQ(first.substr(0, colon) + L": 2\n", console.stream.pieces[2]);
    EXPECT_EQ(3u, console.WrittenCount());

    // Progress shows from level "progress" on; ordinary text does not.
    console.stream.pieces.clear();
    console.SetDisplayLevel(LEVEL_PROGRESS);
    console.SetProgressItem(L"x");
    console.WriteProgress(L"p");
    console.WriteLine(L"hidden");
    ASSERT_EQ(3u, console.stream.pieces.size());
    EXPECT_EQ(L"\rx: p", console.stream.pieces[0]);
    EXPECT_EQ(L"\rx: \n", console.stream.pieces[2]);
}
