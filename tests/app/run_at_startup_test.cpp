#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <tuple>

#include "settings/run_at_startup.h"
#include "tests/support/run_value.h"

namespace {

// `path` lengthened to `length` characters with steps that lead back to the
// same folder, so it still names the same file.
std::wstring Padded(const std::wstring& path, size_t length)
{
    const size_t name = path.rfind(L'\\') + 1, room = length - path.size();
    std::wstring padding = room % 2 ? L"x\\..\\" : L"";
    while (padding.size() < room)
        padding += L".\\";
    return path.substr(0, name) + padding + path.substr(name);
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

// The Run value and Task Manager's record put back as the test found them;
// the Run value names this program, as the box writes it.
class RunAtStartup : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, L"\"" + own + L"\"")); }
    // The box as the page fills it on start, with Task Manager's `record`
    // (none: deleted) beside the Run value.
    bool ShownWith(const std::optional<Bytes>& record)
    {
        if (record)
            CStartupRecordBackup::Write(*record);
        else
            CStartupRecordBackup::Delete();
        return box.Detect();
    }

    CRunValueBackup backup;
    CStartupRecordBackup recordBackup;
    CRunAtStartup box;
    const std::wstring own = OwnPath();
};

} // namespace

TEST_F(RunAtStartup, AValueCountsWhenItIsTextNamingAnExistingFileOfAtMost259Characters)
{
    CStartupRecordBackup::Delete();
    // 259 characters and the terminator fill the buffer exactly; one more
    // does not fit, and only the length keeps it out.
    const std::wstring longest = Padded(own, 259), tooLong = Padded(own, 260);
    ASSERT_EQ(259u, longest.size());
    ASSERT_EQ(260u, tooLong.size());
    ASSERT_TRUE(PathFileExistsW(tooLong.c_str()));
    const std::tuple<DWORD, std::wstring, bool> values[] = {
        {REG_EXPAND_SZ, own, true},
        {REG_SZ, own + L".gone.exe", false}, // the program moved: a stale value
        {REG_BINARY, own, false},
        {REG_SZ, longest, true},
        {REG_SZ, tooLong, false},
    };
    for (const auto& [type, text, counts] : values) {
        ASSERT_TRUE(CRunValueBackup::WriteText(type, text));
        EXPECT_EQ(counts, box.Detect()) << type << " " << text.c_str();
    }
    CRunValueBackup::Delete();
    EXPECT_FALSE(box.Detect());
}

// Only the lowest bit of a binary record's first byte says "off"; anything
// else, no record included, leaves Windows to start the program.
TEST_F(RunAtStartup, TheBoxIsClearWhenTaskManagersRecordSaysOffAndOnlyThen)
{
    EXPECT_TRUE(ShownWith(std::nullopt)) << "no record";
    EXPECT_TRUE(ShownWith(CStartupRecordBackup::On())) << "02, on";
    EXPECT_FALSE(ShownWith(CStartupRecordBackup::Off())) << "03 and the time, off";
    EXPECT_TRUE(ShownWith(Bytes{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) << "06, on";
    EXPECT_FALSE(ShownWith(Bytes{0x01})) << "one byte, off";
    EXPECT_TRUE(ShownWith(Bytes{})) << "empty: Windows starts it";
    ASSERT_TRUE(CStartupRecordBackup::Write(REG_SZ, Bytes{'3', 0, 0, 0}));
    EXPECT_TRUE(box.Detect()) << "not binary: Windows starts it";

    // An "on" record does not make a stale value count.
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, own + L".gone.exe"));
    EXPECT_FALSE(ShownWith(CStartupRecordBackup::On()));
}

TEST_F(RunAtStartup, ATickAppliedOverTaskManagersOffTurnsItOnAndKeepsTheRunValue)
{
    ASSERT_FALSE(ShownWith(CStartupRecordBackup::Off(0x07)));
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());
    EXPECT_EQ(RunPath(), own);
    ASSERT_TRUE(box.Detect());

    // The page applies the box on every Apply and Close: a box ticked all
    // along must not undo what the user chose in Task Manager meanwhile. A
    // tick after a cleared box was applied is the user's own again.
    const Bytes off = CStartupRecordBackup::Off();
    ASSERT_TRUE(CStartupRecordBackup::Write(off));
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), off);
    EXPECT_EQ(RunPath(), own);
    box.Update(false);
    ASSERT_TRUE(CStartupRecordBackup::Write(off));
    box.Update(true);
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());

    // A record that does not say "off" is Windows' own and stays as it is;
    // none is made up where there was none.
    const Bytes on6{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const std::optional<Bytes>& record : {std::optional<Bytes>(on6), std::optional<Bytes>()}) {
        CRunValueBackup::Delete();
        ASSERT_FALSE(ShownWith(record));
        box.Update(true);
        EXPECT_EQ(CStartupRecordBackup::Read(), record);
        EXPECT_EQ(RunPath(), own);
    }
}

TEST_F(RunAtStartup, ClearingRemovesTheRunValueAndTheRecordSoALaterTickStartsAnew)
{
    ShownWith(CStartupRecordBackup::Off());
    box.Update(false);
    EXPECT_EQ(RunPath(), L"");
    EXPECT_FALSE(CStartupRecordBackup::Read());
    EXPECT_FALSE(box.Detect());

    box.Update(true);
    EXPECT_EQ(RunPath(), own);
    EXPECT_FALSE(CStartupRecordBackup::Read()) << "a tick made up a record";
    EXPECT_TRUE(box.Detect());
}
