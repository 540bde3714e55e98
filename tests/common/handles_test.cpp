// The contract of the resource owners every part of both programs relies
// on: one owner per resource, a move hands it on, Reset and the owner's end
// release it exactly once, Release gives it up without releasing it,
// Receive releases what was held before an out parameter fills it, and a
// release never changes the thread's last error, so a failure can still be
// reported after its cleanup.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/handles.h"

namespace {

std::vector<int> g_released;

// Releasing clobbers the last error, as CloseHandle and friends may.
void ReleaseRecorded(int value)
{
    g_released.push_back(value);
    SetLastError(ERROR_GEN_FAILURE);
}

using COwned = CUniqueResource<int, ReleaseRecorded, -1>;

class HandleOwners : public ::testing::Test
{
protected:
    void SetUp() override { g_released.clear(); }
};

} // namespace

TEST_F(HandleOwners, AMoveHandsTheResourceOnAndEachIsReleasedOnce)
{
    {
        COwned first(7);
        COwned second(std::move(first));
        EXPECT_FALSE(first.IsValid());
        EXPECT_EQ(7, second.Get());
        COwned third(9);
        third = std::move(second); // 9 goes, 7 is taken over
        third = std::move(third);  // a move onto itself keeps it
        EXPECT_EQ(std::vector<int>{9}, g_released);
        EXPECT_EQ(7, third.Get());
    }
    EXPECT_EQ((std::vector<int>{9, 7}), g_released);
}

TEST_F(HandleOwners, ResetReleaseAndReceive)
{
    COwned owned(1);
    owned.Reset(2);
    EXPECT_EQ(std::vector<int>{1}, g_released);
    EXPECT_EQ(2, owned.Release()); // given up, not released
    EXPECT_FALSE(owned);
    EXPECT_EQ(std::vector<int>{1}, g_released);

    owned.Reset(3);
    int* slot = owned.Receive(); // what it held goes first
    EXPECT_EQ((std::vector<int>{1, 3}), g_released);
    EXPECT_EQ(-1, *slot);
    *slot = 4;
    EXPECT_EQ(4, owned.Get());

    // Neither "none" value of a kind is ever released: -1 here, and null,
    // which no call returns as a resource.
    owned.Reset();
    owned.Reset(0);
    owned.Reset();
    EXPECT_EQ((std::vector<int>{1, 3, 4}), g_released);
}

TEST_F(HandleOwners, ReleasingKeepsTheLastError)
{
    COwned owned(5);
    SetLastError(ERROR_ACCESS_DENIED);
    owned.Reset();
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    {
        COwned going(6);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    {
        CKeepLastError keep;
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), keep.Error());
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// The real kinds: a kernel handle closes with its owner, and a file's
// INVALID_HANDLE_VALUE counts as none.
TEST_F(HandleOwners, KernelHandlesAndFilesCloseWithTheirOwner)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    ASSERT_NE(nullptr, event);
    static_cast<void>(CHandle(event)); // closed as the owner ends
    EXPECT_FALSE(GetHandleInformation(event, &flags));

    CFileHandle file(CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.Get());
}
