// The release installer as a user meets it, in a Wine prefix of its own
// (tests/dist/installer_test.sh gives the installer and both portable zips
// unpacked): silent install of the programs of this Windows' architecture,
// an upgrade over a running Tarvik and over an installation of the earlier
// 32-bit setup (which had no console twin), and both kinds of uninstall,
// checked on the files, the Start menu, the registry, the data folder, the
// running program and the console twin's request to it.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/handles.h"
#include "common/version_info.h"
#include "resources/resource.h"
#include "tests/support/console_run.h"
#include "tests/support/files.h"
#include "tests/support/process.h"
#include "tests/support/run_value.h"
#include "tests/support/tarvik_driver.h"

namespace {

using namespace e2e;

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvik";
// Installing and uninstalling take a second or two; the margin covers a loaded machine.
constexpr DWORD kInstallTimeout = 120000;

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? value : L"";
}
std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
bool WindowsIs64Bit()
{
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}
// The installer, and the portable zips unpacked, each in a folder named
// after its architecture: what the installer must install, byte for byte.
const std::wstring kSetup = Environment(L"TARVIK_SETUP");
const std::wstring kPortable = Environment(L"TARVIK_PORTABLE");
// The programs this Windows must get: the zip's of its architecture, which
// the package test found to be that architecture's build.
const std::wstring kArch = WindowsIs64Bit() ? L"x64" : L"x86";
const wchar_t* const kShippedFiles[] = {L"Tarvik.exe", L"Tarvik.com", L"suspend.exe",
                                        L"LICENSE.txt", L"README.txt"};
// What the earlier setups installed: no console twin yet.
const wchar_t* const kEarlierFiles[] = {L"Tarvik.exe", L"suspend.exe", L"LICENSE.txt",
                                        L"README.txt"};
const std::wstring kDefaultFolder = ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tarvik";
const std::wstring kShortcut = ShellFolder(CSIDL_PROGRAMS) + L"\\Tarvik.lnk";

// A value under the current user's `key`: a text as it is, a number as
// "dword:" and its decimal digits.
std::optional<std::wstring> RegText(const wchar_t* key, const wchar_t* name)
{
    DWORD data[512] = {}, type = 0, size = sizeof(data);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, data,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return type == REG_DWORD ? L"dword:" + std::to_wstring(data[0])
                             : std::wstring(reinterpret_cast<const wchar_t*>(data));
}
bool KeyExists(const wchar_t* key)
{
    CRegistryKey handle;
    return RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, handle.Receive()) == ERROR_SUCCESS;
}
std::optional<std::wstring> RunValue()
{
    return RegText(CRunValueBackup::kKey, L"Tarvik");
}

// The files in `folder` are the portable zip's of this Windows' architecture.
void ExpectShippedFiles(const std::wstring& folder)
{
    for (const wchar_t* name : kShippedFiles) {
        const std::string shipped = ReadBytes(kPortable + L"\\" + kArch + L"\\" + name);
        EXPECT_FALSE(shipped.empty()) << name;
        EXPECT_TRUE(ReadBytes(folder + L"\\" + name) == shipped)
            << name << " differs from the " << kArch << " zip's";
    }
}

// A silent install with further command-line `options`.
bool Install(const std::wstring& options = L"")
{
    return Run(CommandLine(kSetup, L"/S" + (options.empty() ? L"" : L" " + options)),
               kInstallTimeout) == 0;
}

// The registered quiet uninstall with further `options`. The uninstaller goes
// on from a copy in the temporary folder after the started one ended; its
// last step removes the Uninstall entry.
void Uninstall(const std::wstring& options = L"")
{
    const std::optional<std::wstring> quiet = RegText(kUninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(quiet) << "no Uninstall entry";
    ASSERT_EQ(Run(*quiet + (options.empty() ? L"" : L" " + options), kInstallTimeout), 0u);
    ASSERT_TRUE(WaitFor([] { return !KeyExists(kUninstallKey); }, kInstallTimeout))
        << "the uninstall did not finish";
}

// A string of the installer's version resource; without a name, the line
// the About page begins with: "Version 1.0 (Build 1)".
std::wstring SetupVersion(const wchar_t* name = nullptr)
{
    CVersionInfo setup;
    std::wstring text;
    if (!setup.Load(kSetup.c_str()) || (name && !setup.GetString(name, text)))
        return L"<no version>";
    return name ? text
                : L"Version " + std::to_wstring(setup.Major()) + L"." +
                      std::to_wstring(setup.Minor()) + L" (Build " +
                      std::to_wstring(setup.Build()) + L")";
}

// The shortcut at `path`, made to lead to `target` when one is given: where
// it leads; empty when it cannot be read or made.
std::wstring Shortcut(const std::wstring& path, const std::wstring& target = L"")
{
    CComRef<IShellLinkW> link;
    CComRef<IPersistFile> file;
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())) ||
        FAILED(link.Query(IID_IPersistFile, file)))
        return L"";
    if (!target.empty())
        return SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(file->Save(path.c_str(), TRUE))
                   ? target
                   : L"";
    return SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
                   SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))
               ? buffer
               : L"";
}

