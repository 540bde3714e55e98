#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <oleauto.h>
#include <sddl.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/instance_manager.h"
#include "ui/process_objects.h"

namespace {

std::wstring OwnFileName()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return PathFindFileNameW(path);
}

std::wstring UniqueName(const wchar_t* tag)
{
    wchar_t name[80];
    static int counter = 0;
    _snwprintf(name, 80, L"Local\\TarvikTest.%ls.%lu.%d", tag, GetCurrentProcessId(), ++counter);
    name[79] = L'\0';
    return name;
}

} // namespace

TEST(InstanceManagerTest, TheHashIsTheSystemHashOfTheFileNameWhateverItsCase)
{
    CInstanceManager manager;
    const std::wstring name = OwnFileName();
    EXPECT_EQ(LHashValOfNameSys(SYS_WIN32, 0x0800, name.c_str()), manager.InstanceHash());
    std::wstring upper = name;
    CharUpperW(&upper[0]);
    EXPECT_EQ(manager.InstanceHash(), CInstanceManager::HashFileName(upper.c_str()));

    // Every copy of the program agrees on the program's own hash.
    EXPECT_EQ(0x0010AD34u, CInstanceManager::HashFileName(L"Tarvik.exe"));
    EXPECT_EQ(0x0010AD34u, CInstanceManager::HashFileName(L"tArViK.ExE"));
    EXPECT_NE(0x0010AD34u, CInstanceManager::HashFileName(L"Tarvik2.exe"));
}

TEST(InstanceManagerTest, TheMutexNameIsLocalWithTheHashInEightUpperCaseDigits)
{
    CInstanceManager manager;
    wchar_t name[CInstanceManager::kObjectNameLength];
    manager.BuildObjectName(name);
    const std::wstring text = name;
    const std::wstring prefix = L"Local\\ZPQInstance.";
    ASSERT_EQ(prefix.size() + 8, text.size());
    EXPECT_EQ(prefix, text.substr(0, prefix.size()));
    const std::wstring digits = text.substr(prefix.size());
    EXPECT_EQ(std::wstring::npos, digits.find_first_not_of(L"0123456789ABCDEF"));
    EXPECT_EQ(manager.InstanceHash(), wcstoul(digits.c_str(), nullptr, 16));
}

TEST(InstanceManagerTest, TheFirstMutexIsNewAndASecondOpensItWhileEitherHoldsIt)
{
    const std::wstring name = UniqueName(L"mutex");
    CHandle first;
    CHandle second;
    EXPECT_EQ(0, CInstanceManager::CreateInstanceMutex(name.c_str(), first));
    ASSERT_TRUE(first.IsValid());
    EXPECT_EQ(1, CInstanceManager::CreateInstanceMutex(name.c_str(), second));
    EXPECT_TRUE(second.IsValid());
    first.Close();
    CHandle third;
    EXPECT_EQ(1, CInstanceManager::CreateInstanceMutex(name.c_str(), third));
    second.Close();
    third.Close();
    CHandle fourth;
    EXPECT_EQ(0, CInstanceManager::CreateInstanceMutex(name.c_str(), fourth));
}

TEST(InstanceManagerTest, TheMutexLetsSystemEveryoneAndAnonymousOpenIt)
{
    const std::wstring name = UniqueName(L"acl");
    CHandle handle;
    ASSERT_EQ(0, CInstanceManager::CreateInstanceMutex(name.c_str(), handle));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetSecurityInfo(handle.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor));
    CLocalBlock owner(descriptor);
    ASSERT_NE(nullptr, dacl);
    ASSERT_EQ(3, dacl->AceCount);
    std::vector<std::wstring> sids;
    for (WORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, index, &ace));
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, allowed->Header.AceType);
        EXPECT_EQ(0, allowed->Header.AceFlags);
        EXPECT_EQ(static_cast<ACCESS_MASK>(MUTEX_ALL_ACCESS), allowed->Mask);
        wchar_t* text = nullptr;
        ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &text);
        CLocalBlock textOwner(text);
        sids.push_back(text ? text : L"");
    }
    EXPECT_EQ((std::vector<std::wstring>{L"S-1-5-18", L"S-1-1-0", L"S-1-5-7"}), sids);
}

TEST(InstanceManagerTest, OnlyASingleExactRunasArgumentIsATakeover)
{
    EXPECT_TRUE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe runas"));
    EXPECT_TRUE(CInstanceManager::IsTakeoverCommandLine(L"\"C:\\Program Files\\Tarvik.exe\" \"runas\""));
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe"));
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe RUNAS"));
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe /runas"));
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe runas now"));
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine(L"Tarvik.exe runasx"));
    // This test program was not started that way.
    EXPECT_FALSE(CInstanceManager::IsTakeoverCommandLine());
}

namespace {

struct CNotification
{
    WPARAM code;
    DWORD target;
};

std::vector<CNotification>& Received()
{
    static std::vector<CNotification> received;
    return received;
}

LRESULT CALLBACK ReceiverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_instanceNotifyMessage) {
        Received().push_back({wParam, static_cast<DWORD>(lParam)});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window, as a running copy's sheet is while in the tray.
class CReceiver
{
public:
    CReceiver()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ReceiverProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TarvikInstanceReceiver";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, L"TarvikInstanceReceiver", L"", WS_POPUP, 0, 0, 1, 1,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        Received().clear();
    }
    ~CReceiver() { DestroyWindow(m_window); }
    CReceiver(const CReceiver&) = delete;
    CReceiver& operator=(const CReceiver&) = delete;
    HWND Window() const { return m_window; }

    static void Pump()
    {
        MSG message;
        for (int round = 0; round < 20; ++round) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            if (!Received().empty())
                return;
            Sleep(10);
        }
    }

private:
    HWND m_window;
};

} // namespace

TEST(InstanceManagerTest, ASecondCopyAsksTheFirstToShowItselfAndATakeoverToClose)
{
    CReceiver receiver;
    ASSERT_NE(nullptr, receiver.Window());
    CInstanceManager first;
    ASSERT_TRUE(first.CheckInstance());
    EXPECT_NE(nullptr, first.MutexHandle());
    CReceiver::Pump();
    EXPECT_TRUE(Received().empty());
    // Once decided, a manager never decides again.
    EXPECT_FALSE(first.CheckInstance());

    CInstanceManager second;
    EXPECT_FALSE(second.CheckInstance());
    CReceiver::Pump();
    ASSERT_EQ(1u, Received().size());
    EXPECT_EQ(CInstanceManager::NOTIFY_ACTIVATE, Received()[0].code);
    EXPECT_EQ(first.InstanceHash(), Received()[0].target);

    Received().clear();
    ASSERT_TRUE(second.CloseOther());
    CReceiver::Pump();
    ASSERT_EQ(1u, Received().size());
    EXPECT_EQ(CInstanceManager::NOTIFY_CLOSE, Received()[0].code);
    EXPECT_EQ(second.InstanceHash(), Received()[0].target);
}
