#include <gtest/gtest.h>

#include "common/system_helpers.h"

#include <string>

namespace {

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