// `path`, quoted when it holds a space, as the Run value names the program.
std::wstring QuotedWhereSpaced(const std::wstring& path)
{
    wchar_t text[MAX_PATH] = {};
    lstrcpynW(text, path.c_str(), MAX_PATH - 2);
    PathQuoteSpacesW(text);
    return text;
}

// The texts of the Uninstall entry of an installation of `version` in `folder`.
std::vector<std::pair<const wchar_t*, std::wstring>> UninstallTexts(const std::wstring& folder,
                                                                    const std::wstring& version)
{
    const std::wstring uninstaller = L"\"" + folder + L"\\Uninstall.exe\"";
    return {{L"DisplayName", L"Tarvik"},
            {L"DisplayVersion", version},
            {L"DisplayIcon", folder + L"\\Tarvik.exe,0"},
            {L"InstallLocation", folder},
            {L"UninstallString", uninstaller},
            {L"QuietUninstallString", uninstaller + L" /S"}};
}

// The sheet of a running Tarvik, whatever process shows it; null when none runs.
HWND RunningSheet()
{
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
        if (IsTarvikSheet(w))
            return w;
    }
    return nullptr;
}

// The program file of the process that shows `window`.
std::wstring ProgramOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process && !QueryFullProcessImageNameW(process.Get(), 0, path, &size))
        path[0] = L'\0';
    return path;
}

class CInstaller : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(kSetup.empty()) << "run through tests/dist/installer_test.sh";
        ASSERT_FALSE(KeyExists(kUninstallKey)) << "Tarvik is installed before the test";
        ASSERT_FALSE(FolderExists(kDefaultFolder)) << "Tarvik is installed before the test";
        ASSERT_FALSE(RunningSheet()) << "a Tarvik runs before the test";
    }
    // A test that stopped half-way leaves no installation or running copy
    // behind to fail the next one.
    void TearDown() override
    {
        if (KeyExists(kUninstallKey))
            Uninstall(L"/REMOVEDATA");
        for (HWND sheet = RunningSheet(); sheet; sheet = RunningSheet()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(sheet, &pid);
            CHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            ASSERT_TRUE(process && TerminateProcess(process.Get(), 1))
                << "cannot end a running Tarvik";
            WaitForSingleObject(process.Get(), kStepTimeout);
        }
    }

    // With its start choice ticked (the installer's Run value in place),
    // `tarvik` applies its General page: it writes its own value, which must
    // be the installer's.
    static void ExpectProgramWritesSameRunValue(const CTarvik& tarvik)
    {
        const std::optional<std::wstring> installed = RunValue();
        ASSERT_TRUE(installed) << "the installer wrote no Run value";
        EXPECT_TRUE(tarvik.Checked(IDC_RUN_AT_STARTUP));
        CRunValueBackup::Delete();
        tarvik.Command(kApply);
        EXPECT_EQ(RunValue(), installed);
    }

    // Every value of the Uninstall entry of an installation in `folder`.
    static void ExpectUninstallEntry(const std::wstring& folder)
    {
        for (const auto& [name, value] : UninstallTexts(folder, SetupVersion(L"ProductVersion")))
            EXPECT_EQ(RegText(kUninstallKey, name), value) << name;
        // In KiB, each file rounded down.
        uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            bytes += entry.file_size();
        const std::wstring size = RegText(kUninstallKey, L"EstimatedSize").value_or(L"");
        ASSERT_EQ(size.rfind(L"dword:", 0), 0u) << size;
        EXPECT_LE(std::stoul(size.substr(6)), bytes / 1024);
        EXPECT_GE(std::stoul(size.substr(6)), bytes / 1024 - 5);
    }

    // What the earlier 32-bit setup (Tarvik-<version>-x86-setup.exe) left in
    // `folder` when Tarvik was to start with Windows, as its script wrote it:
    // the 32-bit programs and texts of the x86 zip, its uninstaller, the
    // Start-menu shortcut, the Uninstall entry and the Run value. Laid down
    // here because that setup was a 32-bit program, which not every host
    // running this test can start. The uninstaller stands in as a file that
    // cannot run: an upgrade that failed to replace it fails the uninstall.
    static void LayDownEarlierX86Installation(const std::wstring& folder)
    {
        ASSERT_TRUE(SUCCEEDED(SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr)));
        for (const wchar_t* name : kEarlierFiles)
            ASSERT_TRUE(CopyFileW((kPortable + L"\\x86\\" + name).c_str(),
                                  (folder + L"\\" + name).c_str(), FALSE))
                << name;
        ASSERT_TRUE(WriteBytes(folder + L"\\Uninstall.exe", "the earlier uninstaller"));
        ASSERT_FALSE(Shortcut(kShortcut, folder + L"\\Tarvik.exe").empty());
        for (const auto& [name, text] : UninstallTexts(folder, L"0.9.0"))
            ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kUninstallKey, name, REG_SZ, text.c_str(),
                                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS)
                << name;
        const std::pair<const wchar_t*, DWORD> numbers[] = {
            {L"NoModify", 1}, {L"NoRepair", 1}, {L"EstimatedSize", 1500}};
        for (const auto& [name, number] : numbers)
            ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kUninstallKey, name, REG_DWORD, &number,
                                      sizeof(number)),
                      ERROR_SUCCESS)
                << name;
        // The earlier installers' form of the value: no argument.
        ASSERT_TRUE(
            CRunValueBackup::WriteText(REG_SZ, QuotedWhereSpaced(folder + L"\\Tarvik.exe")));
    }

    // What an installation leaves once uninstalled: nothing.
    static void ExpectRemoved(const std::wstring& folder)
    {
        EXPECT_FALSE(FolderExists(folder));
        EXPECT_FALSE(FileExists(kShortcut));
        EXPECT_FALSE(KeyExists(kUninstallKey));
    }

    const CComApartment m_com{SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))};
};

