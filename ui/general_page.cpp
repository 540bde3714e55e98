#include "ui/general_page.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cwctype>
#include <string>

#include "common/handles.h"
#include "common/message_box.h"
#include "common/resource_string.h"
#include "resources/resource.h"
#include "settings/settings_limits.h"

namespace {

const wchar_t kDelayFormat[] = L"HH:mm:ss";

int SecondsOfDay(const SYSTEMTIME& time)
{
    return time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
}

std::wstring WindowText(HWND window, int maxLength)
{
    std::wstring text(static_cast<size_t>(maxLength) + 1, L'\0');
    const int length = GetWindowTextW(window, &text[0], maxLength + 1);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

} // namespace

CGeneralPage::CGeneralPage(IApplicationCore& core, IInputWarning* inputWarning)
    : CPropertyPage(IDD_GENERAL), m_core(core), m_model(core.Model()),
      m_portEdit(inputWarning ? *inputWarning : SystemInputWarning()),
      m_taskDialog(TaskDialogIndirect)
{
}

CGeneralPage::~CGeneralPage() = default;

TaskDialogFunction CGeneralPage::SetTaskDialogFunction(TaskDialogFunction function)
{
    TaskDialogFunction previous = m_taskDialog;
    m_taskDialog = function ? function : TaskDialogIndirect;
    return previous;
}

bool CGeneralPage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT&)
{
    switch (message) {
    case WM_COMMAND: {
        const int code = HIWORD(wParam);
        if (code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE)
            SendMessageW(Sheet(), PSM_CHANGED, reinterpret_cast<WPARAM>(Handle()), 0);
        OnCommand(LOWORD(wParam), code);
        return true;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(DTN_DATETIMECHANGE))
            SendMessageW(Sheet(), PSM_CHANGED, reinterpret_cast<WPARAM>(Handle()), 0);
        return false; // the sheet's notifications go on to the page's handlers
    case WM_APP_FOCUSCONTROL:
        SetFocus(Item(static_cast<int>(wParam)));
        return true;
    default:
        return false;
    }
}

// --- Support operations ------------------------------------------------------

