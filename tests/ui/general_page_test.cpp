#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/app/run_value_backup.h"
#include "tests/ui/ui_test_support.h"
#include "ui/general_page.h"

namespace {

// What the page asked the task dialog to show.
struct CShownDialog
{
    HWND owner;
    DWORD flags;
    DWORD buttons;
    int defaultButton;
    std::wstring title;
    std::wstring instruction;
    std::wstring content;
    bool errorIcon;
};

std::vector<CShownDialog>& ShownDialogs()
{
    static std::vector<CShownDialog> dialogs;
    return dialogs;
}

HRESULT WINAPI RecordTaskDialog(const TASKDIALOGCONFIG* config, int* button, int*, BOOL*)
{
    ShownDialogs().push_back({config->hwndParent, static_cast<DWORD>(config->dwFlags),
                              static_cast<DWORD>(config->dwCommonButtons), config->nDefaultButton,
                              config->pszWindowTitle, config->pszMainInstruction,
                              config->pszContent, config->pszMainIcon == TD_ERROR_ICON});
    if (button)
        *button = IDOK;
    return S_OK;
}

class CPageSheet : public CPropertySheet
{
public:
    explicit CPageSheet(CPropertyPage& page) : CPropertySheet(IDS_APP_NAME) { AddPage(page); }
    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

SYSTEMTIME TimeOfDay(WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = 0;
    return time;
}

class GeneralPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ShownDialogs().clear();
        page.SetTaskDialogFunction(RecordTaskDialog);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        PumpMessages();
    }

    // Builds the page from the model as it stands.
    void Open()
    {
        window = sheet.CreateModeless();
        ASSERT_NE(nullptr, window);
        ASSERT_NE(nullptr, page.Handle());
    }

    HWND Item(int id) { return page.Item(id); }
    bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
    void Click(int id, bool check)
    {
        CheckDlgButton(page.Handle(), id, check ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(page.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    void Select(int id, int position)
    {
        SendMessageW(Item(id), CB_SETCURSEL, position, 0);
        SendMessageW(page.Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    void SetPicker(int id, const SYSTEMTIME& time)
    {
        SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    }
    SYSTEMTIME Picker(int id)
    {
        SYSTEMTIME time = {};
        SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        return time;
    }
    std::vector<bool> EnabledStates(std::initializer_list<int> ids)
    {
        std::vector<bool> states;
        for (int id : ids)
            states.push_back(Enabled(id));
        return states;
    }

    CFakePowerSystem system;
    CRecordingTray tray;
    CRecordingWarning warning;
    CGeneralPage page{&system, &tray, &warning};
    CSettingsModel& model = page.Model();
    CPageSheet sheet{page};
    HWND window = nullptr;
};

const std::initializer_list<int> kOnResumeControls = {IDC_AUTO_SUSPEND, IDC_SUSPEND_DELAY,
                                                      IDC_SUSPEND_STATE, IDC_RUN_COMMAND,
                                                      IDC_COMMAND, IDC_BROWSE};

} // namespace

TEST_F(GeneralPageTest, DefaultsShowTheModelAndGreyWhatAutomaticResumeGoverns)
{
    Open();
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page.Handle(), IDC_BLANKING));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page.Handle(), IDC_ALLOW_SUSPEND));
    EXPECT_EQ(L"Always", ControlText(Item(IDC_CONDITION)));
    EXPECT_EQ(L"Remote", ControlText(Item(IDC_ENDPOINT)));
    EXPECT_EQ(L"Sleep", ControlText(Item(IDC_SUSPEND_STATE)));
    EXPECT_TRUE(Enabled(IDC_CONDITION));
    EXPECT_EQ((std::vector<bool>{false, false}), EnabledStates({IDC_PORTS, IDC_ENDPOINT}));
    EXPECT_EQ((std::vector<bool>{false, false, false}),
              EnabledStates({IDC_RESUME_MODE, IDC_RESUME_DATE, IDC_RESUME_TIME}));
    EXPECT_EQ(std::vector<bool>(6, false), EnabledStates(kOnResumeControls));
    EXPECT_EQ((std::vector<bool>{true, true}),
              EnabledStates({IDC_RUN_AT_STARTUP, IDC_START_MINIMIZED}));
    // The suspend delay picker shows the model's ten minutes.
    const SYSTEMTIME delay = Picker(IDC_SUSPEND_DELAY);
    EXPECT_EQ(0, delay.wHour);
    EXPECT_EQ(10, delay.wMinute);
    // The first evaluation reached the tray icon.
    EXPECT_EQ(static_cast<UINT>(IDI_TARVIK), tray.icon);
    EXPECT_EQ(L"Tarvik", tray.tooltip);
    EXPECT_EQ(1, tray.updates);
}