TEST_F(CInstaller, InstallsSilentlyUpgradesARunningCopyAndUninstallsKeepingTheData)
{
    const std::wstring program = kDefaultFolder + L"\\Tarvik.exe";
    ASSERT_TRUE(Install(L"/AUTOSTART"));
    ExpectShippedFiles(kDefaultFolder);
    EXPECT_EQ(Shortcut(kShortcut), program);
    ExpectUninstallEntry(kDefaultFolder);
    EXPECT_EQ(RunValue(), QuotedWhereSpaced(program) + L" /signin");

    // The installed program: the installer's version on its About page, the
    // installer's Run value, and then settings applied with OK (not saved).
    // The installed console twin reaches it.
    auto old = std::make_unique<CTarvik>(program);
    ASSERT_TRUE(old->StartReady());
    ExpectProgramWritesSameRunValue(*old);
    const CConsoleRun status = RunConsole(kDefaultFolder + L"\\Tarvik.com", L"status");
    EXPECT_EQ(0u, status.exitCode) << status.err;
    EXPECT_NE(std::string::npos, status.out.find("\r\nSleep now: allowed\r\n")) << status.out;
    ASSERT_EQ(Saved(L"/Application/Window/@minimized"), L"false");
    old->Click(IDC_START_MINIMIZED);
    old->Command(ID_TRAY_ABOUT);
    const std::wstring about = WindowText(GetDlgItem(old->CurrentPage(), IDC_VERSION));
    const std::wstring expected = SetupVersion();
    EXPECT_EQ(about.substr(0, expected.size()), expected) << about;
    old->Command(IDOK);
    ASSERT_TRUE(WaitFor([&] { return !old->Visible(); }));
    ASSERT_EQ(Saved(L"/Application/Window/@minimized"), L"false") << "OK saved the settings";
    const size_t logged = LogLines().size();
    const std::optional<std::wstring> runValue = RunValue();

    // The upgrade closes it through its own notification: it saves and says
    // "Stopping"; the new copy starts from the installed file and goes on
    // with the same log. The start choice stays as it was.
    ASSERT_TRUE(Install());
    EXPECT_TRUE(old->WaitExit());
    EXPECT_EQ(Saved(L"/Application/Window/@minimized"), L"true");
    HWND sheet = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (sheet = RunningSheet()) != nullptr; }, 15000))
        << "no Tarvik runs";
    EXPECT_EQ(lstrcmpiW(ProgramOf(sheet).c_str(), program.c_str()), 0) << ProgramOf(sheet);
    EXPECT_TRUE(WaitForLogEvent(kStarting, LogPath(), logged));
    const std::vector<std::wstring> events = LogEvents(LogPath(), logged);
    const auto stopping = std::find(events.begin(), events.end(), kStopping);
    EXPECT_NE(stopping, events.end());
    EXPECT_NE(std::find(stopping, events.end(), kStarting), events.end());
    EXPECT_EQ(RunValue(), runValue);
    old.reset();

    // The uninstall closes the new copy, removes the installation and its
    // Run value, and keeps the settings and the log.
    DWORD pid = 0;
    GetWindowThreadProcessId(sheet, &pid);
    CHandle running(OpenProcess(SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(running);
    Uninstall();
    EXPECT_EQ(WaitForSingleObject(running.Get(), kStepTimeout), WAIT_OBJECT_0);
    ExpectRemoved(kDefaultFolder);
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(Saved(L"/Application/Window/@minimized"), L"true");
    const std::vector<std::wstring> kept = LogEvents();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.back(), kStopping);
}

