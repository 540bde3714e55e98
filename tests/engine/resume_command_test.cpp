#include <gtest/gtest.h>

#include <string>

#include "engine/resume_command.h"
#include "tests/engine/engine_fixture.h"

TEST(SplitCommand, CutsFileFromParameters)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* file;
        const wchar_t* parameters;
    } cases[] = {
        // A quoted path with spaces: the separating space stays with the options.
        {L"\"C:\\Program Files\\App\\app.exe\" /a \"b c\"", L"C:\\Program Files\\App\\app.exe",
         L" /a \"b c\""},
        // A URL is the file, whole.
        {L"https://example.org/a?b=c", L"https://example.org/a?b=c", L""},
        // A lone quote, and a quote never closed.
        {L"\"", L"", L""},
        {L"\"C:\\Program Files\\App\\app.exe -x", L"C:\\Program Files\\App\\app.exe -x", L""},
        // Unquoted: cut at the first space, which belongs to neither part.
        {L"C:\\Program Files\\App\\app.exe -x", L"C:\\Program", L"Files\\App\\app.exe -x"},
    };
    for (const Case& c : cases) {
        CCommandParts parts = SplitCommand(c.text);
        EXPECT_EQ(c.file, parts.file) << std::wstring(c.text).size();
        EXPECT_EQ(c.parameters, parts.parameters) << std::wstring(c.text).size();
    }
}

using ResumeCommand = EngineFixture;

TEST_F(ResumeCommand, ShellGetsTheOpenVerbAndNothingElse)
{
    HWND active = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4321));
    m_system.activeWindow = active;
    m_model.Command.text = L"\"C:\\Program Files\\App\\app.exe\" -x";
    m_engine.RunResumeCommand();

    ASSERT_EQ(1u, m_system.shellCalls.size());
    const CShellCall& call = m_system.shellCalls[0];
    const SHELLEXECUTEINFOW& info = call.info;
    EXPECT_EQ(sizeof(SHELLEXECUTEINFOW), info.cbSize);
    EXPECT_EQ(static_cast<ULONG>(SEE_MASK_UNICODE), info.fMask);
    EXPECT_EQ(active, info.hwnd);
    EXPECT_EQ(L"open", call.verb);
    EXPECT_EQ(L"C:\\Program Files\\App\\app.exe", call.file);
    EXPECT_EQ(L" -x", call.parameters);
    EXPECT_EQ(L"(null)", call.directory);
    EXPECT_EQ(SW_SHOWNORMAL, info.nShow);
    // Everything else zero: no process handle is asked for or kept.
    EXPECT_EQ(nullptr, info.hInstApp);
    EXPECT_EQ(nullptr, info.lpIDList);
    EXPECT_EQ(nullptr, info.lpClass);
    EXPECT_EQ(nullptr, info.hkeyClass);
    EXPECT_EQ(0u, info.dwHotKey);
    EXPECT_EQ(nullptr, info.hProcess);
    // A failure of the shell is not logged.
    EXPECT_EQ(L"<ShellExecuteEx>\r\n", Logged());
}