TEST_F(GeneralPageTest, TheModeDecidesWhatTheResumePickersShow)
{
    model.AutoResume.enabled = true;
    model.AutoResume.mode = RESUME_DAILY;
    model.AutoResume.delay = 3723;
    model.AutoResume.time = TimeOfDay(7, 30, 0);
    Open();
    EXPECT_FALSE(Enabled(IDC_RESUME_DATE));
    EXPECT_TRUE(Enabled(IDC_RESUME_TIME));
    EXPECT_EQ(7, Picker(IDC_RESUME_TIME).wHour);

    Select(IDC_RESUME_MODE, RESUME_EVERY);
    EXPECT_EQ(RESUME_EVERY, model.AutoResume.mode);
    const SYSTEMTIME interval = Picker(IDC_RESUME_TIME);
    EXPECT_EQ(1, interval.wHour);
    EXPECT_EQ(2, interval.wMinute);
    EXPECT_EQ(3, interval.wSecond);
    EXPECT_FALSE(Enabled(IDC_RESUME_DATE));

    Select(IDC_RESUME_MODE, RESUME_ONCE);
    EXPECT_TRUE(Enabled(IDC_RESUME_DATE));
    EXPECT_EQ(7, Picker(IDC_RESUME_TIME).wHour);
    EXPECT_EQ(30, Picker(IDC_RESUME_TIME).wMinute);
}

// Each delay picker refuses a second under its least, with resume off too.
TEST_F(GeneralPageTest, DelaysUnderTheirLeastAreRefusedWithTheTaskDialog)
{
    struct
    {
        int picker;
        WORD minutes;
        const wchar_t* content;
    } const cases[] = {
        {IDC_RESUME_TIME, 10, L"The specified delay for resume is too short."},
        {IDC_SUSPEND_DELAY, 1, L"The specified delay for suspend is too short."},
    };
    model.AutoResume.mode = RESUME_EVERY;
    Open();
    for (const auto& c : cases) {
        ShownDialogs().clear();
        SetPicker(c.picker, TimeOfDay(0, static_cast<WORD>(c.minutes - 1), 59));
        EXPECT_FALSE(page.ValidatePage()) << c.picker;
        ASSERT_EQ(1u, ShownDialogs().size());
        const CShownDialog& dialog = ShownDialogs()[0];
        EXPECT_EQ(L"Tarvik", dialog.title);
        EXPECT_EQ(L"Invalid Parameter", dialog.instruction);
        EXPECT_EQ(c.content, dialog.content);
        EXPECT_TRUE(dialog.errorIcon);
        EXPECT_EQ(static_cast<DWORD>(TDF_ALLOW_DIALOG_CANCELLATION |
                                     TDF_POSITION_RELATIVE_TO_WINDOW | TDF_SIZE_TO_CONTENT),
                  dialog.flags);
        EXPECT_EQ(static_cast<DWORD>(TDCBF_OK_BUTTON), dialog.buttons);
        EXPECT_EQ(IDOK, dialog.defaultButton);
        // The focus goes to the picker once the refusal is over.
        MSG message;
        ASSERT_TRUE(PeekMessageW(&message, page.Handle(), WM_APP_FOCUSCONTROL,
                                 WM_APP_FOCUSCONTROL, PM_REMOVE));
        EXPECT_EQ(static_cast<WPARAM>(c.picker), message.wParam);
        SetPicker(c.picker, TimeOfDay(0, c.minutes, 0));
    }
    EXPECT_TRUE(page.ValidatePage());
    EXPECT_EQ(600, model.AutoResume.delay);
    EXPECT_EQ(60, model.AutoSuspend.delay);
    EXPECT_EQ(1u, ShownDialogs().size()) << "the accepted delays were refused";
}

