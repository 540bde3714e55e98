// The General page driven as the user drives it: check boxes, lists, typing
// into the pickers and the port edit, Apply, OK and the close command.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using CGeneralPage = CEndToEnd;

void ExpectEnabled(const CTarvik& tarvik, std::initializer_list<int> ids, bool enabled)
{
    for (int id : ids)
        EXPECT_EQ(tarvik.Enabled(id), enabled) << id;
}

// Shows the task dialog of a refused delay and closes it; the window stays.
void ExpectRefusal(const CTarvik& tarvik, WORD button, const wchar_t* content)
{
    tarvik.PostCommand(button);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = tarvik.OwnedDialog()) != nullptr; }))
        << "a delay under its least was taken";
    EXPECT_TRUE(FindWindowExW(dialog, nullptr, nullptr, content));
    tarvik.Post(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the task dialog stays";
    EXPECT_TRUE(tarvik.Visible()) << "hidden although refused";
}

// OK and the close command apply the page and hide the window; only Apply
// saves. The permission entry shows when the engine took the page's values:
// the click alone writes none. A double-click on the tray icon shows the
// window. Apply refuses a resume interval under its least and OK a countdown
// under its least; neither saves, and the least is taken. Each choice
// enables the controls that depend on it, and Apply normalises the port
// list; an empty one means "Always".
TEST_F(CGeneralPage, OkCloseAndApplyTakeThePageWhichRefusesShortDelaysAndEnablesWhatApplies)
{
    WriteSettings("<Application><Suspend allowed=\"true\" condition=\"1\">"
                  "<TcpPorts endpoint=\"3\">443,80</TcpPorts></Suspend>"
                  "<AutoResume enabled=\"true\" mode=\"1\" delay=\"600\">"
                  "<AutoSuspend enabled=\"true\" delay=\"119\" state=\"1\"/>"
                  "<Command run=\"true\">C:\\windows\\system32\\cmd.exe /c exit</Command>"
                  "</AutoResume></Application>");
    std::string written = ReadBytes(SettingsPath());
    const std::wstring allowed = L"Automatic suspend allowed";
    const std::wstring notAllowed = L"Automatic suspend not allowed";
    const auto portControls = {IDC_CONDITION, IDC_PORTS, IDC_ENDPOINT};
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    ASSERT_TRUE(WaitForLogEvent(allowed));
    ExpectEnabled(tarvik, portControls, true);

    size_t mark = LogLines().size();
    tarvik.Click(IDC_ALLOW_SUSPEND);
    ExpectEnabled(tarvik, portControls, false);
    EXPECT_TRUE(LogEvents(LogPath(), mark).empty()) << "the click applied";
    tarvik.Command(IDOK);
    EXPECT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    EXPECT_TRUE(WaitForLogEvent(notAllowed, LogPath(), mark)) << "OK did not apply";
    EXPECT_EQ(ReadBytes(SettingsPath()), written) << "OK saved";

    const auto showByDoubleClick = [&] {
        tarvik.TrayEvent(WM_LBUTTONDBLCLK);
        ASSERT_TRUE(WaitFor([&] { return tarvik.Visible(); }));
    };
    showByDoubleClick();
    mark = LogLines().size();
    tarvik.Click(IDC_ALLOW_SUSPEND);
    ExpectEnabled(tarvik, portControls, true);
    tarvik.Send(tarvik.Sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([&] { return !tarvik.Visible(); }));
    EXPECT_TRUE(WaitForLogEvent(allowed, LogPath(), mark)) << "the close command did not apply";
    EXPECT_EQ(ReadBytes(SettingsPath()), written) << "closing saved";

    showByDoubleClick();
    tarvik.PickerKeys(IDC_RESUME_TIME, {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_LEFT, VK_DOWN});
    ASSERT_EQ(tarvik.Text(IDC_RESUME_TIME), L"00:09:59");
    ExpectRefusal(tarvik, kApply, L"The specified delay for resume is too short.");
    EXPECT_EQ(ReadBytes(SettingsPath()), written) << "a refused Apply saved";
    // The picker keeps its minutes field selected through the refusal.
    tarvik.PickerKeys(IDC_RESUME_TIME, {VK_UP, VK_RIGHT, VK_UP});
    ASSERT_EQ(tarvik.Text(IDC_RESUME_TIME), L"00:10:00");
    mark = LogLines().size();
    tarvik.Click(IDC_ALLOW_SUSPEND);
    tarvik.PostCommand(kApply);
    ASSERT_TRUE(
        WaitFor([&] { return ReadBytes(SettingsPath()) != written || tarvik.OwnedDialog(); }));
    EXPECT_FALSE(tarvik.OwnedDialog()) << "00:10:00 refused";
    ASSERT_TRUE(WaitFor([] { return Saved(L"/Application/AutoResume/@delay") == L"600"; }))
        << Saved(L"/Application/AutoResume/@delay");
    EXPECT_EQ(Saved(L"/Application/Suspend/@allowed"), L"false");
    EXPECT_TRUE(WaitForLogEvent(notAllowed, LogPath(), mark));

    written = ReadBytes(SettingsPath());
    tarvik.PickerKeys(IDC_SUSPEND_DELAY, {VK_RIGHT, VK_RIGHT, VK_DOWN});
    ASSERT_EQ(tarvik.Text(IDC_SUSPEND_DELAY), L"00:00:59");
    ExpectRefusal(tarvik, IDOK, L"The specified delay for suspend is too short.");
    tarvik.PickerKeys(IDC_SUSPEND_DELAY, {VK_UP, VK_RIGHT, VK_UP});
    ASSERT_EQ(tarvik.Text(IDC_SUSPEND_DELAY), L"00:01:00");
    tarvik.PostCommand(IDOK);
    ASSERT_TRUE(WaitFor([&] { return !tarvik.Visible() || tarvik.OwnedDialog(); }));
    EXPECT_FALSE(tarvik.OwnedDialog()) << "00:01:00 refused";
    EXPECT_EQ(ReadBytes(SettingsPath()), written) << "OK saved";
    tarvik.Command(kApply);
    EXPECT_EQ(Saved(L"/Application/AutoResume/AutoSuspend/@delay"), L"60");

    tarvik.Click(IDC_ALLOW_SUSPEND); // allowed again
    tarvik.SetText(IDC_PORTS, L"443 80,,80 0 65536 22");
    tarvik.Command(kApply);
    EXPECT_EQ(tarvik.Text(IDC_PORTS), L"22,80,443");
    EXPECT_EQ(Saved(L"/Application/Suspend/TcpPorts"), L"22,80,443");
    // An empty list means "Always", which leaves the port edit and the endpoint list off.
    tarvik.SetText(IDC_PORTS, L"0 65536");
    tarvik.Command(kApply);
    EXPECT_EQ(tarvik.Send(tarvik.Control(IDC_CONDITION), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(tarvik.Text(IDC_PORTS), L"");
    ExpectEnabled(tarvik, {IDC_PORTS, IDC_ENDPOINT}, false);
    EXPECT_EQ(Saved(L"/Application/Suspend/@condition"), L"0");
    EXPECT_EQ(Saved(L"/Application/Suspend/TcpPorts"), L"");

    const auto resumeControls = {IDC_RESUME_MODE,  IDC_RESUME_DATE,   IDC_RESUME_TIME,
                                 IDC_AUTO_SUSPEND, IDC_SUSPEND_DELAY, IDC_SUSPEND_STATE,
                                 IDC_RUN_COMMAND,  IDC_COMMAND,       IDC_BROWSE};
    tarvik.Select(IDC_RESUME_MODE, 0);
    ExpectEnabled(tarvik, resumeControls, true);
    tarvik.Click(IDC_AUTO_RESUME);
    ExpectEnabled(tarvik, resumeControls, false);
    tarvik.Click(IDC_AUTO_RESUME);
    // "Every:" shows the interval as a time and has no date.
    tarvik.Select(IDC_RESUME_MODE, 1);
    EXPECT_EQ(tarvik.Text(IDC_RESUME_TIME), L"00:10:00");
    EXPECT_FALSE(tarvik.Enabled(IDC_RESUME_DATE));
    EXPECT_TRUE(tarvik.Enabled(IDC_RESUME_TIME));
}

} // namespace
} // namespace e2e
