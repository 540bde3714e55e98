// The real programs on machines Wine never plays: a powrprof.dll of our own
// (powrprof_standin.cpp) takes the place of Wine's in the prefix's system
// directory for this program's run, answers what the machine can do and what
// its power plan says from a file the test writes, and records the requests
// to suspend instead of making them. Wine takes it only under a native
// override of powrprof, which this test's own entry sets; the programs load
// their system libraries from the system directory only, so that is where it
// goes. The test program itself does not use powrprof.
//
// suspend.exe must say what the machine cannot do and request nothing then;
// Tarvik.exe must log each problem of its settings on that machine once.
#include <windows.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "tests/e2e/e2e_fixture.h"
#include "tests/e2e/powrprof_standin.h"
#include "tests/support/console_run.h"
#include "tests/support/power_capabilities.h"

namespace e2e {
namespace {

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return folder + std::wstring(L"tarvik_power_rules.") + std::to_wstring(GetCurrentProcessId()) +
           L"." + name;
}

// The files the stand-in reads and writes, named to it in the environment
// that the programs started here inherit.
const std::wstring kMachineFile = TempPath(L"machine.txt");
const std::wstring kRecordFile = TempPath(L"record.txt");

// Puts the stand-in in place of Wine's powrprof.dll for the run and Wine's
// back afterwards. A 32-bit process writing to the system directory of a
// WoW64 prefix lands in syswow64, where 32-bit programs load from. A run cut
// short leaves Wine's copy aside: it is kept, and put back next time.
class CStandInGuard : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!UnderWine())
            return; // elsewhere the tests skip: the real library would suspend
        if (!FileExists(Aside()))
            MoveFileW(Installed().c_str(), Aside().c_str());
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"powrprof_standin.dll").c_str(),
                              Installed().c_str(), FALSE))
            << GetLastError();
        SetEnvironmentVariableW(L"TARVIK_STANDIN_MACHINE", kMachineFile.c_str());
        SetEnvironmentVariableW(L"TARVIK_STANDIN_RECORD", kRecordFile.c_str());
    }
    void TearDown() override
    {
        if (!UnderWine())
            return;
        DeleteFileW(Installed().c_str());
        if (FileExists(Aside()))
            MoveFileW(Aside().c_str(), Installed().c_str());
        DeleteFileW(kMachineFile.c_str());
        DeleteFileW(kRecordFile.c_str());
    }

private:
    static std::wstring Installed()
    {
        wchar_t folder[MAX_PATH] = {};
        GetSystemDirectoryW(folder, MAX_PATH);
        return folder + std::wstring(L"\\powrprof.dll");
    }
    static std::wstring Aside() { return Installed() + L".tarvik-wine"; }
};
::testing::Environment* const g_standInGuard =
    ::testing::AddGlobalTestEnvironment(new CStandInGuard);

// A machine for the stand-in: by default a desktop on which every rule
// allows everything; the plan's values for wake timers and for programs
// keeping it awake, each on mains power and on battery.
CStandInMachine Machine(const SYSTEM_POWER_CAPABILITIES& capabilities = DesktopCapabilities(),
                        std::array<DWORD, 4> plan = {1, 1, 1, 1}, int hibernateAllowed = 1)
{
    return {TRUE, capabilities, hibernateAllowed, {plan[0], plan[1]}, {plan[2], plan[3]}};
}

// The display turned off by a broadcast of SC_MONITORPOWER (2: off), as a
// top-level window of any program sees it; the messages are taken.
bool DisplayTurnedOff(HWND window)
{
    bool off = false;
    MSG message;
    while (PeekMessageW(&message, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE))
        off = off || ((message.wParam & 0xFFF0) == SC_MONITORPOWER && message.lParam == 2);
    return off;
}

