#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "settings/run_at_startup.h"
#include "tests/support/run_value.h"

namespace {

// `path` lengthened to `length` characters with steps that lead back to the
// same folder, so it still names the same file.
std::wstring Padded(const std::wstring& path, size_t length)
{
    const size_t slash = path.rfind(L'\\');
    size_t room = length - path.size();
    std::wstring padding;
    if (room % 2) {
        padding = L"x\\..\\";
        room -= 5;
    }
    for (; room >= 2; room -= 2)
        padding += L".\\";
    return path.substr(0, slash + 1) + padding + path.substr(slash + 1);
}

} // namespace

TEST(RunAtStartup, AValueCountsWhenItIsTextNamingAnExistingFileOfAtMost259Characters)
{
    CRunValueBackup backup;
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    const std::wstring path = own;
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + path + L"\""));
    EXPECT_TRUE(DetectRunAtStartup());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_EXPAND_SZ, path));
    EXPECT_TRUE(DetectRunAtStartup());

    // The program moved: the stale value no longer counts.
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, path + L".gone.exe"));
    EXPECT_FALSE(DetectRunAtStartup());
    CRunValueBackup::Delete();
    EXPECT_FALSE(DetectRunAtStartup());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_BINARY, path));
    EXPECT_FALSE(DetectRunAtStartup());

    // 259 characters and the terminator fill the buffer exactly; one more does not fit.
    const std::wstring longest = Padded(path, 259);
    const std::wstring tooLong = Padded(path, 260);
    ASSERT_EQ(259u, longest.size());
    ASSERT_EQ(260u, tooLong.size());
    // Only the length keeps the longer one out.
    ASSERT_TRUE(PathFileExistsW(tooLong.c_str()));
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, longest));
    EXPECT_TRUE(DetectRunAtStartup());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, tooLong));
    EXPECT_FALSE(DetectRunAtStartup());
}
