#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "common/handles.h"
#include "resources/resource.h"
#include "tests/support/icon_picture.h"
#include "ui/display_scale.h"
#include "ui/notify_icon.h"

namespace {

const UINT kCallback = WM_APP + 42;
const HWND kOwner = reinterpret_cast<HWND>(0x1234);
const UINT_PTR kRetryTimer = 77;
using Calls = std::vector<DWORD>;
using Loads = std::vector<std::pair<UINT, UINT>>; // {resource, dpi}

// A shell that answers from a script ({result, last error}; `fallback` once
// the script is used up), records the calls and records made, and runs the
// owner's retry timer by hand.
class CScriptedShell : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        messages.push_back(message);
        records.push_back(*data);
        const std::pair<BOOL, DWORD> answer = answers.empty() ? fallback : answers.front();
        if (!answers.empty())
            answers.pop_front();
        SetLastError(answer.second);
        return answer.first;
    }
    UINT NotificationAreaDpi() override { return dpi; }
    // Each load gives a new handle, so that a reload can be told apart.
    HICON LoadSmallIcon(UINT resourceId, UINT atDpi) override
    {
        loads.emplace_back(resourceId, atDpi);
        return loadFails ? nullptr : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
    }
    bool StartTimer(HWND window, UINT_PTR id, UINT milliseconds) override
    {
        EXPECT_EQ(kOwner, window);
        EXPECT_EQ(kRetryTimer, id);
        EXPECT_EQ(250u, milliseconds);
        timerRunning = true;
        return true;
    }
    void StopTimer(HWND window, UINT_PTR id) override
    {
        EXPECT_EQ(kOwner, window);
        EXPECT_EQ(kRetryTimer, id);
        timerRunning = false;
    }

    const NOTIFYICONDATAW& Last() const { return records.back(); }
    void Forget()
    {
        messages.clear();
        records.clear();
        loads.clear();
    }

    std::deque<std::pair<BOOL, DWORD>> answers;
    std::pair<BOOL, DWORD> fallback{TRUE, 0};
    std::vector<DWORD> messages;
    std::vector<NOTIFYICONDATAW> records;
    bool timerRunning = false;
    UINT dpi = 96;
    bool loadFails = false;
    Loads loads;
};

const std::pair<BOOL, DWORD> kOk{TRUE, 0}, kTimeout{FALSE, ERROR_TIMEOUT}, kSilentFail{FALSE, 0},
    kFail{FALSE, static_cast<DWORD>(E_FAIL)};

class NotifyIconTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        icon.SetOwner(kOwner, kRetryTimer);
        ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
    }
    // One WM_TIMER of the owner, as the window would pass it on while the timer runs.
    void Tick()
    {
        ASSERT_TRUE(shell.timerRunning) << "no retry timer runs";
        ASSERT_TRUE(icon.OnTimer(kRetryTimer));
    }
    // Added with the scripted shell's answers, the calls forgotten.
    void Added()
    {
        ASSERT_TRUE(icon.Update());
        shell.Forget();
    }

    CScriptedShell shell;
    CNotifyIcon icon{kCallback, shell};
};

} // namespace

// The add times out; the call returns at once (the thread never waits) and
// each tick of the timer probes with a modify (fails: not there yet) and
// repeats the add, until the shell takes it. Then the icon asks for version
// 4 callbacks, with the standard tooltip shown.
TEST_F(NotifyIconTest, AddThatTimesOutIsRetriedFromTheTimerUntilTheShellAnswers)
{
    shell.answers = {kTimeout, kSilentFail, kTimeout, kSilentFail, kOk};
    EXPECT_FALSE(icon.Update());
    EXPECT_EQ(Calls{NIM_ADD}, shell.messages);
    EXPECT_TRUE(shell.timerRunning);
    EXPECT_TRUE(icon.RetryPending());
    EXPECT_FALSE(icon.IsAdded());

    Tick();
    EXPECT_TRUE(icon.RetryPending());
    Tick();
    EXPECT_EQ((Calls{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_SETVERSION}),
              shell.messages);
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(icon.RetryPending());
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION_4), shell.Last().uVersion);
    EXPECT_EQ(kOwner, shell.Last().hWnd);
    EXPECT_EQ(CNotifyIcon::kDefaultIconId, shell.Last().uID);
    const NOTIFYICONDATAW& add = shell.records[4];
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP), add.uFlags);
    EXPECT_EQ(kCallback, add.uCallbackMessage);
    EXPECT_EQ(icon.Icon(), add.hIcon);

    // Being added, the next change modifies, and a tooltip is cut to the field.
    icon.SetTooltip(std::wstring(200, L'x').c_str());
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), shell.messages.back());
    EXPECT_EQ(std::wstring(127, L'x'), shell.Last().szTip);
}

