#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/instance_manager.h"
#include "app/start_kind.h"

namespace {

// Core windows as a fake system shows them, and what a start does to them, in order.
class CRecordingChannel : public IInstanceChannel
{
public:
    struct Window
    {
        DWORD hash;
        DWORD process;
    };
    explicit CRecordingChannel(std::vector<Window> shown = {}) : windows(std::move(shown)) {}

    const std::vector<Window> windows;
    bool grantSucceeds = true;
    std::vector<std::wstring> calls;

    HWND NextCoreWindow(HWND after) override
    {
        const size_t next = reinterpret_cast<size_t>(after);
        return next < windows.size() ? reinterpret_cast<HWND>(next + 1) : nullptr;
    }
    DWORD WindowInstanceHash(HWND window) override { return At(window).hash; }
    DWORD WindowProcess(HWND window) override { return At(window).process; }
    bool AllowForeground(DWORD processId) override
    {
        calls.push_back(L"allow " + std::to_wstring(processId));
        return grantSucceeds;
    }
    bool Notify(WPARAM code, DWORD target) override
    {
        calls.push_back(L"notify " + std::to_wstring(code) + L" " + std::to_wstring(target));
        return true;
    }

private:
    const Window& At(HWND window) const { return windows.at(reinterpret_cast<size_t>(window) - 1); }
};

std::wstring NotifyCall(WPARAM code, DWORD target)
{
    return L"notify " + std::to_wstring(code) + L" " + std::to_wstring(target);
}

// What each kind of start does with and without a running copy of its file
// name (here: this test program's, whose mutex the first manager holds).
// Only an ordinary start asks the running copy to show itself, and first
// hands the right to come to the front to the process whose core window
// carries the same hash, passing over copies of other names and windows
// that carry none.
TEST(InstanceManager, OnlyAnOrdinaryStartShowsTheRunningCopyAndGrantsItTheFrontFirst)
{
    CRecordingChannel quiet;
    {
        CInstanceManager alone(&quiet);
        EXPECT_TRUE(alone.CheckInstance(StartKind::Restart)) << "a restart alone must run";
        EXPECT_FALSE(alone.TookOver());
    }
    {
        CInstanceManager alone(&quiet);
        EXPECT_TRUE(alone.CheckInstance(StartKind::Takeover));
        EXPECT_FALSE(alone.TookOver()) << "nobody to take over from";
    }
    EXPECT_TRUE(quiet.calls.empty());

    CInstanceManager running(&quiet);
    ASSERT_TRUE(running.CheckInstance(StartKind::Ordinary));
    const DWORD hash = running.InstanceHash();
    const std::vector<CRecordingChannel::Window> windows = {
        {hash ^ 1, 111}, {0, 222}, {hash, 333}, {hash, 444}};

    CRecordingChannel ordinary{windows};
    CInstanceManager second(&ordinary);
    EXPECT_FALSE(second.CheckInstance(StartKind::Ordinary));
    EXPECT_EQ((std::vector<std::wstring>{L"allow 333", NotifyCall(1, hash)}), ordinary.calls);

    CRecordingChannel restart{windows};
    CInstanceManager restarted(&restart);
    EXPECT_FALSE(restarted.CheckInstance(StartKind::Restart)) << "a second copy ran on";
    EXPECT_EQ(std::vector<std::wstring>{}, restart.calls);
    CRecordingChannel signIn{windows};
    CInstanceManager startedAtSignIn(&signIn);
    EXPECT_FALSE(startedAtSignIn.CheckInstance(StartKind::SignIn)) << "a second copy ran on";
    EXPECT_EQ(std::vector<std::wstring>{}, signIn.calls);

    // The running copy's window not made yet, or a grant refused: the
    // notification goes all the same.
    CRecordingChannel early{{{hash ^ 1, 111}}};
    CInstanceManager beforeWindow(&early);
    EXPECT_FALSE(beforeWindow.CheckInstance(StartKind::Ordinary));
    EXPECT_EQ((std::vector<std::wstring>{NotifyCall(1, hash)}), early.calls);
    CRecordingChannel refused{windows};
    refused.grantSucceeds = false;
    CInstanceManager refusedGrant(&refused);
    EXPECT_FALSE(refusedGrant.CheckInstance(StartKind::Ordinary));
    EXPECT_EQ((std::vector<std::wstring>{L"allow 333", NotifyCall(1, hash)}), refused.calls);

    // A takeover shows its own window: the running copy only closes.
    CRecordingChannel takeover{windows};
    CInstanceManager next(&takeover);
    EXPECT_TRUE(next.CheckInstance(StartKind::Takeover));
    EXPECT_TRUE(next.TookOver());
    EXPECT_EQ((std::vector<std::wstring>{NotifyCall(2, hash)}), takeover.calls);
}

// The mutex's three outcomes: made, another copy's, and none at all with the
// reason as the last error (a name the object namespace refuses).
TEST(InstanceManager, TheInstanceMutexIsMadeFoundOrNotMadeWithItsReason)
{
    const std::wstring name = L"Local\\ZPQInstance.test." + std::to_wstring(GetCurrentProcessId());
    CHandle first, second, none;
    EXPECT_EQ(InstanceMutex::Made, CInstanceManager::CreateInstanceMutex(name.c_str(), first));
    EXPECT_TRUE(first.IsValid());
    EXPECT_EQ(InstanceMutex::AnotherCopyRuns,
              CInstanceManager::CreateInstanceMutex(name.c_str(), second));
    SetLastError(0);
    EXPECT_EQ(InstanceMutex::Failed,
              CInstanceManager::CreateInstanceMutex(L"NoSuchNamespace\\ZPQInstance", none));
    EXPECT_NE(0u, GetLastError());
    EXPECT_FALSE(none.IsValid());
}

} // namespace