TEST_F(CInstaller, InstallsIntoAFolderWithSpacesAndUninstallsWithTheData)
{
    const std::wstring folder = L"C:\\Tarvik Test Folder";
    ASSERT_TRUE(Install(L"/AUTOSTART /D=" + folder));
    EXPECT_EQ(RunValue(), L"\"" + folder + L"\\Tarvik.exe\" /signin");
    ExpectUninstallEntry(folder);
    {
        CTarvik tarvik(folder + L"\\Tarvik.exe");
        ASSERT_TRUE(tarvik.StartReady());
        ExpectProgramWritesSameRunValue(tarvik);
        ASSERT_TRUE(FileExists(SettingsPath()));
        ASSERT_TRUE(FileExists(LogPath()));
        // Running while it is uninstalled.
        Uninstall(L"/REMOVEDATA");
        EXPECT_TRUE(tarvik.WaitExit());
    }
    ExpectRemoved(folder);
    EXPECT_FALSE(RunValue());
    EXPECT_FALSE(FolderExists(DataFolder()));
    EXPECT_FALSE(FolderExists(CompanyFolder()));
}

// An installation of the earlier 32-bit setup becomes one of the programs of
// this Windows (on 64-bit Windows the 64-bit ones), in the same place, with
// the same shortcut, start choice and settings, and the new setup's entry.
TEST_F(CInstaller, UpgradesAnInstallationOfTheEarlier32BitSetup)
{
    const std::wstring program = kDefaultFolder + L"\\Tarvik.exe";
    ASSERT_NO_FATAL_FAILURE(LayDownEarlierX86Installation(kDefaultFolder));
    const std::optional<std::wstring> runValue = RunValue();
    const std::string settings = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
                                 "<Application><Window minimized=\"true\"/></Application>\r\n";
    ASSERT_TRUE(SUCCEEDED(SHCreateDirectoryExW(nullptr, DataFolder().c_str(), nullptr)));
    ASSERT_TRUE(WriteBytes(SettingsPath(), settings));

    ASSERT_TRUE(Install());
    ExpectShippedFiles(kDefaultFolder);
    ExpectUninstallEntry(kDefaultFolder);
    EXPECT_EQ(Shortcut(kShortcut), program);
    // The start choice stays, in the form the program writes now.
    ASSERT_TRUE(runValue);
    EXPECT_EQ(RunValue(), *runValue + L" /signin");
    EXPECT_TRUE(ReadBytes(SettingsPath()) == settings) << "the settings changed";

    Uninstall();
    ExpectRemoved(kDefaultFolder);
    EXPECT_FALSE(RunValue());
    EXPECT_TRUE(ReadBytes(SettingsPath()) == settings) << "the settings changed";
    RemoveTree(CompanyFolder());
}

// The Run value of another copy stays through an install and an uninstall
// that were not asked to start Tarvik with Windows. Turned off in Task
// Manager, an install asked to turns it on again; an upgrade that only keeps
// the choice keeps the off.
TEST_F(CInstaller, LeavesAnotherCopysRunValueAndAutostartUndoesTaskManagersOff)
{
    CStartupRecordBackup keepRecord;
    const std::wstring other = L"\"C:\\Other Place\\Tarvik.exe\"";
    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, other));
    ASSERT_TRUE(Install());
    EXPECT_EQ(RunValue(), other);

    ASSERT_TRUE(CStartupRecordBackup::Write(CStartupRecordBackup::Off()));
    ASSERT_TRUE(Install(L"/AUTOSTART"));
    EXPECT_EQ(RunValue(), QuotedWhereSpaced(kDefaultFolder + L"\\Tarvik.exe") + L" /signin");
    EXPECT_EQ(CStartupRecordBackup::Read(), CStartupRecordBackup::On());
    const CStartupRecordBackup::Bytes off = CStartupRecordBackup::Off();
    ASSERT_TRUE(CStartupRecordBackup::Write(off));
    ASSERT_TRUE(Install());
    EXPECT_TRUE(RunValue());
    EXPECT_EQ(CStartupRecordBackup::Read(), off);

    ASSERT_TRUE(CRunValueBackup::WriteText(REG_SZ, other));
    Uninstall();
    ExpectRemoved(kDefaultFolder);
    EXPECT_EQ(RunValue(), other);
    CRunValueBackup::Delete();
}

} // namespace