// The shell carried out the add but reported a time-out: the probe's modify
// succeeds and the add is not made twice. A tooltip and an icon changed while
// the retry waits are what the shell gets: the update itself reaches no
// shell. A modify that times out is retried the same way, without probes.
TEST_F(NotifyIconTest, AChangeDuringAPendingRetryIsCarriedByTheRetry)
{
    shell.answers = {kTimeout};
    EXPECT_FALSE(icon.Update());
    icon.SetTooltip(L"Tarvik - Active TCP ports: 80");
    ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
    EXPECT_FALSE(icon.Update());
    EXPECT_EQ(Calls{NIM_ADD}, shell.messages);
    Tick();
    ASSERT_EQ((Calls{NIM_ADD, NIM_MODIFY, NIM_SETVERSION}), shell.messages);
    EXPECT_EQ(L"Tarvik - Active TCP ports: 80", std::wstring(shell.records[1].szTip));
    EXPECT_EQ(icon.Icon(), shell.records[1].hIcon);
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(shell.timerRunning);

    shell.Forget();
    shell.answers = {kTimeout};
    EXPECT_FALSE(icon.Update());
    icon.SetTooltip(L"Tarvik");
    Tick();
    EXPECT_EQ((Calls{NIM_MODIFY, NIM_MODIFY}), shell.messages);
    EXPECT_EQ(L"Tarvik", std::wstring(shell.Last().szTip));
    EXPECT_FALSE(shell.timerRunning);
}

// 120 ticks without an answer: the retry gives up, its timer stopped, the
// icon not added; a later update starts afresh. Other errors give up at once.
TEST_F(NotifyIconTest, RetriesEndAfter120TicksAndOtherErrorsAtOnce)
{
    shell.fallback = kSilentFail;
    EXPECT_FALSE(icon.Update());
    for (int tick = 1; tick < CNotifyIcon::kMaxRetries; ++tick)
        Tick();
    EXPECT_TRUE(icon.RetryPending());
    Tick();
    EXPECT_FALSE(icon.RetryPending());
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_FALSE(icon.IsAdded());
    EXPECT_EQ(1u + 2u * CNotifyIcon::kMaxRetries, shell.messages.size());
    // A tick already queued when the timer stopped changes nothing.
    shell.Forget();
    EXPECT_TRUE(icon.OnTimer(kRetryTimer));
    EXPECT_TRUE(shell.messages.empty());
    // Another window timer of the owner is not the icon's.
    EXPECT_FALSE(icon.OnTimer(kRetryTimer + 1));

    shell.fallback = kOk;
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Update());
    EXPECT_EQ(Calls{NIM_ADD}, shell.messages);
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_FALSE(icon.RetryPending());
    EXPECT_TRUE(icon.Update());
    EXPECT_TRUE(icon.IsAdded());
}

// A delete fails without a code and is retried: a probe that finds the icon
// still there deletes again, one that fails finds it gone. A delete that
// fails for good keeps the icon added.
TEST_F(NotifyIconTest, ADeleteReportedFailedWhileTheIconIsGoneSucceedsAndAFailedOneKeepsIt)
{
    Added();
    shell.answers = {kSilentFail, kOk, kSilentFail, kSilentFail};
    EXPECT_FALSE(icon.Delete());
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(icon.Update()) << "an update while the delete waits";
    Tick();
    EXPECT_TRUE(icon.IsAdded());
    Tick();
    EXPECT_EQ((Calls{NIM_DELETE, NIM_MODIFY, NIM_DELETE, NIM_MODIFY}), shell.messages);
    EXPECT_FALSE(icon.IsAdded());
    EXPECT_FALSE(shell.timerRunning);

    Added();
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Delete());
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(shell.timerRunning);
}

