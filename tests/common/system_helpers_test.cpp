#include <gtest/gtest.h>

#include "common/system_helpers.h"
#include "tests/common/fixture_process.h"

#include <string>

namespace {

std::wstring CurrentFolder()
{
    wchar_t cwd[MAX_PATH];
    if (GetCurrentDirectoryW(MAX_PATH, cwd) == 0)
        return std::wstring();
    std::wstring folder = cwd;
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

// Sets an environment variable for the test's duration.
class CScopedVariable
{
public:
    CScopedVariable(const wchar_t* name, const wchar_t* value) : m_name(name)
    {
        SetEnvironmentVariableW(name, value);
    }
    ~CScopedVariable() { SetEnvironmentVariableW(m_name, nullptr); }
    CScopedVariable(const CScopedVariable&) = delete;
    CScopedVariable& operator=(const CScopedVariable&) = delete;

private:
    const wchar_t* m_name;
};

} // namespace

TEST(ExpandFullPath, RelativeEnvironmentAndUncNamesBecomeCanonical)
{
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(ExpandFullPath(L"file.txt", path));
    EXPECT_EQ(CurrentFolder() + L"\\file.txt", path);

    CScopedVariable root(L"TARVIK_TEST_ROOT", L"C:\\alpha\\beta");
    ASSERT_TRUE(ExpandFullPath(L"%TARVIK_TEST_ROOT%\\..\\gamma\\.\\file.txt", path));
    EXPECT_STREQ(L"C:\\alpha\\gamma\\file.txt", path);

    ASSERT_TRUE(ExpandFullPath(L"\\\\server\\share\\old\\..\\new.txt", path));
    EXPECT_STREQ(L"\\\\server\\share\\new.txt", path);
}

TEST(ExpandFullPath, OverlongNamesFailWithoutWritingPastTheBuffer)
{
    wchar_t path[MAX_PATH + 8];
    path[MAX_PATH] = L'#';
    std::wstring absolute = L"C:\\" + std::wstring(300, L'a');
    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(absolute.c_str(), path));
    EXPECT_NE(0u, GetLastError());

    // Fits on its own, not after the current directory.
    std::wstring relative(MAX_PATH - 3, L'r');
    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(relative.c_str(), path));
    EXPECT_NE(0u, GetLastError());

    // Short before expansion, too long after it.
    CScopedVariable big(L"TARVIK_TEST_BIG", std::wstring(200, L'b').c_str());
    EXPECT_FALSE(ExpandFullPath(L"C:\\%TARVIK_TEST_BIG%\\%TARVIK_TEST_BIG%", path));
    EXPECT_EQ(L'#', path[MAX_PATH]);
}

TEST(ExpandFullPath, MissingArgumentsAreInvalidParameters)
{
    wchar_t path[MAX_PATH];
    SetLastError(0);
    EXPECT_FALSE(ExpandFullPath(nullptr, path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(ExpandFullPath(L"file.txt", nullptr));
}

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"  Tarvik Tests  ", L"Tarvik Tests"}, {L"\tTab Product \t", L"\tTab Product \t"},
        {L"     ", L""}, {L"", L""}, {L"a", L"a"}, {nullptr, L""},
    };
    wchar_t text[MAX_PATH];
    for (const auto& [source, expected] : cases) {
        TrimSpaces(text, source);
        EXPECT_STREQ(expected, text);
    }
    wcscpy_s(text, L"   shifted left  ");
    TrimSpaces(text, text);
    EXPECT_STREQ(L"shifted left", text);
}

TEST(TrimSpaces, CutsTheSourceAt259BeforeTrimming)
{
    wchar_t text[MAX_PATH + 8];
    text[MAX_PATH] = L'#';
    std::wstring source(300, L'x');
    TrimSpaces(text, source.c_str());
    EXPECT_EQ(std::wstring(MAX_PATH - 1, L'x'), text);
    EXPECT_EQ(L'#', text[MAX_PATH]);

    // The cut falls inside a run of spaces: the text after it never counts.
    source = std::wstring(250, L'a') + std::wstring(20, L' ') + std::wstring(30, L'b');
    TrimSpaces(text, source.c_str());
    EXPECT_EQ(std::wstring(250, L'a'), text);
}

TEST(OpenFolderAndSelect, RejectsMissingPaths)
{
    EXPECT_EQ(E_INVALIDARG, OpenFolderAndSelect(nullptr));
    EXPECT_EQ(E_FAIL, OpenFolderAndSelect(L"C:\\no such folder for tarvik\\no such file.dmp"));
}

TEST(OpenWithShell, StartsTheFileWithParametersInTheGivenFolder)
{
    // The fixture writes its answer to a relative name: it must land in the
    // directory passed, not in the test's current directory.
    wchar_t tempPath[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, tempPath));
    std::wstring directory = std::wstring(tempPath) + L"tarvik_shell_test";
    CreateDirectoryW(directory.c_str(), nullptr);
    std::wstring output = directory + L"\\shell.out";
    DeleteFileW(output.c_str());

    std::wstring program = ProgramFolder() + L"\\fixture_noversion.exe";
    ASSERT_TRUE(OpenWithShell(program.c_str(), L"datafolder shell.out", directory.c_str(), nullptr));
    for (int i = 0; i < 300 && ReadUtf16File(output).empty(); ++i)
        Sleep(100);
    Sleep(100);
    // A program without a version resource has no data folder.
    EXPECT_EQ(L"0\n1812\n(unset)\n", ReadUtf16File(output));
    // The started program may still hold its file for a moment.
    for (int i = 0; i < 50 && FolderExists(directory); ++i) {
        RemoveFolderWithFiles(directory);
        Sleep(100);
    }
    EXPECT_FALSE(FolderExists(directory));
}
