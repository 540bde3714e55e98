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
    std::wstring calls; // "; allow 333; notify 1 1234"

    HWND NextCoreWindow(HWND after) override
    {
        const size_t next = reinterpret_cast<size_t>(after);
        return next < windows.size() ? reinterpret_cast<HWND>(next + 1) : nullptr;
    }
    DWORD WindowInstanceHash(HWND window) override { return At(window).hash; }
    DWORD WindowProcess(HWND window) override { return At(window).process; }
    bool AllowForeground(DWORD processId) override
    {
        calls += L"; allow " + std::to_wstring(processId);
        return grantSucceeds;
    }
    bool Notify(WPARAM code, DWORD target) override
    {
        calls += L"; notify " + std::to_wstring(code) + L" " + std::to_wstring(target);
        return true;
    }

private:
    const Window& At(HWND window) const { return windows.at(reinterpret_cast<size_t>(window) - 1); }
};

using Windows = std::vector<CRecordingChannel::Window>;

// A start of `kind` over the core windows `windows`: whether it runs on
// (and took over), then the calls it made, in order.
std::wstring Start(StartKind kind, const Windows& windows = {}, bool grantSucceeds = true)
{
    CRecordingChannel channel{windows};
    channel.grantSucceeds = grantSucceeds;
    CInstanceManager manager(&channel);
    const std::wstring result = manager.CheckInstance(kind) ? L"runs" : L"ends";
    return result + (manager.TookOver() ? L" took over" : L"") + channel.calls;
}

// What each kind of start does with and without a running copy of its file
// name (here: this test program's, whose mutex `running` holds). Only an
// ordinary start asks the running copy to show itself, and first hands the
// right to come to the front to the process whose core window carries the
// same hash, passing over copies of other names and windows that carry
// none; a takeover shows its own window: the running copy only closes.
// Windows lets a background process bring its window to the front only when
// the foreground process granted it ("AllowSetForegroundWindow function",
// "SetForegroundWindow function"); Wine does not enforce that, so the
// channel records the grant instead.
TEST(InstanceManager, OnlyAnOrdinaryStartShowsTheRunningCopyAndGrantsItTheFrontFirst)
{
    EXPECT_EQ(L"runs", Start(StartKind::Restart)) << "a restart alone must run";
    EXPECT_EQ(L"runs", Start(StartKind::Takeover)) << "nobody to take over from";

    CRecordingChannel quiet;
    CInstanceManager running(&quiet);
    ASSERT_TRUE(running.CheckInstance(StartKind::Ordinary));
    const DWORD hash = running.InstanceHash();
    const std::wstring shows = L"notify 1 " + std::to_wstring(hash);
    const Windows windows = {{hash ^ 1, 111}, {0, 222}, {hash, 333}, {hash, 444}};
    EXPECT_EQ(L"ends; allow 333; " + shows, Start(StartKind::Ordinary, windows));
    EXPECT_EQ(L"ends", Start(StartKind::SignIn, windows)) << "a second copy ran on";
    // The running copy's window not made yet, or a grant refused: the
    // notification goes all the same.
    EXPECT_EQ(L"ends; " + shows, Start(StartKind::Ordinary, {{hash ^ 1, 111}}));
    EXPECT_EQ(L"ends; allow 333; " + shows, Start(StartKind::Ordinary, windows, false));
    EXPECT_EQ(L"runs took over; notify 2 " + std::to_wstring(hash),
              Start(StartKind::Takeover, windows));
    EXPECT_TRUE(quiet.calls.empty());
}

} // namespace