// After a taskbar restart the add carries the current state, whatever the
// delete before it said, with the icon loaded at the scale the taskbar
// shows now (it restarts after a change of scale too), and sets the version
// again; a retry still waiting is dropped for it.
TEST_F(NotifyIconTest, ReaddCarriesTheCurrentStateAndReplacesAPendingRetry)
{
    Added();
    shell.answers = {kTimeout};
    icon.SetTooltip(L"Tarvik");
    EXPECT_FALSE(icon.Update());
    ASSERT_TRUE(shell.timerRunning);

    icon.SetTooltip(L"Tarvik - Active TCP ports: 80");
    shell.Forget();
    shell.answers = {kFail};
    shell.dpi = 192;
    ASSERT_TRUE(icon.Readd());
    EXPECT_EQ((Loads{{IDI_TARVIK, 192}}), shell.loads);
    ASSERT_EQ((Calls{NIM_DELETE, NIM_ADD, NIM_SETVERSION}), shell.messages);
    EXPECT_EQ(L"Tarvik - Active TCP ports: 80", std::wstring(shell.records[1].szTip));
    EXPECT_EQ(icon.Icon(), shell.records[1].hIcon);
    EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION_4), shell.Last().uVersion);
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_FALSE(icon.RetryPending());
}

// The notification area's scale changes: the icon shown (which of the two)
// is loaded again at the new scale and modified, with its tooltip; an
// unchanged scale costs nothing; an icon that cannot be loaded keeps the
// present one, and the next change tries again.
TEST_F(NotifyIconTest, AChangedScaleReloadsThePresentIconAndModifiesIt)
{
    ASSERT_TRUE(icon.SetIcon(IDI_NOSUSPEND));
    EXPECT_EQ((Loads{{IDI_TARVIK, 96}, {IDI_NOSUSPEND, 96}}), shell.loads);
    icon.SetTooltip(L"Tarvik");
    Added();
    EXPECT_FALSE(icon.FollowScale());
    EXPECT_TRUE(shell.loads.empty());
    EXPECT_TRUE(shell.messages.empty());

    shell.dpi = 192;
    const HICON before = icon.Icon();
    ASSERT_TRUE(icon.FollowScale());
    EXPECT_EQ((Loads{{IDI_NOSUSPEND, 192}}), shell.loads);
    EXPECT_NE(before, icon.Icon());
    ASSERT_EQ(Calls{NIM_MODIFY}, shell.messages);
    EXPECT_EQ(icon.Icon(), shell.Last().hIcon);
    EXPECT_EQ(L"Tarvik", std::wstring(shell.Last().szTip));
    EXPECT_FALSE(icon.FollowScale()) << "reloaded twice for one scale";

    shell.Forget();
    shell.dpi = 144;
    shell.loadFails = true;
    const HICON kept = icon.Icon();
    EXPECT_FALSE(icon.FollowScale());
    EXPECT_EQ(kept, icon.Icon());
    EXPECT_TRUE(shell.messages.empty());
    shell.loadFails = false;
    EXPECT_TRUE(icon.FollowScale());
    EXPECT_EQ((Loads{{IDI_NOSUSPEND, 144}, {IDI_NOSUSPEND, 144}}), shell.loads);
    EXPECT_EQ(Calls{NIM_MODIFY}, shell.messages);
}

// An icon the shell does not hold yet gets the new scale with the call that
// adds it: a retry waiting, or the next update. Without an owner there is no
// timer to retry from: a time-out fails at once.
TEST_F(NotifyIconTest, TheNewScaleReachesTheShellWithTheNextAddOrRetry)
{
    shell.answers = {kTimeout};
    EXPECT_FALSE(icon.Update());
    shell.dpi = 120;
    ASSERT_TRUE(icon.FollowScale());
    EXPECT_EQ(Calls{NIM_ADD}, shell.messages) << "a call beside the retry";
    shell.answers = {kSilentFail, kOk};
    Tick();
    ASSERT_EQ((Calls{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_SETVERSION}), shell.messages);
    EXPECT_EQ(icon.Icon(), shell.records[2].hIcon);

    CScriptedShell quiet;
    CNotifyIcon unowned{kCallback, quiet};
    ASSERT_TRUE(unowned.SetIcon(IDI_TARVIK));
    quiet.answers = {kTimeout};
    EXPECT_FALSE(unowned.Update());
    EXPECT_FALSE(unowned.RetryPending());
    quiet.Forget();
    quiet.dpi = 192;
    ASSERT_TRUE(unowned.FollowScale());
    EXPECT_TRUE(quiet.messages.empty()) << "a modify of an icon never added";
    ASSERT_TRUE(unowned.Update());
    EXPECT_EQ((Calls{NIM_ADD, NIM_SETVERSION}), quiet.messages);
    EXPECT_EQ(unowned.Icon(), quiet.records[0].hIcon);
}

