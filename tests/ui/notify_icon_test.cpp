#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "ui/notify_icon.h"

namespace {

const UINT kCallback = WM_APP + 42;

// A shell that answers from a script and records every call.
class CScriptedShell : public IShellNotify
{
public:
    struct Answer { BOOL result; DWORD error; };
    // What the shell was given.
    struct Call
    {
        DWORD message;
        UINT flags;
        std::wstring tip;
    };

    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        calls.push_back({message, data->uFlags, data->szTip});
        Answer answer{TRUE, 0};
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        SetLastError(answer.error);
        return answer.result;
    }
    void Pause(DWORD milliseconds) override { pauses.push_back(milliseconds); }
    HICON LoadSmallIcon(UINT resourceId) override
    {
        if (resourceId != IDI_TARVIK && resourceId != IDI_NOSUSPEND)
            return nullptr;
        return CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
    }

    std::vector<DWORD> Messages() const
    {
        std::vector<DWORD> m;
        for (const Call& c : calls)
            m.push_back(c.message);
        return m;
    }

    std::deque<Answer> answers;
    std::vector<Call> calls;
    std::vector<DWORD> pauses;
};

const CScriptedShell::Answer kOk{TRUE, 0};
const CScriptedShell::Answer kTimeout{FALSE, ERROR_TIMEOUT};
const CScriptedShell::Answer kSilentFail{FALSE, 0};
const CScriptedShell::Answer kFail{FALSE, static_cast<DWORD>(E_FAIL)};

HWND const kOwner = reinterpret_cast<HWND>(0x1234);

class NotifyIconTest : public ::testing::Test
{
protected:
    CScriptedShell shell;
    CNotifyIcon icon{kCallback, shell};

    void Ready()
    {
        icon.SetOwner(kOwner);
        icon.SetTooltip(L"Tarvik");
        ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
    }
};

} // namespace

TEST_F(NotifyIconTest, TooltipIsCutTo127Characters)
{
    icon.SetTooltip(IDS_APP_NAME);
    EXPECT_EQ(L"Tarvik", icon.Tooltip());
    Ready();
    icon.SetTooltip(std::wstring(200, L'x').c_str());
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(std::wstring(127, L'x'), shell.calls.back().tip);
    icon.SetTooltip(std::wstring(127, L'y').c_str());
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(std::wstring(127, L'y'), shell.calls.back().tip);
}

TEST_F(NotifyIconTest, AddThatTimesOutIsRetriedUntilTheShellAnswers)
{
    Ready();
    // Add times out; each retry probes with a modify (fails: not there yet)
    // and repeats the add; the third add succeeds.
    shell.answers = {kTimeout, kSilentFail, kTimeout, kSilentFail, kSilentFail, kSilentFail, kOk};
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY,
                                  NIM_ADD}),
              shell.Messages());
    EXPECT_EQ((std::vector<DWORD>{250, 250, 250}), shell.pauses);
    EXPECT_TRUE(icon.IsAdded());
}

TEST_F(NotifyIconTest, AddCarriedOutButReportedFailedIsNotRepeated)
{
    Ready();
    shell.answers = {kTimeout, kOk};
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_MODIFY}), shell.Messages());
    EXPECT_TRUE(icon.IsAdded());
    // Being added, the next change modifies.
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), shell.calls.back().message);
}

TEST_F(NotifyIconTest, OtherErrorsGiveUpAtOnceAndTheNextUpdateAddsAgain)
{
    Ready();
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Update());
    EXPECT_EQ(1u, shell.calls.size());
    EXPECT_TRUE(shell.pauses.empty());
    EXPECT_FALSE(icon.IsAdded());
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), shell.calls.back().message);
}

TEST_F(NotifyIconTest, DeleteReportedFailedWhileTheIconIsGoneSucceeds)
{
    Ready();
    ASSERT_TRUE(icon.Update());
    shell.calls.clear();
    // Delete fails without a code; the modify probe fails: the icon is gone.
    shell.answers = {kSilentFail, kSilentFail};
    EXPECT_TRUE(icon.Delete());
    EXPECT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_MODIFY}), shell.Messages());
    EXPECT_EQ(0u, shell.calls.front().flags);
    EXPECT_FALSE(icon.IsAdded());
    // Nothing added: deleting again asks nothing.
    EXPECT_TRUE(icon.Delete());
    EXPECT_EQ(2u, shell.calls.size());

    // A delete that fails for good keeps the icon added.
    ASSERT_TRUE(icon.Update());
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Delete());
    EXPECT_TRUE(icon.IsAdded());
}

TEST_F(NotifyIconTest, ReaddAfterTaskbarRestartAddsWithTheCurrentState)
{
    Ready();
    ASSERT_TRUE(icon.Update());
    icon.SetTooltip(L"Tarvik - Active TCP ports: 80");
    ASSERT_TRUE(icon.SetIcon(IDI_NOSUSPEND));
    shell.calls.clear();
    // The restarted taskbar no longer knows the icon: the delete fails for good.
    shell.answers = {kFail};
    ASSERT_TRUE(icon.Readd());
    ASSERT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_ADD}), shell.Messages());
    EXPECT_EQ(L"Tarvik - Active TCP ports: 80", shell.calls.back().tip);
    EXPECT_TRUE(icon.IsAdded());
}

// The real shell, with the pauses of the retry rule counted instead of slept.
class CCountingShell : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        ++notifies;
        return RealShellNotify().Notify(message, data);
    }
    void Pause(DWORD) override { ++pauses; }
    HICON LoadSmallIcon(UINT resourceId) override
    {
        return RealShellNotify().LoadSmallIcon(resourceId);
    }

    int notifies = 0;
    int pauses = 0;
};

// Wine's real notification area (the virtual desktop's taskbar).
TEST(NotifyIconShell, AddModifyDeleteAgainstTheRealShell)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"notify icon test", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    {
        CCountingShell shell;
        CNotifyIcon icon(kCallback, shell);
        icon.SetOwner(window);
        icon.SetTooltip(L"Tarvik");
        ASSERT_TRUE(icon.SetIcon(IDI_TARVIK)) << GetLastError();
        ASSERT_TRUE(icon.Update()) << GetLastError();
        EXPECT_TRUE(icon.IsAdded());
        ASSERT_TRUE(icon.SetIcon(IDI_NOSUSPEND));
        EXPECT_TRUE(icon.Update());
        EXPECT_EQ(2, shell.notifies);

        // A second icon with the same window and id: the shell refuses the add
        // with an error that is not worth waiting for.
        CCountingShell twinShell;
        CNotifyIcon twin(kCallback, twinShell);
        twin.SetOwner(window);
        ASSERT_TRUE(twin.SetIcon(IDI_TARVIK));
        EXPECT_FALSE(twin.Update());
        EXPECT_NE(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());
        EXPECT_EQ(1, twinShell.notifies);
        EXPECT_EQ(0, twinShell.pauses);
        EXPECT_FALSE(twin.IsAdded());

        EXPECT_TRUE(icon.Delete());
        EXPECT_FALSE(icon.IsAdded());
        EXPECT_EQ(0, shell.pauses);
        // Gone: a modify now fails, so the icon really left the shell.
        NOTIFYICONDATAW probe = {};
        probe.cbSize = sizeof(probe);
        probe.hWnd = window;
        probe.uID = 128;
        EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
    }
    DestroyWindow(window);
}