class CPowerRules : public CEndToEnd
{
protected:
    void SetUp() override
    {
        if (!UnderWine())
            GTEST_SKIP() << "the programs would really suspend this machine";
        wchar_t overrides[256] = {};
        GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 256);
        ASSERT_STREQ(L"powrprof=n", overrides) << "runs under its own test entry's override";
        CEndToEnd::SetUp();
        DeleteFileW(kRecordFile.c_str());
    }

    static void Play(const CStandInMachine& machine)
    {
        ASSERT_TRUE(WriteBytes(
            kMachineFile, std::string(reinterpret_cast<const char*>(&machine), sizeof machine)));
    }
    // The suspend requests the stand-in recorded.
    static std::string Record() { return ReadBytes(kRecordFile); }
};

// What suspend.exe prints, its exit code, the requests and whether it turned
// the display off, on each machine. Only the request on a machine that can
// sleep or hibernate reaches the library, with the options' three arguments;
// unknown capabilities say nothing and leave the request to Windows.
TEST_F(CPowerRules, SuspendToolSaysWhatTheMachineCannotDoAndRequestsNothingThen)
{
    const std::wstring tool = ProgramFolder() + L"suspend.exe";
    const CWindowHandle window(CreateWindowExW(0, L"STATIC", L"power rules", WS_OVERLAPPED, 0, 0, 0,
                                               0, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    CStandInMachine unknown = Machine();
    unknown.capabilitiesKnown = FALSE;
    const std::wstring suspending = L"Suspending the system...\n";
    // The machine, the arguments, the exit code, the output after the
    // banner, the record and whether the display was turned off.
    const std::tuple<CStandInMachine, const wchar_t*, DWORD, std::wstring, const char*, bool>
        cases[] = {
            {Machine(), L"/force", 0,
             suspending + L"Operation will be suspended immediately.\nEntering sleep state.\n",
             "SetSuspendState(0, 1, 0)\r\n", false},
            {Machine(), L"/hibernation /nowake", 0,
             suspending + L"Wake Timers are disabled.\nEntering hibernation.\n",
             "SetSuspendState(1, 0, 1)\r\n", false},
            {Machine(NoSleepCapabilities()), L"", 2,
             L"ERROR: This computer has no sleep state\nUse /hibernation to enter hibernation "
             L"instead.\n",
             "", false},
            {Machine(DesktopCapabilities(), {1, 1, 1, 1}, 0), L"/hibernation", 2,
             L"ERROR: Hibernation is not available on this computer\n", "", false},
            {Machine(ModernStandbyCapabilities()), L"", 0,
             L"Entering Modern Standby by turning the display off.\n", "", true},
            {unknown, L"", 0, suspending + L"Entering sleep state.\n",
             "SetSuspendState(0, 0, 0)\r\n", false},
        };
    for (const auto& c : cases) {
        const auto& [machine, arguments, code, output, record, displayOff] = c;
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        Play(machine);
        DeleteFileW(kRecordFile.c_str());
        const CConsoleRun run = RunConsole(tool, arguments);
        EXPECT_EQ(code, run.exitCode);
        EXPECT_EQ(Encode(SuspendBanner(tool) + output), run.out);
        EXPECT_EQ(record, Record());
        EXPECT_EQ(displayOff, DisplayTurnedOff(window.Get()));
    }
}

const wchar_t* const kConditionsUnmet = L"Warning: suspend conditions are not met";

// The log's warnings about the machine: every "Warning:" line but the one a
// suspend against Tarvik's conditions brings.
std::vector<std::wstring> MachineWarnings()
{
    std::vector<std::wstring> warnings;
    for (const std::wstring& event : LogEvents()) {
        if (event.rfind(L"Warning: ", 0) == 0 && event != kConditionsUnmet)
            warnings.push_back(event);
    }
    return warnings;
}

// Starts Tarvik with `settings` on the machine played, then sends a suspend
// broadcast, at which it checks the machine again while automatic resume is
// on; the warnings it logged until then.
std::vector<std::wstring> WarningsOfRun(const std::string& settings)
{
    WriteSettings(settings);
    CTarvik tarvik;
    if (!tarvik.StartReady()) {
        ADD_FAILURE() << "Tarvik did not start";
        return {};
    }
    tarvik.PowerBroadcast(PBT_APMSUSPEND);
    EXPECT_TRUE(WaitForLogEvent(kSuspending));
    return MachineWarnings();
}

const char kResume[] = "<Application><Suspend allowed=\"true\" condition=\"0\"/>"
                       "<AutoResume enabled=\"true\" mode=\"1\" delay=\"3600\"/></Application>";
std::string ResumeThenSuspend(int state)
{
    return "<Application><Suspend allowed=\"true\" condition=\"0\"/>"
           "<AutoResume enabled=\"true\" mode=\"1\" delay=\"3600\"><AutoSuspend enabled=\"true\" "
           "delay=\"600\" state=\"" +
           std::to_string(state) + "\"/></AutoResume></Application>";
}
const char kKeepAwake[] = "<Application><Suspend allowed=\"false\"/></Application>";

// Each problem of the settings on the machine is logged once, in the
// program's words, and nothing of the kind where there is none: the rules of
// a battery count only where there is one. A group policy's value is what
// Windows applies, whatever the plan says. Tarvik requests no suspend.
TEST_F(CPowerRules, TarvikLogsEachProblemOfTheMachineOnce)
{
    SYSTEM_POWER_CAPABILITIES laptop = DesktopCapabilities();
    laptop.SystemBatteriesPresent = TRUE;
    using Lines = std::vector<std::wstring>;
    // The machine, the settings and the warnings.
    const std::tuple<CStandInMachine, std::string, Lines> cases[] = {
        {Machine(DesktopCapabilities(), {0, 1, 1, 1}),
         kResume,
         {L"Warning: the power plan disables wake timers on mains power; automatic resume "
          L"cannot wake this computer"}},
        {Machine(laptop, {1, 2, 1, 1}),
         kResume,
         {L"Warning: the power plan allows only important wake timers on battery; automatic "
          L"resume cannot wake this computer"}},
        {Machine(NoSleepCapabilities()),
         ResumeThenSuspend(0),
         {L"Warning: this computer has no sleep state; automatic suspend cannot put it to sleep"}},
        {Machine(DesktopCapabilities(), {1, 1, 1, 1}, 0),
         ResumeThenSuspend(1),
         {L"Warning: hibernation is not available on this computer"}},
        {Machine(DesktopCapabilities(), {1, 1, 0, 1}),
         kKeepAwake,
         {L"Warning: the power plan does not let programs keep this computer awake on mains "
          L"power"}},
        {Machine(ModernStandbyCapabilities()),
         kResume,
         {L"Warning: this computer sleeps in Modern Standby; automatic resume cannot wake it "
          L"from there"}},
        {Machine(DesktopCapabilities(), {1, 0, 1, 0}), ResumeThenSuspend(0), {}},
    };
    for (const auto& c : cases) {
        const auto& [machine, settings, warnings] = c;
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        RemoveTree(CompanyFolder());
        Play(machine);
        EXPECT_EQ(warnings, WarningsOfRun(settings));
    }

    // The policy's keys that this test makes it removes again: from the
    // first that was missing on.
    const std::wstring policy = L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\"
                                L"BD3B718A-0680-4D9D-8AB2-E1D2B4AC806D";
    std::wstring made;
    for (size_t end = 0; made.empty() && end != std::wstring::npos;) {
        end = policy.find(L'\\', end + 1);
        CRegistryKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, policy.substr(0, end).c_str(), 0, KEY_READ,
                          key.Receive()) != ERROR_SUCCESS)
            made = policy.substr(0, end);
    }
    const DWORD disabled = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, policy.c_str(), L"ACSettingIndex",
                                             REG_DWORD, &disabled, sizeof disabled));
    RemoveTree(CompanyFolder());
    Play(Machine());
    EXPECT_EQ(std::vector<std::wstring>{L"Warning: the power plan disables wake timers on mains "
                                        L"power; automatic resume cannot wake this computer"},
              WarningsOfRun(kResume));
    if (made.empty())
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, policy.c_str(), L"ACSettingIndex");
    else
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, made.c_str());
    EXPECT_EQ("", Record());
}

} // namespace
} // namespace e2e