// The end of the program: no loop runs to retry in, so one delete, even
// when the shell times out; an add still waiting may have taken effect, and
// is deleted too.
TEST(NotifyIconEnd, TheLastDeleteIsTriedOnceWithoutWaiting)
{
    for (const bool addWaiting : {false, true}) {
        CScriptedShell shell;
        {
            CNotifyIcon icon(kCallback, shell);
            icon.SetOwner(kOwner, kRetryTimer);
            ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
            shell.answers = {addWaiting ? kTimeout : kOk};
            icon.Update();
            shell.Forget();
            shell.fallback = kTimeout;
        }
        EXPECT_EQ(Calls{NIM_DELETE}, shell.messages) << addWaiting;
        EXPECT_FALSE(shell.timerRunning) << addWaiting;
    }
}

// The real shell side: the small icon of each common scale is the icon's own
// image of that size (16, 20, 24 and 32 pixels), for both icons; without a
// scale, the system's small icon size. The notification area's scale is the
// primary monitor's, which under one scale for all is the screen's.
TEST(RealShellNotify, LoadsTheIconsOwnImageAtTheSmallIconSizeOfEachScale)
{
    IShellNotify& shell = RealShellNotify();
    const std::pair<UINT, int> scales[] = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
    for (const UINT id : {IDI_TARVIK, IDI_NOSUSPEND}) {
        for (const auto& scale : scales) {
            HICON icon = shell.LoadSmallIcon(id, scale.first);
            const CIconPicture loaded = Picture(icon);
            if (icon)
                DestroyIcon(icon);
            EXPECT_EQ(scale.second, loaded.width) << id << " at " << scale.first << " dpi";
            EXPECT_TRUE(loaded.pixels == OwnImage(id, scale.second).pixels) // and so its height
                << id << " at " << scale.first << " dpi: not the icon's own image";
        }
    }
    HICON icon = shell.LoadSmallIcon(IDI_TARVIK, 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), Picture(icon).width);
    if (icon)
        DestroyIcon(icon);
    EXPECT_EQ(ScreenDpi(), shell.NotificationAreaDpi());
}

// The version 4 callback: the point is signed in both halves of wParam (a
// monitor left of or above the primary one).
TEST(TrayCallback, EventIconIdAndSignedAnchorAreDecoded)
{
    const struct
    {
        UINT event, id;
        int x, y;
    } cases[] = {{NIN_SELECT, 128, -1200, -5}, {WM_CONTEXTMENU, 7, 3839, 2159}};
    for (const auto& c : cases) {
        const TrayCallback callback = DecodeTrayCallback(
            MAKEWPARAM(static_cast<WORD>(c.x), static_cast<WORD>(c.y)), MAKELPARAM(c.event, c.id));
        EXPECT_EQ(c.event, callback.event);
        EXPECT_EQ(c.id, callback.iconId);
        EXPECT_EQ(c.x, callback.anchor.x);
        EXPECT_EQ(c.y, callback.anchor.y);
    }
}

// Wine's real notification area (the virtual desktop's taskbar).
TEST(NotifyIconShell, AddModifyDeleteAgainstTheRealShell)
{
    const CWindowHandle window(CreateWindowExW(0, L"STATIC", L"notify icon test", WS_OVERLAPPED, 0,
                                               0, 10, 10, nullptr, nullptr,
                                               GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    CNotifyIcon icon(kCallback);
    icon.SetOwner(window.Get(), kRetryTimer);
    icon.SetTooltip(L"Tarvik");
    ASSERT_TRUE(icon.SetIcon(IDI_TARVIK)) << GetLastError();
    ASSERT_TRUE(icon.Update()) << GetLastError();
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_TRUE(icon.Update()) << GetLastError();
    EXPECT_TRUE(icon.Delete());
    EXPECT_FALSE(icon.IsAdded());
    // Gone: a modify now fails, so the icon really left the shell.
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof(probe);
    probe.hWnd = window.Get();
    probe.uID = CNotifyIcon::kDefaultIconId;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
}
