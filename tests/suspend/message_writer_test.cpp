// Composing typed messages: formatting, decorations, error texts, questions.
#include "suspend/message_writer.h"

#include "fake_console_stream.h"
#include "resources/resource.h"
#include "system_text.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

std::wstring DateTimeNow()
{
    wchar_t date[128] = {};
    wchar_t time[128] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, date, 128, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, time, 128);
    return std::wstring(date) + L" " + time + L" - ";
}

} // namespace

// Win32 results are looked up by their low word and shown in decimal, as are
// plain error numbers; other facilities whole and in hexadecimal. The system
// may or may not know 0x8000FFFF; a code it has no text for gives nothing.
TEST(ErrorCodeText, SystemTextWithTheCodeByItsFacility)
{
    ASSERT_FALSE(SystemText(5).empty());
    ASSERT_FALSE(SystemText(0x80004005).empty());
    ASSERT_TRUE(SystemText(12345).empty());
    const struct
    {
        HRESULT code;
        DWORD lookup;
        const wchar_t* suffix;
    } cases[] = {
        {static_cast<HRESULT>(0x80070005), 5, L" (5)"},
        {5, 5, L" (5)"},
        {E_FAIL, 0x80004005, L" (0x80004005)"},
        {E_UNEXPECTED, 0x8000FFFF, L" (0x8000FFFF)"},
        {static_cast<HRESULT>(0x80073039), 12345, L""},
    };
    for (const auto& c : cases) {
        const std::wstring system = SystemText(c.lookup);
        std::wstring text = L"unchanged";
        EXPECT_EQ(!system.empty(), FormatErrorCodeText(c.code, text)) << std::hex << c.code;
        EXPECT_EQ(system.empty() ? std::wstring(L"unchanged") : system + c.suffix, text) << std::hex << c.code;
    }
}

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

TEST(ErrorCodeText, LastErrorBecomesWin32Result)
{
    EXPECT_EQ(0, ErrorCodeFromLastError(0));
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), ErrorCodeFromLastError(5));
    EXPECT_EQ(static_cast<HRESULT>(0x80070514), ErrorCodeFromLastError(1300));
    EXPECT_EQ(static_cast<HRESULT>(0x80072345), ErrorCodeFromLastError(0x00012345));
    // An HRESULT left as the last error stays what it is.
    EXPECT_EQ(E_FAIL, ErrorCodeFromLastError(static_cast<DWORD>(E_FAIL)));
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

TEST(MessageWriter, WriteLastErrorReadsTheErrorBeforeFormatting)
{
    CTestConsole console;
    SetLastError(ERROR_ACCESS_DENIED);
    console.WriteLastError(L"Suspend failed");
    ASSERT_EQ(2u, console.stream.pieces.size());
    EXPECT_EQ(L"ERROR: Suspend failed\n", console.stream.pieces[0]);
    EXPECT_EQ(SystemText(5) + L" (5)\n", console.stream.pieces[1]);

    console.stream.pieces.clear();
    SetLastError(0);
    console.WriteLastError(L"Suspend failed");
    ASSERT_EQ(1u, console.stream.pieces.size());

    // A call that leaves an HRESULT: its own text, not that of its low word.
    console.stream.pieces.clear();
    ASSERT_FALSE(SystemText(static_cast<DWORD>(E_FAIL)).empty());
    SetLastError(static_cast<DWORD>(E_FAIL));
    console.WriteLastError(L"Suspend failed");
    ASSERT_EQ(2u, console.stream.pieces.size());
    EXPECT_EQ(SystemText(static_cast<DWORD>(E_FAIL)) + L" (0x80004005)\n", console.stream.pieces[1]);
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

TEST(MessageWriter, LiteralIsNotFormatted)
{
    CTestConsole console;
    console.WriteLiteral(L"100% %s %d");
    console.WriteNewLine();
    console.WriteText(L"%s=%d", L"k", 42);
    EXPECT_EQ(L"100% %s %d\nk=42", console.stream.output);
    EXPECT_FALSE(console.AtLineStart());
}

TEST(MessageWriter, IndentationAndPrefixOrder)
{
    CTestConsole console;
    console.Indent(true);
    console.Indent(true);
    console.WriteMessage(L"x", MSG_WARNING | MSG_LINEEND, 0);
    console.WriteLine(L"y");
    console.SetDecorations(DECORATE_PREFIX | DECORATE_PREFIX_FIRST);
    console.WriteMessage(L"z", MSG_WARNING | MSG_LINEEND, 0);
    console.WriteMessage(L"n", MSG_WARNING | MSG_LINEEND | MSG_NOPREFIX, 0);
    console.Indent(false);
    console.Indent(false);
    console.Indent(false);
    console.WriteLine(L"w");
    EXPECT_EQ(L"    WARNING: x\n    y\nWARNING:     z\nn\nw\n", console.stream.output);
}

TEST(MessageWriter, DateTimeDecorationComesFirst)
{
    CTestConsole console;
    console.SetDecorations(DECORATE_DATETIME | DECORATE_PREFIX);
    const std::wstring before = DateTimeNow();
    console.WriteMessage(L"late", MSG_ERROR, 1);
    const std::wstring after = DateTimeNow();
    const std::wstring& line = console.stream.output;
    EXPECT_TRUE(line == before + L"ERROR: late\n" || line == after + L"ERROR: late\n") << line.c_str();

    // Only at line start.
    console.stream.output.clear();
    console.WriteText(L"a");
    const std::wstring stamp = console.stream.output.substr(0, console.stream.output.size() - 1);
    console.WriteLine(L"b");
    EXPECT_EQ(stamp + L"ab\n", console.stream.output);
}

TEST(MessageWriter, ResourceTextIsFormatted)
{
    CTestConsole console;
    // A va_list is only made by a variadic call: go through one.
    struct CCaller
    {
        static int Call(CMessageWriter& writer, UINT id, DWORD flags, ...)
        {
            va_list arguments;
            va_start(arguments, flags);
            int result = writer.WriteResource(id, flags, 0, arguments);
            va_end(arguments);
            return result;
        }
    };
    CCaller::Call(console, IDS_VERSION, MSG_INFORMATION | MSG_LINEEND, L"2.1");
    EXPECT_EQ(L"Version 2.1\n", console.stream.output);

    console.stream.output.clear();
    CCaller::Call(console, 60000, MSG_INFORMATION | MSG_LINEEND, L"x");
    EXPECT_EQ(L"", console.stream.output);
}

TEST(MessageWriter, WriterBaseOutputsNothingAndAsksNothing)
{
    CMessageWriter writer;
    EXPECT_EQ(0, writer.WriteMessage(L"?", MSG_QUESTION | 0x60, 0));
    EXPECT_STREQ(L" - ", writer.Separator());
    EXPECT_STREQ(L"\n", writer.LineEnd());
    std::wstring prefix;
    EXPECT_EQ(0, writer.AppendPrefix(MSG_INFORMATION, prefix));
    EXPECT_EQ(0, writer.AppendPrefix(MSG_QUESTION, prefix));
    EXPECT_EQ(1, writer.AppendPrefix(0x80000, prefix));
    EXPECT_EQ(L"", prefix);
    EXPECT_EQ(1, writer.AppendPrefix(MSG_DEBUG, prefix));
    EXPECT_EQ(L"DEBUG: ", prefix);
}
