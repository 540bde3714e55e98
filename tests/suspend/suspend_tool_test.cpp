// The tool's parts on a console that keeps what is written and plays back
// given keys: the command line, the writers and every way one run can end.
#include "suspend/command_line.h"
#include "suspend/console.h"
#include "suspend/message_writer.h"
#include "suspend/suspend_operation.h"
#include "tests/support/power_capabilities.h"
#include "tests/support/privilege_fake.h"
#include "tests/support/system_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class CFakeConsoleStream : public IConsoleStream
{
public:
    bool Open() override { return false; }
    void SetMode(int) override {}
    void Write(const wchar_t* text) override { output += text; }
    wint_t ReadKey() override
    {
        const wint_t key = keys.empty() ? WEOF : keys.front();
        keys.erase(keys.begin(), keys.begin() + !keys.empty());
        return key;
    }

    std::wstring output;
    std::deque<wint_t> keys;
};

// What main gets: mutable arguments behind the program path.
int CallMain(std::vector<std::wstring> arguments, const std::function<int(int, wchar_t**)>& main)
{
    arguments.insert(arguments.begin(), L"C:\\tools\\suspend.exe");
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    return main(static_cast<int>(arguments.size()), argv.data());
}

// The stream is a base built first, so it exists when the console opens it.
// Each option handled is kept as "name(value|value) ".
class CTestConsole : private CFakeConsoleStream, public CConsole
{
public:
    CTestConsole() : CConsole(static_cast<CFakeConsoleStream&>(*this)) {}
    CFakeConsoleStream& stream = static_cast<CFakeConsoleStream&>(*this);

    int HandleOption(const wchar_t* name, wchar_t** values, int count) override
    {
        calls += name + std::wstring(L"(");
        for (int i = 0; i < count; ++i)
            calls += (i ? L"|" : L"") + std::wstring(values[i]);
        calls += L") ";
        return CConsole::HandleOption(name, values, count);
    }
    void Parse(std::vector<std::wstring> arguments)
    {
        CallMain(std::move(arguments), [this](int argc, wchar_t** argv) {
            ParseCommandLine(*this, argc, argv);
            return 0;
        });
    }

    std::wstring calls;
};

// The suspend request is recorded with its three flags, a display turned off
// as "display-off". The machine is a desktop with every state unless a test
// makes it another; its power plan cannot be read.
class CFakeSuspendSystem : public CFakePrivileges<ISuspendSystem>
{
public:
    bool capabilitiesKnown = true;
    SYSTEM_POWER_CAPABILITIES capabilities = DesktopCapabilities();
    bool hibernateAllowed = true;

    bool SetSuspendState(bool hibernate, bool force, bool noWake) override
    {
        calls += std::string("suspend:") + "01"[hibernate] + "01"[force] + "01"[noWake];
        return Step("", true, errors[SuspendCallStep]);
    }
    bool GetPowerCapabilities(SYSTEM_POWER_CAPABILITIES* caps) override
    {
        *caps = capabilities;
        return capabilitiesKnown;
    }
    bool IsHibernateAllowed() override { return hibernateAllowed; }
    bool ReadPlanValue(const GUID&, const GUID&, bool, DWORD*) override { return false; }
    void TurnDisplayOff() override { calls += "display-off"; }
};

} // namespace

// "hibernation" and "nowake" come after the first three keywords, so the
// short forms keep their old meaning; a word longer than its keyword is none.
TEST(ToolOptions, AbbreviationsSelectTheFirstMatchingOption)
{
    const std::pair<DWORD, std::vector<const wchar_t*>> cases[] = {
        {OPTION_HIBERNATE, {L"/h", L"/hi", L"/hib", L"/H", L"-hibernate", L"/hibernation"}},
        {OPTION_FORCE, {L"/f"}},
        {OPTION_NO_WAKE, {L"/n", L"/no", L"/notarvik", L"/nowake"}},
        {0, {L"/he", L"/?", L"/hibernationx", L"/nowakes"}},
    };
    for (const auto& c : cases) {
        for (const wchar_t* word : c.second) {
            CTestConsole console;
            console.Parse({word});
            EXPECT_EQ(c.first, console.OptionFlags()) << word;
            // Help, and a word longer than any keyword, ask for the usage.
            EXPECT_EQ(c.first == 0, console.HelpRequested() && console.HasProblems()) << word;
        }
    }
}

