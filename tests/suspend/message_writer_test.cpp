// Composing typed messages: formatting, decorations, error texts, questions.
#include "suspend/message_writer.h"

#include "fake_console_stream.h"
#include "system_text.h"

#include <gtest/gtest.h>

#include <iterator>

TEST(ErrorCodeText, SuffixByFacilityTrimmedAndCut)
{
    const wchar_t message[] = L"Catastrophic  failure\t \r\n";
    const size_t length = std::size(message) - 1;
    EXPECT_EQ(L"Catastrophic  failure (0x8000FFFF)", ComposeErrorCodeText(E_UNEXPECTED, message, length));
    EXPECT_EQ(L"Catastrophic  failure (0x800401F0)",
              ComposeErrorCodeText(static_cast<HRESULT>(0x800401F0), message, length));
    EXPECT_EQ(L"Catastrophic  failure (0x00012345)", ComposeErrorCodeText(0x00012345, message, length));
    // Win32 results keep the low word only, shown in decimal, as do small codes.
    EXPECT_EQ(L"Catastrophic  failure (1300)",
              ComposeErrorCodeText(static_cast<HRESULT>(0x80070514), message, length));
    EXPECT_EQ(L"Catastrophic  failure (65535)", ComposeErrorCodeText(0xFFFF, message, length));
    EXPECT_EQ(L" (5)", ComposeErrorCodeText(5, L"\r\n", 2));

    // The whole line fits 255 characters.
    const std::wstring longMessage(300, L'x');
    EXPECT_EQ(std::wstring(255, L'x'),
              ComposeErrorCodeText(E_UNEXPECTED, longMessage.c_str(), longMessage.size()));
    const std::wstring nearlyFull(250, L'x');
    EXPECT_EQ(nearlyFull + L" (0x8", ComposeErrorCodeText(E_UNEXPECTED, nearlyFull.c_str(), nearlyFull.size()));
}

TEST(MessageWriter, ErrorsCarryPrefixAndSystemTextLine)
{
    CTestConsole console;
    console.WriteErrorCode(L"Open %s", static_cast<HRESULT>(0x80070005), L"file");
    ASSERT_EQ(2u, console.stream.pieces.size());
    EXPECT_EQ(L"ERROR: Open file\n", console.stream.pieces[0]);
    EXPECT_EQ(SystemText(5) + L" (5)\n", console.stream.pieces[1]);

    // Code 1 has no system text: one line.
    console.stream.pieces.clear();
    console.WriteError(L"Unable to %s", L"go");
    ASSERT_EQ(1u, console.stream.pieces.size());
    EXPECT_EQ(L"ERROR: Unable to go\n", console.stream.pieces[0]);

    // A positive code is never looked up.
    console.stream.pieces.clear();
    console.WriteErrorCode(L"x", 5);
    EXPECT_EQ(1u, console.stream.pieces.size());
}

TEST(MessageWriter, PrefixOncePerLineAcrossPieces)
{
    CTestConsole console;
    console.WriteMessage(L"one", MSG_WARNING, 0);
    console.WriteMessage(L" two", MSG_WARNING, 0);
    console.WriteMessage(L" three", MSG_WARNING | MSG_LINEEND, 0);
    console.WriteMessage(L"next", MSG_WARNING | MSG_LINEEND, 0);
    EXPECT_EQ(L"WARNING: one two three\nWARNING: next\n", console.stream.output);

    // A piece that ends in a line feed itself also starts a new line.
    console.stream.output.clear();
    console.WriteText(L"a\n");
    console.WriteMessage(L"b", MSG_ERROR, 1);
    EXPECT_EQ(L"a\nERROR: b\n", console.stream.output);
}

TEST(MessageWriter, InformationAndQuestionHaveNoPrefix)
{
    CTestConsole console;
    console.WriteLine(L"plain %d", 3);
    console.WriteMessage(L"debug", MSG_DEBUG | MSG_LINEEND, 0);
    EXPECT_EQ(L"plain 3\n", console.stream.output);

    console.SetThreshold(MSG_DEBUG);
    console.WriteMessage(L"debug", MSG_DEBUG | MSG_LINEEND, 0);
    EXPECT_EQ(L"plain 3\nDEBUG: debug\n", console.stream.output);

    // The type mask drops what it leaves out.
    console.SetTypeMask(MSG_TYPE_BITS & ~MSG_WARNING);
    console.WriteMessage(L"warning", MSG_WARNING | MSG_LINEEND, 0);
    EXPECT_EQ(L"plain 3\nDEBUG: debug\n", console.stream.output);

    // Unknown types write nothing.
    console.SetTypeMask(MSG_TYPE_BITS);
    console.WriteMessage(L"odd", 0x20000 | MSG_LINEEND, 0);
    console.WriteMessage(L"odd", MSG_ERROR | MSG_WARNING | MSG_LINEEND, 0);
    EXPECT_EQ(L"plain 3\nDEBUG: debug\n", console.stream.output);
}
