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
    HICON LoadSmallIcon(UINT, UINT) override
    {
        return loadFails ? nullptr : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
    }
    bool StartTimer(HWND, UINT_PTR, UINT) override { return timerRunning = true; }
    void StopTimer(HWND, UINT_PTR) override { timerRunning = false; }

    const NOTIFYICONDATAW& Last() const { return records.back(); }
    void Forget()
    {
        messages.clear();
        records.clear();
    }

    std::deque<std::pair<BOOL, DWORD>> answers;
    std::pair<BOOL, DWORD> fallback{TRUE, 0};
    std::vector<DWORD> messages;
    std::vector<NOTIFYICONDATAW> records;
    bool timerRunning = false;
    UINT dpi = 96;
    bool loadFails = false;
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
    EXPECT_FALSE(icon.IsAdded());
    Tick();
    Tick();
    EXPECT_EQ((Calls{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_SETVERSION}),
              shell.messages);
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION_4), shell.Last().uVersion);
    const NOTIFYICONDATAW& add = shell.records[4];
    EXPECT_EQ(kOwner, add.hWnd);
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
    EXPECT_TRUE(icon.IsAdded());

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
    // A tick already queued when the timer stopped changes nothing.
    shell.Forget();
    EXPECT_TRUE(icon.OnTimer(kRetryTimer));
    EXPECT_TRUE(shell.messages.empty());

    shell.fallback = kOk;
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Update());
    EXPECT_FALSE(shell.timerRunning);
    EXPECT_TRUE(icon.Update());
}

// After a taskbar restart the add carries the current state, whatever the
// delete before it said (the app tests see the icon loaded at the scale the
// taskbar shows now), and sets the version again; a retry still waiting is
// dropped for it.
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
    ASSERT_EQ((Calls{NIM_DELETE, NIM_ADD, NIM_SETVERSION}), shell.messages);
    EXPECT_EQ(L"Tarvik - Active TCP ports: 80", std::wstring(shell.records[1].szTip));
    EXPECT_EQ(icon.Icon(), shell.records[1].hIcon);
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_FALSE(icon.RetryPending());
}

// The notification area's scale changes: the icon shown is loaded again at
// the new scale (which icon and size, the app tests see) and modified, with
// its tooltip; an
// unchanged scale costs nothing; an icon that cannot be loaded keeps the
// present one, and the next change tries again.
TEST_F(NotifyIconTest, AChangedScaleReloadsThePresentIconAndModifiesIt)
{
    ASSERT_TRUE(icon.SetIcon(IDI_NOSUSPEND));
    icon.SetTooltip(L"Tarvik");
    Added();
    EXPECT_FALSE(icon.FollowScale());

    shell.dpi = 192;
    ASSERT_TRUE(icon.FollowScale());
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
    EXPECT_EQ(Calls{NIM_MODIFY}, shell.messages);
}

// Without an owner there is no timer to retry from: a time-out fails at
// once, and a new scale waits for the call that adds the icon.
TEST(NotifyIconUnowned, ATimeOutFailsAtOnceAndANewScaleModifiesNothing)
{
    CScriptedShell shell;
    CNotifyIcon icon{kCallback, shell};
    ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
    shell.answers = {kTimeout};
    EXPECT_FALSE(icon.Update());
    EXPECT_FALSE(icon.RetryPending());
    shell.Forget();
    shell.dpi = 192;
    ASSERT_TRUE(icon.FollowScale());
    EXPECT_TRUE(shell.messages.empty()) << "a modify of an icon never added";
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

// The real shell side: the small icon at 125 % is the icon's own 20-pixel
// image (the app tests load the other icon at 100, 150 and 200 %); without a
// scale, the system's small icon size. The notification area's scale is the
// primary monitor's, which under one scale for all is the screen's.
TEST(RealShellNotify, LoadsTheIconsOwnImageAtTheSmallIconSizeOfTheScale)
{
    IShellNotify& shell = RealShellNotify();
    for (const UINT dpi : {120u, 0u}) {
        const CIconHandle icon(shell.LoadSmallIcon(IDI_TARVIK, dpi));
        const int size = dpi ? 20 : GetSystemMetrics(SM_CXSMICON);
        const CIconPicture loaded = Picture(icon.Get());
        EXPECT_EQ(size, loaded.width) << dpi;
        EXPECT_TRUE(loaded.pixels == OwnImage(IDI_TARVIK, size).pixels) << dpi; // and its height
    }
    EXPECT_EQ(ScreenDpi(), shell.NotificationAreaDpi());
}

// The version 4 callback: the point is signed in both halves of wParam (a
// monitor left of or above the primary one).
TEST(TrayCallback, EventIconIdAndSignedAnchorAreDecoded)
{
    const TrayCallback callback = DecodeTrayCallback(
        MAKEWPARAM(static_cast<WORD>(-1200), static_cast<WORD>(-5)), MAKELPARAM(NIN_SELECT, 128));
    EXPECT_EQ(static_cast<UINT>(NIN_SELECT), callback.event);
    EXPECT_EQ(128u, callback.iconId);
    EXPECT_EQ(-1200, callback.anchor.x);
    EXPECT_EQ(-5, callback.anchor.y);
}