// Values follow a colon, split at commas, semicolons and equals signs (only
// the first colon ends the name), or come as the plain arguments after the
// option; quotes keep separators. A 33rd value and a missing closing quote
// make the value invalid.
TEST(OptionValues, SeparatorsQuotesPlainArgumentsAndTheirLimits)
{
    std::wstring listed = L"0", called = L"0";
    for (int i = 1; i < 32; ++i) {
        listed += L"," + std::to_wstring(i);
        called += L"|" + std::to_wstring(i);
    }
    CTestConsole console;
    console.Parse({L"/force:a,b;c=d", L"/force:\"x,y\"tail;\"\"", L"/force:\"a:b\",c",
                   L"/force:" + listed, L"/force:" + listed + L",32", L"/hib:\"open", L"/h:a,\"b",
                   L"/display:NO"});
    // A display level "no" is none, "nor" normal.
    EXPECT_EQ(LEVEL_NONE, console.DisplayLevel());
    console.Parse({L"/display:nor"});
    EXPECT_EQ(LEVEL_NORMAL, console.DisplayLevel());
    EXPECT_EQ(L"force(a|b|c|d) force(x,y|) force(a:b|c) force(" + called +
                  L") display(NO) display(nor) ",
              console.calls);
    EXPECT_EQ(L"\t/force\n\t/hib\n\t/h\n", console.InvalidValuesReport());
    EXPECT_EQ(OPTION_FORCE, console.OptionFlags());

    CTestConsole plain;
    plain.Parse({L"/force", L"-5", L"x", L"/h", L"-5", L"word", L"/", L"-", L"/:v", L"/xyz", L"p"});
    EXPECT_EQ(L"force(-5|x) h(-5|word) xyz(p) ", plain.calls);
    EXPECT_EQ(L"\t/\n\t-\n\t/\n\t/xyz\n", plain.UnknownParametersReport());
    EXPECT_EQ(OPTION_FORCE | OPTION_HIBERNATE, plain.OptionFlags());
}

// A prefix once per line and none for information. A Win32 result is looked
// up by its own code, not wrapped once more, and shown in decimal; code 1 has
// no system text. Other codes show in hexadecimal after the trimmed text.
TEST(MessageWriter, PrefixesAndErrorCodes)
{
    const wchar_t message[] = L"Catastrophic  failure\t \r\n";
    EXPECT_EQ(L"Catastrophic  failure (0x8000FFFF)",
              ComposeErrorCodeText(E_UNEXPECTED, message, wcslen(message)));
    CTestConsole console;
    console.WriteErrorCode(L"Open %s", static_cast<HRESULT>(0x80070005), L"file");
    console.WriteError(L"Unable to %s", L"go");
    console.WriteMessage(L"one", MSG_WARNING, 0);
    console.WriteMessage(L" two", MSG_WARNING | MSG_LINEEND, 0);
    console.WriteText(L"a\n");
    console.WriteMessage(L"b", MSG_ERROR, 1);
    console.WriteLine(L"plain %d", 3);
    EXPECT_EQ(L"ERROR: Open file\n" + SystemText(5) +
                  L" (5)\nERROR: Unable to go\n"
                  L"WARNING: one two\na\nERROR: b\nplain 3\n",
              console.stream.output);
    ASSERT_FALSE(SystemText(5).empty());
}

// The first letter of an offered answer wins; function keys (End is 0xE0 0x4F
// "O", Insert is 0 0x52 "R") are no answers; the end of the input gives none.
TEST(Question, KeysChooseAmongTheOfferedAnswers)
{
    // The answers offered, the keys, the answer chosen and the output.
    const std::tuple<DWORD, std::deque<wint_t>, int, const wchar_t*> cases[] = {
        {0x7F, {L'c'}, IDCANCEL, L" (Ok/Yes/No/Abort/Retry/Ignore/Cancel): c\n"},
        {ASK_OK | ASK_RETRY | ASK_CANCEL,
         {0xE0, 0x4F, 0, 0x52, L'c'},
         IDCANCEL,
         L" (Ok/Retry/Cancel): c\n"},
        {ASK_YES | ASK_NO, {L'x', L'o', L'\r', L'N'}, IDNO, L" (Yes/No): N\n"},
        {ASK_YES | ASK_NO, {L'q', L'z'}, 0, L" (Yes/No): "},
    };
    for (const auto& [flags, keys, answer, output] : cases) {
        CTestConsole console;
        console.stream.keys = keys;
        EXPECT_EQ(answer, console.Ask(flags)) << output;
        EXPECT_EQ(output, console.stream.output);
        EXPECT_TRUE(console.stream.keys.empty()) << output;
    }
}

