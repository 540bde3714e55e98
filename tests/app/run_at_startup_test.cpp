#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

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

std::wstring OwnPath()
{
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    return own;
}

// The Run value's path, without its argument and quotes; empty when there is
// no value.
std::wstring RunPath()
{
    DWORD type = 0;
    std::wstring text;
    if (!CRunValueBackup::Read(type, text))
        return L"";
    text.resize(text.size() + MAX_PATH);
    PathRemoveArgsW(&text[0]);
    PathUnquoteSpacesW(&text[0]);
    return text.c_str();
}

using Bytes = CStartupRecordBackup::Bytes;

// The box as the page fills it on start, with Task Manager's `record` (none:
// deleted) beside the Run value the test wrote.
bool ShownWith(CRunAtStartup& box, const std::optional<Bytes>& record)
{
    if (record)
        CStartupRecordBackup::Write(*record);
    else
        CStartupRecordBackup::Delete();
    return box.Detect();
}

} // namespace

TEST(RunAtStartup, AValueCountsWhenItIsTextNamingAnExistingFileOfAtMost259Characters)
{
    CRunAtStartup box;
    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    CStartupRecordBackup::Delete();
    const std::wstring path = OwnPath();
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + path + L"\""));
    EXPECT_TRUE(box.Detect());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_EXPAND_SZ, path));
    EXPECT_TRUE(box.Detect());

    // The program moved: the stale value no longer counts.
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, path + L".gone.exe"));
    EXPECT_FALSE(box.Detect());
    CRunValueBackup::Delete();
    EXPECT_FALSE(box.Detect());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_BINARY, path));
    EXPECT_FALSE(box.Detect());

    // 259 characters and the terminator fill the buffer exactly; one more does not fit.
    const std::wstring longest = Padded(path, 259);
    const std::wstring tooLong = Padded(path, 260);
    ASSERT_EQ(259u, longest.size());
    ASSERT_EQ(260u, tooLong.size());
    // Only the length keeps the longer one out.
    ASSERT_TRUE(PathFileExistsW(tooLong.c_str()));
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, longest));
    EXPECT_TRUE(box.Detect());
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, tooLong));
    EXPECT_FALSE(box.Detect());
}

TEST(RunAtStartup, TheBoxIsClearWhenTaskManagersRecordSaysOffAndOnlyThen)
{
    CRunAtStartup box;
    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + OwnPath() + L"\""));

    EXPECT_TRUE(ShownWith(box, std::nullopt)) << "no record";
    EXPECT_TRUE(ShownWith(box, CStartupRecordBackup::On())) << "02, on";
    EXPECT_FALSE(ShownWith(box, CStartupRecordBackup::Off())) << "03 and the time, off";
    EXPECT_FALSE(ShownWith(box, Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) << "01, off";
    EXPECT_TRUE(ShownWith(box, Bytes{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) << "06, on";
    EXPECT_FALSE(ShownWith(box, CStartupRecordBackup::Off(0x07))) << "07, off";
    EXPECT_FALSE(ShownWith(box, Bytes{0x03})) << "one byte, off";
    Bytes longer = CStartupRecordBackup::Off();
    longer.resize(40, 0xFF);
    EXPECT_FALSE(ShownWith(box, longer)) << "longer than 12 bytes, off";
    EXPECT_TRUE(ShownWith(box, Bytes{})) << "empty: Windows starts it";

    // Not binary: Windows starts it.
    const DWORD three = 3;
    ASSERT_TRUE(CStartupRecordBackup::Write(
        REG_DWORD, Bytes(reinterpret_cast<const BYTE*>(&three),
                         reinterpret_cast<const BYTE*>(&three) + sizeof(three))));
    EXPECT_TRUE(box.Detect()) << "a REG_DWORD of 3";
    ASSERT_TRUE(CStartupRecordBackup::Write(REG_SZ, Bytes{'3', 0, 0, 0}));
    EXPECT_TRUE(box.Detect()) << "a REG_SZ";

    // An "on" record does not make a stale value count.
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, OwnPath() + L".gone.exe"));
    EXPECT_FALSE(ShownWith(box, CStartupRecordBackup::On()));
}

TEST(RunAtStartup, ATickAppliedOverTaskManagersOffTurnsItOnAndKeepsTheRunValue)
{
    CRunAtStartup box;
    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + OwnPath() + L"\""));
    for (const BYTE off : {0x03, 0x01, 0x07}) {
        ASSERT_FALSE(ShownWith(box, CStartupRecordBackup::Off(off)));
        box.Update(true);
        EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On())
            << "off as " << static_cast<int>(off);
        EXPECT_EQ(RunPath(), OwnPath());
        EXPECT_TRUE(box.Detect());
    }

    // A record that does not say "off" is Windows' own and stays as it is;
    // none is made up where there was none.
    const Bytes on6{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const std::optional<Bytes>& record : {std::optional<Bytes>(on6), std::optional<Bytes>()}) {
        CRunValueBackup::Delete();
        ASSERT_FALSE(ShownWith(box, record));
        box.Update(true);
        EXPECT_EQ(CStartupRecordBackup::Read(), record);
        EXPECT_EQ(RunPath(), OwnPath());
    }
}

// The page applies the box on every Apply and Close: a box that was ticked
// all along must not undo what the user chose in Task Manager meanwhile.
TEST(RunAtStartup, AnUnchangedTickLeavesTaskManagersLaterOff)
{
    CRunAtStartup box;
    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + OwnPath() + L"\""));
    ASSERT_TRUE(ShownWith(box, std::nullopt));
    const Bytes off = CStartupRecordBackup::Off();
    ASSERT_TRUE(CStartupRecordBackup::Write(off));
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), off);
    EXPECT_EQ(RunPath(), OwnPath());

    // Once the box shows it clear, a tick is the user's own again.
    ASSERT_FALSE(box.Detect());
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());
    // And so is a tick after a cleared box was applied.
    box.Update(false);
    ASSERT_TRUE(CStartupRecordBackup::Write(off));
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());
}

TEST(RunAtStartup, ClearingRemovesTheRunValueAndTheRecordSoALaterTickStartsAnew)
{
    CRunAtStartup box;
    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    for (const std::optional<Bytes>& record :
         {std::optional<Bytes>(CStartupRecordBackup::Off()),
          std::optional<Bytes>(CStartupRecordBackup::On()), std::optional<Bytes>()}) {
        ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + OwnPath() + L"\""));
        ShownWith(box, record);
        box.Update(false);
        EXPECT_EQ(RunPath(), L"");
        EXPECT_FALSE(CStartupRecordBackup::Read());
        EXPECT_FALSE(box.Detect());

        box.Update(true);
        EXPECT_EQ(RunPath(), OwnPath());
        EXPECT_FALSE(CStartupRecordBackup::Read()) << "a tick made up a record";
        EXPECT_TRUE(box.Detect());
    }
}
