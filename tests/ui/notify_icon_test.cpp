#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "ui/notify_icon.h"

namespace {

const UINT kCallback = WM_APP + 42;

// A shell that answers from a script ({result, last error}; TRUE once the
// script is used up) and records the messages and tooltips it was given.
class CScriptedShell : public IShellNotify
{
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        messages.push_back(message);
        tip = data->szTip;
        const std::pair<BOOL, DWORD> answer =
            answers.empty() ? std::make_pair(TRUE, 0ul) : answers.front();
        if (!answers.empty())
            answers.pop_front();
        SetLastError(answer.second);
        return answer.first;
    }
    void Pause(DWORD milliseconds) override { pauses.push_back(milliseconds); }
    HICON LoadSmallIcon(UINT) override { return CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)); }

    std::deque<std::pair<BOOL, DWORD>> answers;
    std::vector<DWORD> messages;
    std::wstring tip;
    std::vector<DWORD> pauses;
};

const std::pair<BOOL, DWORD> kOk{TRUE, 0}, kTimeout{FALSE, ERROR_TIMEOUT}, kSilentFail{FALSE, 0},
    kFail{FALSE, static_cast<DWORD>(E_FAIL)};

class NotifyIconTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        icon.SetOwner(reinterpret_cast<HWND>(0x1234));
        ASSERT_TRUE(icon.SetIcon(IDI_TARVIK));
    }
    CScriptedShell shell;
    CNotifyIcon icon{kCallback, shell};
};

} // namespace

TEST_F(NotifyIconTest, AddThatTimesOutIsRetriedUntilTheShellAnswersAndTooltipsAreCut)
{
    // Add times out; each retry probes with a modify (fails: not there yet)
    // and repeats the add; the third add succeeds.
    shell.answers = {kTimeout, kSilentFail, kTimeout, kSilentFail, kSilentFail, kSilentFail, kOk};
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY, NIM_ADD, NIM_MODIFY,
                                  NIM_ADD}),
              shell.messages);
    EXPECT_EQ((std::vector<DWORD>{250, 250, 250}), shell.pauses);
    EXPECT_TRUE(icon.IsAdded());

    // Being added, the next change modifies.
    icon.SetTooltip(std::wstring(200, L'x').c_str());
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ(std::wstring(127, L'x'), shell.tip);
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), shell.messages.back());
}

TEST_F(NotifyIconTest, OtherErrorsGiveUpAtOnceAndAnAddCarriedOutIsNotRepeated)
{
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Update());
    EXPECT_EQ(1u, shell.messages.size());
    EXPECT_TRUE(shell.pauses.empty());
    EXPECT_FALSE(icon.IsAdded());
    // The next update adds again; the shell does it but reports a time-out.
    shell.answers = {kTimeout, kOk};
    ASSERT_TRUE(icon.Update());
    EXPECT_EQ((std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_MODIFY}), shell.messages);
    EXPECT_TRUE(icon.IsAdded());
}

TEST_F(NotifyIconTest, DeleteReportedFailedWhileTheIconIsGoneSucceeds)
{
    ASSERT_TRUE(icon.Update());
    shell.messages.clear();
    // Delete fails without a code; the modify probe fails: the icon is gone.
    shell.answers = {kSilentFail, kSilentFail};
    EXPECT_TRUE(icon.Delete());
    EXPECT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_MODIFY}), shell.messages);
    EXPECT_FALSE(icon.IsAdded());

    // A delete that fails for good keeps the icon added.
    ASSERT_TRUE(icon.Update());
    shell.answers = {kFail};
    EXPECT_FALSE(icon.Delete());
    EXPECT_TRUE(icon.IsAdded());

    // After a taskbar restart the add carries the current state, whatever the delete said.
    icon.SetTooltip(L"Tarvik - Active TCP ports: 80");
    shell.messages.clear();
    shell.answers = {kFail};
    ASSERT_TRUE(icon.Readd());
    ASSERT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_ADD}), shell.messages);
    EXPECT_EQ(L"Tarvik - Active TCP ports: 80", shell.tip);
    EXPECT_TRUE(icon.IsAdded());
}

// Wine's real notification area (the virtual desktop's taskbar).
TEST(NotifyIconShell, AddModifyDeleteAgainstTheRealShell)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"notify icon test", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    {
        CNotifyIcon icon(kCallback);
        icon.SetOwner(window);
        icon.SetTooltip(L"Tarvik");
        ASSERT_TRUE(icon.SetIcon(IDI_TARVIK)) << GetLastError();
        ASSERT_TRUE(icon.Update()) << GetLastError();
        EXPECT_TRUE(icon.IsAdded());
        EXPECT_TRUE(icon.Delete());
        EXPECT_FALSE(icon.IsAdded());
        // Gone: a modify now fails, so the icon really left the shell.
        NOTIFYICONDATAW probe = {};
        probe.cbSize = sizeof(probe);
        probe.hWnd = window;
        probe.uID = 128;
        EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
    }
    DestroyWindow(window);
}