// Every way one run of the tool can end, on a system that suspends nothing.
// The shutdown privilege is enabled before the request; a failed step ends the
// run with exit 2. What the machine cannot do is said before the privilege and
// the request, which then do not happen (exit 2); what the system cannot tell
// says nothing. A Modern Standby computer enters standby when its display turns
// off ("Prepare software for modern standby"), while SetSuspendState(FALSE)
// would hibernate it or do nothing. An opened token is always closed.
TEST(SuspendRun, EveryWayARunEnds)
{
    SYSTEM_POWER_CAPABILITIES sleepOnlyInS1 = NoSleepCapabilities(),
                              noHiberFile = DesktopCapabilities();
    sleepOnlyInS1.SystemS1 = TRUE;
    noHiberFile.HiberFilePresent = FALSE;
    const auto desktop = DesktopCapabilities(), noSleep = NoSleepCapabilities(),
               standby = ModernStandbyCapabilities();
    const std::wstring suspending = L"Suspending the system...\n";
    const std::wstring hibernating = suspending + L"Entering hibernation.\n";
    const std::wstring forced =
        suspending + L"Operation will be suspended immediately.\nEntering sleep state.\n";
    const std::wstring noWake = suspending + L"Wake Timers are disabled.\nEntering sleep state.\n";
    const std::wstring privilege = L"ERROR: Unable to set shutdown privilege\n";
    const std::wstring noSleepState = L"ERROR: This computer has no sleep state\n";
    const std::wstring noHibernation = L"ERROR: Hibernation is not available on this computer\n";
    const std::string granted = "open lookup adjust ";
    struct
    {
        const wchar_t* options;
        int code;
        std::string calls;
        std::wstring output; // after the banner
        SYSTEM_POWER_CAPABILITIES machine;
        bool known = true, hibernateAllowed = true; // what the system tells
        SuspendStep step = StepCount;               // given `error`
        DWORD error = 0;
    } cases[] = {
        // The privilege's steps and the request.
        {L"/hib", EXIT_SUSPENDED, granted + "suspend:100", hibernating, desktop, true, true,
         AdjustLeavesStep, ERROR_INVALID_PARAMETER},
        {L"/hib", EXIT_FAILED, "open ", privilege, desktop, true, true, OpenStep,
         ERROR_ACCESS_DENIED},
        {L"/hib", EXIT_FAILED, granted, privilege, desktop, true, true, AdjustLeavesStep,
         ERROR_NOT_ALL_ASSIGNED},
        {L"/f", EXIT_FAILED, granted + "suspend:010",
         forced + L"ERROR: Suspend failed\n" + SystemText(5) + L" (5)\n", desktop, true, true,
         SuspendCallStep, ERROR_ACCESS_DENIED},
        // The machine (power_rules_e2e runs the tool on more of them).
        {L"/n", EXIT_SUSPENDED, granted + "suspend:001", noWake, sleepOnlyInS1},
        {L"/f", EXIT_FAILED, "", noSleepState, noSleep, true, false},
        {L"/h", EXIT_SUSPENDED, granted + "suspend:100", hibernating, noSleep},
        {L"/display:none", EXIT_SUSPENDED, "display-off", L"", standby},
        {L"/h", EXIT_SUSPENDED, granted + "suspend:100", hibernating, standby},
        {L"/h", EXIT_FAILED, "", noHibernation, noHiberFile},
        {L"/display:none /h", EXIT_FAILED, "", L"", noHiberFile},
        // Unknown capabilities: sleep is tried; hibernation is what
        // IsPwrHibernateAllowed says.
        {L"/f", EXIT_SUSPENDED, granted + "suspend:010", forced, noSleep, false},
        {L"/h", EXIT_FAILED, "", noHibernation, standby, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.options) + L" -> " + c.output);
        CTestConsole console, banner;
        if (std::wstring(c.options).rfind(L"/display:none", 0) != 0)
            banner.WriteBanner();
        CFakeSuspendSystem system;
        system.capabilities = c.machine;
        system.capabilitiesKnown = c.known;
        system.hibernateAllowed = c.hibernateAllowed;
        if (c.error)
            system.errors[c.step] = c.error;
        std::vector<std::wstring> arguments;
        std::wistringstream words(c.options);
        for (std::wstring word; words >> word;)
            arguments.push_back(word);
        EXPECT_EQ(c.code, CallMain(arguments, [&](int argc, wchar_t** argv) {
                      return RunSuspendTool(console, system, argc, argv);
                  }));
        EXPECT_EQ(c.calls, system.calls);
        EXPECT_EQ(banner.stream.output + c.output, console.stream.output);
        EXPECT_TRUE(system.TokensClosed());
    }
    ASSERT_FALSE(SystemText(5).empty());
}

// The crash machinery is made ready for a run that goes on to the system,
// before its first call, and not for the usage or a refused command line.
TEST(SuspendRun, OnlyAnAcceptedCommandLineIsPreparedForWork)
{
    static CFakeSuspendSystem* system = nullptr;
    const std::pair<std::wstring, std::string> cases[] = {
        {L"/?", ""},
        {L"/x", ""},
        {L"/h", "prepared open lookup adjust suspend:100"},
    };
    for (const auto& c : cases) {
        CTestConsole console;
        CFakeSuspendSystem fake;
        system = &fake;
        CallMain({c.first}, [&](int argc, wchar_t** argv) {
            return RunSuspendTool(console, fake, argc, argv, [] { system->calls += "prepared "; });
        });
        EXPECT_EQ(c.second, fake.calls) << c.first;
    }
    system = nullptr;
}
