// "Run when Windows starts": the HKCU Run value written, detected and deleted
// by the real program, started from a folder whose name has a space.
#include "tests/app/run_value_backup.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CRunAtLogOn = CEndToEnd;

TEST_F(CRunAtLogOn, ValueIsWrittenQuotedDetectedAndDeleted)
{
    CRunValueBackup keepRegistry;
    CRunValueBackup::Delete();
    CProgramCopy program(ProgramFolder() + L"run at log-on\\Tarvik.exe");
    {
        CTarvik tarvik(program.Path());
        ASSERT_TRUE(tarvik.StartReady());
        EXPECT_FALSE(tarvik.Checked(IDC_RUN_AT_STARTUP));
        tarvik.Click(IDC_RUN_AT_STARTUP);
        tarvik.Command(kApply);
        std::wstring value;
        DWORD type = 0;
        ASSERT_TRUE(CRunValueBackup::Read(type, value)) << "no Run value after Apply";
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        const std::wstring quoted = L"\"" + program.Path() + L"\"";
        EXPECT_EQ(CompareStringOrdinal(value.c_str(), -1, quoted.c_str(), -1, TRUE), CSTR_EQUAL)
            << "expected " << quoted << ", found " << value;
    }
    CTarvik again(program.Path());
    ASSERT_TRUE(again.StartReady());
    EXPECT_TRUE(again.Checked(IDC_RUN_AT_STARTUP)) << "the value was not recognised";
    again.Click(IDC_RUN_AT_STARTUP);
    again.Command(kApply);
    std::wstring value;
    DWORD type = 0;
    EXPECT_FALSE(CRunValueBackup::Read(type, value)) << "still there: " << value;
}

} // namespace
} // namespace e2e