TEST_F(GeneralPageTest, ValidationReadsEveryControlAndTheTimeOfDayWithoutMilliseconds)
{
    Open();
    HWND apply = GetDlgItem(window, 0x3021);
    EXPECT_FALSE(IsWindowEnabled(apply));
    Click(IDC_BLANKING, false);
    Select(IDC_ENDPOINT, 2);
    Select(IDC_SUSPEND_STATE, 1);
    Click(IDC_START_MINIMIZED, true);
    // Every click tells the sheet that there is something to apply.
    EXPECT_TRUE(IsWindowEnabled(apply));
    SetPicker(IDC_RESUME_TIME, TimeOfDay(6, 45, 12));
    SetPicker(IDC_SUSPEND_DELAY, TimeOfDay(1, 0, 5));
    SetWindowTextW(Item(IDC_COMMAND), L" \t\"C:\\Program Files\\x.exe\" -a  ");
    ASSERT_TRUE(page.ValidatePage());
    EXPECT_FALSE(model.Suspend.blanking);
    EXPECT_EQ(ENDPOINT_BOTH, model.TcpPorts.endpoint);
    EXPECT_EQ(SUSPEND_STATE_HIBERNATE, model.AutoSuspend.state);
    EXPECT_TRUE(model.Window.minimized);
    EXPECT_EQ(6, model.AutoResume.time.wHour);
    EXPECT_EQ(45, model.AutoResume.time.wMinute);
    EXPECT_EQ(12, model.AutoResume.time.wSecond);
    EXPECT_EQ(0, model.AutoResume.time.wMilliseconds);
    EXPECT_EQ(3605, model.AutoSuspend.delay);
    EXPECT_EQ(L"\"C:\\Program Files\\x.exe\" -a", model.Command.text);
}

TEST_F(GeneralPageTest, ABrowsedPathIsQuotedWhenItHasSpacesAndTakenOnlyWhenTheEditHoldsIt)
{
    std::wstring command;
    EXPECT_TRUE(CGeneralPage::CommandFromPath(L"C:\\Program Files\\Backup\\backup.exe", command));
    EXPECT_EQ(L"\"C:\\Program Files\\Backup\\backup.exe\"", command);
    EXPECT_TRUE(CGeneralPage::CommandFromPath(L"C:\\Tools\\run.cmd", command));
    EXPECT_EQ(L"C:\\Tools\\run.cmd", command);

    // The edit holds 1024 characters; a path of more than 1023 is never taken.
    const std::wstring longest = L"C:\\" + std::wstring(1016, L'a') + L".exe";
    ASSERT_EQ(1023u, longest.size());
    EXPECT_TRUE(CGeneralPage::CommandFromPath(longest.c_str(), command));
    EXPECT_EQ(longest, command);
    EXPECT_FALSE(CGeneralPage::CommandFromPath((longest + L"x").c_str(), command));
    // With a space the quotes must fit too, or apply would cut off the last one.
    std::wstring spaced = longest;
    spaced[3] = L' ';
    EXPECT_FALSE(CGeneralPage::CommandFromPath(spaced.c_str(), command));
    spaced.erase(4, 1);
    EXPECT_TRUE(CGeneralPage::CommandFromPath(spaced.c_str(), command));
    EXPECT_EQ(L"\"" + spaced + L"\"", command);
    EXPECT_FALSE(CGeneralPage::CommandFromPath(L"", command));

    // The longest command taken comes back whole from the edit.
    Open();
    SetWindowTextW(Item(IDC_COMMAND), command.c_str());
    ASSERT_TRUE(page.ValidatePage());
    EXPECT_EQ(command, model.Command.text);
}