void CGeneralPage::FillComboFromStrings(HWND combo, const UINT* ids, int count, int index)
{
    for (int i = 0; i < count; ++i) {
        std::wstring text;
        if (ids[i] != 0)
            LoadResourceString(ids[i], text);
        const LRESULT position =
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (position >= 0 && position == index)
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    }
    // An out-of-range value shows the first entry.
    if (SendMessageW(combo, CB_GETCURSEL, 0, 0) == CB_ERR)
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

SYSTEMTIME CGeneralPage::SecondsToSystemTime(int seconds)
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>((seconds % 3600) / 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    time.wMilliseconds = 0;
    return time;
}

void CGeneralPage::EnableControl(HWND control, bool enable)
{
    if (!control)
        return;
    // A control that goes grey must not keep the keyboard.
    if (!enable && GetFocus() == control)
        SendMessageW(GetAncestor(Handle(), GA_ROOT), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, enable ? TRUE : FALSE);
}

void CGeneralPage::EnableFollowingControls(int id, bool enable)
{
    for (HWND control = GetWindow(Item(id), GW_HWNDNEXT); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (GetWindowLongW(control, GWL_STYLE) & WS_GROUP)
            break;
        EnableControl(control, enable);
    }
}

bool CGeneralPage::IsChecked(int id) const
{
    return IsDlgButtonChecked(Handle(), id) == BST_CHECKED;
}

void CGeneralPage::SetPickerTime(int id, const SYSTEMTIME& time)
{
    SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

SYSTEMTIME CGeneralPage::PickerTime(int id) const
{
    SYSTEMTIME time = {};
    SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time;
}

// --- Initialisation and rules ---------------------------------------------------

void CGeneralPage::OnInitDialog()
{
    CheckDlgButton(Handle(), IDC_BLANKING, m_model.Suspend.blanking ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_ALLOW_SUSPEND,
                   m_model.Suspend.allowed ? BST_CHECKED : BST_UNCHECKED);

    const UINT conditions[] = {IDS_ALWAYS, IDS_IF_NO_CONNECTION};
    FillComboFromStrings(Item(IDC_CONDITION), conditions, 2,
                         static_cast<int>(m_model.Suspend.condition));

    m_portEdit.Subclass(Item(IDC_PORTS));
    SendDlgItemMessageW(Handle(), IDC_PORTS, EM_SETLIMITTEXT, kMaxPortText, 0);

    const UINT endpoints[] = {IDS_LOCAL, IDS_REMOTE, IDS_BOTH};
    // The list shows the choices from 1 on.
    FillComboFromStrings(Item(IDC_ENDPOINT), endpoints, 3,
                         static_cast<int>(m_model.TcpPorts.endpoint) - 1);

    m_model.Suspend.allowed = IsChecked(IDC_ALLOW_SUSPEND);
    EnableControl(Item(IDC_CONDITION), m_model.Suspend.allowed);
    ConditionRule();

    CheckDlgButton(Handle(), IDC_AUTO_RESUME,
                   m_model.AutoResume.enabled ? BST_CHECKED : BST_UNCHECKED);
    const UINT modes[] = {IDS_ONCE_ON, IDS_EVERY, IDS_DAILY_AT};
    FillComboFromStrings(Item(IDC_RESUME_MODE), modes, 3,
                         static_cast<int>(m_model.AutoResume.mode));

    CheckDlgButton(Handle(), IDC_AUTO_SUSPEND,
                   m_model.AutoSuspend.enabled ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(Handle(), IDC_SUSPEND_DELAY, DTM_SETFORMATW, 0,
                        reinterpret_cast<LPARAM>(kDelayFormat));
    SetPickerTime(IDC_SUSPEND_DELAY, SecondsToSystemTime(m_model.AutoSuspend.delay));

    const UINT states[] = {IDS_SLEEP, IDS_HIBERNATE};
    FillComboFromStrings(Item(IDC_SUSPEND_STATE), states, 2,
                         static_cast<int>(m_model.AutoSuspend.state));

    CheckDlgButton(Handle(), IDC_RUN_COMMAND, m_model.Command.run ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(Handle(), IDC_COMMAND, EM_SETLIMITTEXT, kMaxCommandText, 0);
    SetDlgItemTextW(Handle(), IDC_COMMAND, m_model.Command.text.c_str());
    SHAutoComplete(Item(IDC_COMMAND), SHACF_DEFAULT);

    AutoResumeRule();

    CheckDlgButton(Handle(), IDC_RUN_AT_STARTUP,
                   m_core.RunAtStartup() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_START_MINIMIZED,
                   m_model.Window.minimized ? BST_CHECKED : BST_UNCHECKED);
}

void CGeneralPage::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_ALLOW_SUSPEND:
        m_model.Suspend.allowed = IsChecked(IDC_ALLOW_SUSPEND);
        EnableControl(Item(IDC_CONDITION), m_model.Suspend.allowed);
        ConditionRule();
        break;
    case IDC_CONDITION:
        if (code == CBN_SELCHANGE)
            ConditionRule();
        break;
    case IDC_AUTO_RESUME:
        AutoResumeRule();
        break;
    case IDC_RESUME_MODE:
        if (code == CBN_SELCHANGE)
            ModeRule();
        break;
    case IDC_AUTO_SUSPEND:
        m_model.AutoSuspend.enabled = IsChecked(IDC_AUTO_SUSPEND);
        EnableFollowingControls(IDC_AUTO_SUSPEND,
                                m_model.AutoResume.enabled && m_model.AutoSuspend.enabled);
        break;
    case IDC_RUN_COMMAND:
        m_model.Command.run = IsChecked(IDC_RUN_COMMAND);
        EnableFollowingControls(IDC_RUN_COMMAND, m_model.AutoResume.enabled && m_model.Command.run);
        break;
    case IDC_BROWSE:
        Browse();
        break;
    default:
        break;
    }
}

void CGeneralPage::ConditionRule()
{
    const LRESULT selected = SendDlgItemMessageW(Handle(), IDC_CONDITION, CB_GETCURSEL, 0, 0);
    m_model.Suspend.condition = static_cast<Condition>(selected);
    HWND ports = Item(IDC_PORTS);
    if (m_model.Suspend.condition == Condition::Always) {
        SetWindowTextW(ports, L"");
        SendMessageW(ports, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L""));
        EnableFollowingControls(IDC_CONDITION, false);
    } else {
        SetWindowTextW(ports, FormatPortList(m_model.TcpPorts.list).c_str());
        const std::wstring cue = ResourceText(IDS_PORTS_CUE);
        SendMessageW(ports, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
        EnableFollowingControls(IDC_CONDITION, m_model.Suspend.allowed);
    }
}

void CGeneralPage::AutoResumeRule()
{
    m_model.AutoResume.enabled = IsChecked(IDC_AUTO_RESUME);
    const bool enabled = m_model.AutoResume.enabled;
    EnableControl(Item(IDC_RESUME_MODE), enabled);

    ModeRule();

    EnableControl(Item(IDC_AUTO_SUSPEND), enabled);
    m_model.AutoSuspend.enabled = IsChecked(IDC_AUTO_SUSPEND);
    EnableFollowingControls(IDC_AUTO_SUSPEND, enabled && m_model.AutoSuspend.enabled);

    EnableControl(Item(IDC_RUN_COMMAND), enabled);
    m_model.Command.run = IsChecked(IDC_RUN_COMMAND);
    EnableFollowingControls(IDC_RUN_COMMAND, enabled && m_model.Command.run);
}

void CGeneralPage::ModeRule()
{
    m_model.AutoResume.mode =
        static_cast<ResumeMode>(SendDlgItemMessageW(Handle(), IDC_RESUME_MODE, CB_GETCURSEL, 0, 0));
    const bool enabled = m_model.AutoResume.enabled;
    EnableControl(Item(IDC_RESUME_TIME), enabled);

    if (m_model.AutoResume.mode == ResumeMode::Every) {
        // The interval shows as a time of day.
        SendDlgItemMessageW(Handle(), IDC_RESUME_TIME, DTM_SETFORMATW, 0,
                            reinterpret_cast<LPARAM>(kDelayFormat));
        EnableControl(Item(IDC_RESUME_DATE), false);
        const SYSTEMTIME interval = SecondsToSystemTime(m_model.AutoResume.delay);
        SetPickerTime(IDC_RESUME_DATE, interval);
        SetPickerTime(IDC_RESUME_TIME, interval);
    } else {
        SendDlgItemMessageW(Handle(), IDC_RESUME_TIME, DTM_SETFORMATW, 0, 0);
        EnableControl(Item(IDC_RESUME_DATE),
                      enabled && m_model.AutoResume.mode == ResumeMode::Once);
        SetPickerTime(IDC_RESUME_DATE, m_model.AutoResume.time);
        SetPickerTime(IDC_RESUME_TIME, m_model.AutoResume.time);
    }

    m_model.AutoSuspend.enabled = IsChecked(IDC_AUTO_SUSPEND);
    EnableFollowingControls(IDC_AUTO_SUSPEND, enabled && m_model.AutoSuspend.enabled);
}

void CGeneralPage::OnAutoResumeDisabled()
{
    if (!Handle())
        return;
    CheckDlgButton(Handle(), IDC_AUTO_RESUME, BST_UNCHECKED);
    AutoResumeRule();
}

// --- Validation and apply --------------------------------------------------------

bool CGeneralPage::OnKillActive()
{
    m_model.Suspend.blanking = IsChecked(IDC_BLANKING);

    const std::wstring ports = WindowText(Item(IDC_PORTS), kMaxPortText);
    if (!ports.empty())
        ParsePortList(ports.c_str(), m_model.TcpPorts.list);
    else
        m_model.TcpPorts.list.clear();

    m_model.TcpPorts.endpoint =
        static_cast<Endpoint>(SendDlgItemMessageW(Handle(), IDC_ENDPOINT, CB_GETCURSEL, 0, 0) + 1);

    const SYSTEMTIME resumeTime = PickerTime(IDC_RESUME_TIME);
    m_model.AutoResume.time = PickerTime(IDC_RESUME_DATE);

    if (m_model.AutoResume.mode == ResumeMode::Every) {
        m_model.AutoResume.delay = SecondsOfDay(resumeTime);
        if (m_model.AutoResume.delay < kAutoResumeDelayMin) {
            ShowInvalidParameter(IDS_RESUME_TOO_SHORT, IDC_RESUME_TIME);
            return false;
        }
    } else {
        m_model.AutoResume.time.wHour = resumeTime.wHour;
        m_model.AutoResume.time.wMinute = resumeTime.wMinute;
        m_model.AutoResume.time.wSecond = resumeTime.wSecond;
        m_model.AutoResume.time.wMilliseconds = 0;
    }

    m_model.AutoSuspend.delay = SecondsOfDay(PickerTime(IDC_SUSPEND_DELAY));
    if (m_model.AutoSuspend.delay < kAutoSuspendDelayMin) {
        ShowInvalidParameter(IDS_SUSPEND_TOO_SHORT, IDC_SUSPEND_DELAY);
        return false;
    }

    m_model.AutoSuspend.state = static_cast<SuspendState>(
        SendDlgItemMessageW(Handle(), IDC_SUSPEND_STATE, CB_GETCURSEL, 0, 0));
    m_model.Command.text = Trim(WindowText(Item(IDC_COMMAND), kMaxCommandText));
    m_core.SetRunAtStartup(IsChecked(IDC_RUN_AT_STARTUP));
    m_model.Window.minimized = IsChecked(IDC_START_MINIMIZED);
    return true;
}

int CGeneralPage::OnApply(bool)
{
    m_core.ApplySettings();
    if (m_model.Suspend.condition == Condition::NoConnection) {
        // A condition without a port to watch turns back to "Always".
        if (m_model.TcpPorts.list.empty())
            SendDlgItemMessageW(Handle(), IDC_CONDITION, CB_SETCURSEL, 0, 0);
        ConditionRule();
    }
    SetDlgItemTextW(Handle(), IDC_COMMAND, m_model.Command.text.c_str());
    return PSNRET_NOERROR;
}

void CGeneralPage::ShowInvalidParameter(UINT messageId, int controlId)
{
    const std::wstring title = ResourceText(IDS_APP_NAME);
    const std::wstring instruction = ResourceText(IDS_INVALID_PARAMETER);
    const std::wstring content = ResourceText(messageId);
    TASKDIALOGCONFIG config =
        ErrorTaskDialog(GetActiveWindow(), title.c_str(), instruction.c_str(), content.c_str());
    config.dwFlags |= TDF_SIZE_TO_CONTENT;
    m_taskDialog(&config, nullptr, nullptr, nullptr);

    // Once the sheet has finished refusing, the offending picker gets the focus.
    PostMessageW(Handle(), WM_APP_FOCUSCONTROL, static_cast<WPARAM>(controlId), 0);
}

void CGeneralPage::Browse()
{
    CComRef<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_IFileOpenDialog,
                                dialog.ReceiveVoid())))
        return;
    dialog->SetOptions(FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST |
                       FOS_DONTADDTORECENT);
    const std::wstring executables = ResourceText(IDS_EXECUTABLE_FILES);
    const std::wstring allFiles = ResourceText(IDS_ALL_FILES);
    const COMDLG_FILTERSPEC types[] = {{executables.c_str(), L"*.exe;*.cmd"},
                                       {allFiles.c_str(), L"*.*"}};
    dialog->SetFileTypes(2, types);
    if (FAILED(dialog->Show(Handle())))
        return;

    CComRef<IShellItem> item;
    CTaskMemString path;
    if (FAILED(dialog->GetResult(item.Receive())) ||
        FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.Receive())))
        return;
    std::wstring command;
    if (CommandFromPath(path.Get(), command))
        SetDlgItemTextW(Handle(), IDC_COMMAND, command.c_str());
}

bool CGeneralPage::CommandFromPath(const wchar_t* path, std::wstring& command)
{
    command = path ? path : L"";
    if (command.empty() || command.size() > static_cast<size_t>(kMaxCommandText - 1))
        return false;
    // Quoted so the command's file part keeps its spaces.
    if (command.find(L' ') != std::wstring::npos)
        command = L"\"" + command + L"\"";
    // The edit holds no more: a longer command would lose its closing quote
    // when the page reads it back.
    return command.size() <= static_cast<size_t>(kMaxCommandText);
}