TEST_F(GeneralPageTest, ApplyShowsTheNormalisedPortsAndCommandAndWritesTheStartValue)
{
    CRunValueBackup backup;
    model.Suspend.condition = CONDITION_NO_CONNECTION;
    model.TcpPorts.list = {21};
    Open();
    SetWindowTextW(Item(IDC_PORTS), L"443 80,80, 0");
    SetWindowTextW(Item(IDC_COMMAND), L"  calc.exe  ");
    Click(IDC_RUN_AT_STARTUP, true);
    ASSERT_TRUE(page.ValidatePage());
    page.ApplyPage();
    EXPECT_EQ((CPortList{80, 443}), model.TcpPorts.list);
    EXPECT_EQ(L"80,443", ControlText(Item(IDC_PORTS)));
    EXPECT_EQ(L"calc.exe", ControlText(Item(IDC_COMMAND)));
    DWORD type = 0;
    std::wstring value;
    EXPECT_TRUE(CRunValueBackup::Read(type, value));

    // A condition left without a valid port turns back to "Always".
    SetWindowTextW(Item(IDC_PORTS), L"0, 65536");
    Click(IDC_RUN_AT_STARTUP, false);
    ASSERT_TRUE(page.ValidatePage());
    page.ApplyPage();
    EXPECT_EQ(CONDITION_ALWAYS, model.Suspend.condition);
    EXPECT_EQ(L"Always", ControlText(Item(IDC_CONDITION)));
    EXPECT_EQ(L"", ControlText(Item(IDC_PORTS)));
    EXPECT_FALSE(Enabled(IDC_PORTS));
    EXPECT_FALSE(CRunValueBackup::Read(type, value));
}

TEST_F(GeneralPageTest, APassedOneTimeMomentClearsAutomaticResumeOnThePage)
{
    model.AutoResume.enabled = true;
    model.AutoResume.mode = RESUME_ONCE;
    model.AutoSuspend.enabled = true;
    SYSTEMTIME yesterday;
    GetLocalTime(&yesterday);
    FILETIME moment;
    SystemTimeToFileTime(&yesterday, &moment);
    ULARGE_INTEGER ticks{{moment.dwLowDateTime, moment.dwHighDateTime}};
    ticks.QuadPart -= 86400ULL * 10000000ULL;
    moment = {ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&moment, &yesterday);
    model.AutoResume.time = yesterday;
    Open();
    EXPECT_TRUE(Enabled(IDC_AUTO_SUSPEND));

    page.Engine().HandleSuspend();
    EXPECT_FALSE(model.AutoResume.enabled);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page.Handle(), IDC_AUTO_RESUME));
    EXPECT_EQ(std::vector<bool>(6, false), EnabledStates(kOnResumeControls));
    EXPECT_FALSE(Enabled(IDC_RESUME_MODE));
    EXPECT_EQ(0, system.wakeTimerSets);
}

TEST_F(GeneralPageTest, ThePageWindowCarriesTheEngineTimers)
{
    model.Suspend.condition = CONDITION_NO_CONNECTION;
    model.TcpPorts.list = {8080};
    system.remotePort = 8080;
    Open();
    // The watch runs on the page's window, and the blocked state shows.
    EXPECT_EQ(page.Handle(), system.timerWindow);
    ASSERT_FALSE(system.timers.empty());
    EXPECT_TRUE(system.timers.back().set);
    EXPECT_EQ(2u, system.timers.back().id);
    EXPECT_EQ(static_cast<UINT>(IDI_NOSUSPEND), tray.icon);
    EXPECT_EQ(L"Tarvik - Active TCP ports: 8080", tray.tooltip);

    system.remotePort = 0;
    SendMessageW(page.Handle(), WM_TIMER, 2, 0);
    EXPECT_EQ(static_cast<UINT>(IDI_TARVIK), tray.icon);
    EXPECT_EQ(L"Tarvik", tray.tooltip);
}

TEST_F(GeneralPageTest, ThePagesEndGivesTheScreenSaverBack)
{
    model.Suspend.blanking = false;
    Open();
    EXPECT_FALSE(system.screenSaverActive);
    DestroyWindow(window);
    window = nullptr;
    EXPECT_TRUE(system.screenSaverActive);
}
