#include <gtest/gtest.h>

#include "common/message_box.h"
#include "common/resource_string.h"
#include "resources/resource.h"
#include "tests/common/fixture_process.h"

#include <string>
#include <thread>

namespace {

struct CRecordedBox
{
    int calls = 0;
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

CRecordedBox g_recorded;

int WINAPI RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    ++g_recorded.calls;
    g_recorded.owner = owner;
    g_recorded.text = text;
    g_recorded.caption = caption;
    g_recorded.type = type;
    return IDCANCEL;
}

// Puts the recorder in place of the system's box for one test.
class RecordedMessageBox : public testing::Test
{
protected:
    void SetUp() override
    {
        g_recorded = CRecordedBox();
        SetMessageBoxFunction(RecordBox);
    }
    void TearDown() override { SetMessageBoxFunction(nullptr); }
};

std::wstring ProgramFileName()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    return name.substr(name.find_last_of(L'\\') + 1);
}

// A plain top-level or child window of a registered test class.
class CTestWindow
{
public:
    CTestWindow(DWORD style, int x, int y, int width, int height, HWND parent = nullptr)
    {
        static const ATOM windowClass = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TarvikCommonTestWindow";
            return RegisterClassW(&wc);
        }();
        m_window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"test window", style, x, y, width,
                                   height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~CTestWindow()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;
    HWND Get() const { return m_window; }
    RECT Rect() const
    {
        RECT rect = {};
        GetWindowRect(m_window, &rect);
        return rect;
    }

private:
    HWND m_window = nullptr;
};

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

} // namespace

TEST(ShieldButtonForType, DefaultAnswerOfEachButtonSet)
{
    EXPECT_EQ(IDOK, ShieldButtonForType(MB_OK | MB_SHIELDBUTTON));
    EXPECT_EQ(IDOK, ShieldButtonForType(MB_OKCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(IDRETRY, ShieldButtonForType(MB_ABORTRETRYIGNORE | MB_SHIELDBUTTON));
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNOCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNO | MB_SHIELDBUTTON));
    EXPECT_EQ(IDRETRY, ShieldButtonForType(MB_RETRYCANCEL | MB_SHIELDBUTTON));
    EXPECT_EQ(0, ShieldButtonForType(MB_CANCELTRYCONTINUE | MB_SHIELDBUTTON));
    EXPECT_EQ(0, ShieldButtonForType(0x7 | MB_SHIELDBUTTON));
    // Icon and default-button bits do not change the choice.
    EXPECT_EQ(IDYES, ShieldButtonForType(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SHIELDBUTTON));
    // Without the flag no button gets the shield.
    EXPECT_EQ(0, ShieldButtonForType(MB_OK));
    EXPECT_EQ(0, ShieldButtonForType(MB_YESNO | MB_ICONWARNING));
}

TEST(CenterPosition, CentresAndTruncatesTowardsZero)
{
    const struct
    {
        RECT box, reference;
        POINT expected;
    } cases[] = {
        {{0, 0, 300, 200}, {100, 100, 200, 150}, {0, 25}},       // wider: out on both sides
        {{500, 500, 600, 550}, {0, 0, 1000, 800}, {450, 375}},
        {{0, 0, 100, 103}, {10, 10, 111, 110}, {10, 9}},         // 1 / 2 -> 0, -3 / 2 -> -1
        {{0, 0, 205, 101}, {-500, -300, -100, -100}, {-403, -251}}, // left of and above the primary
    };
    for (const auto& c : cases) {
        POINT p = CenterPosition(c.box, c.reference);
        EXPECT_EQ(c.expected.x, p.x) << c.reference.left;
        EXPECT_EQ(c.expected.y, p.y) << c.reference.left;
    }
}

TEST(CenterMessageBox, OwnedWindowIsCentredOverItsOwner)
{
    CTestWindow owner(WS_POPUP, 400, 300, 100, 60);
    ASSERT_NE(nullptr, owner.Get());
    CTestWindow box(WS_POPUP, 0, 0, 301, 200, owner.Get());
    ASSERT_NE(nullptr, box.Get());
    ASSERT_TRUE(CenterMessageBox(box.Get()));
    RECT rect = box.Rect();
    EXPECT_EQ(300, rect.left); // 400 + (100 - 301) / 2 = 400 - 100
    EXPECT_EQ(230, rect.top);
    EXPECT_EQ(301, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);
}

TEST(CenterMessageBox, ChildIsCentredInsideItsParent)
{
    CTestWindow parent(WS_POPUP | WS_BORDER, 200, 150, 400, 300);
    ASSERT_NE(nullptr, parent.Get());
    CTestWindow child(WS_CHILD, 0, 0, 100, 50, parent.Get());
    ASSERT_NE(nullptr, child.Get());
    ASSERT_TRUE(CenterMessageBox(child.Get()));
    RECT parentRect = parent.Rect();
    RECT rect = child.Rect();
    EXPECT_EQ(parentRect.left + (400 - 100) / 2, rect.left);
    EXPECT_EQ(parentRect.top + (300 - 50) / 2, rect.top);
}

TEST(CenterMessageBox, UnownedWindowIsCentredOnItsMonitorsWorkArea)
{
    CTestWindow box(WS_POPUP, 3, 7, 240, 120);
    ASSERT_NE(nullptr, box.Get());
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(box.Get(), MONITOR_DEFAULTTONEAREST), &info));
    ASSERT_TRUE(CenterMessageBox(box.Get()));
    RECT rect = box.Rect();
    const RECT& work = info.rcWork;
    EXPECT_EQ(work.left + (work.right - work.left - 240) / 2, rect.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - 120) / 2, rect.top);
    EXPECT_FALSE(CenterMessageBox(nullptr));
}

TEST(FindMessageBoxOwner, ActiveWindowOrNone)
{
    {
        CTestWindow owner(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
        ASSERT_NE(nullptr, owner.Get());
        SetForegroundWindow(owner.Get());
        SetActiveWindow(owner.Get());
        PumpMessages();
        ASSERT_EQ(owner.Get(), GetActiveWindow());
        EXPECT_EQ(owner.Get(), FindMessageBoxOwner());
    }
    PumpMessages();
    if (GetActiveWindow() == nullptr) {
        EXPECT_EQ(nullptr, FindMessageBoxOwner());
    }
}

TEST_F(RecordedMessageBox, ShieldFlagNeverReachesTheSystem)
{
    EXPECT_EQ(IDCANCEL, MessageBoxFormat(L"%s holds %d files", MB_YESNO | MB_SHIELDBUTTON | MB_ICONWARNING,
                                         L"C:\\Temp", 3));
    ASSERT_EQ(1, g_recorded.calls);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), g_recorded.type);
    EXPECT_EQ(L"C:\\Temp holds 3 files", g_recorded.text);
    // The test program's string table has no caption entry; it is worked out once.
    EXPECT_EQ(ProgramFileName(), g_recorded.caption);
    EXPECT_EQ(GetMessageBoxCaption(), GetMessageBoxCaption());
    EXPECT_EQ(FindMessageBoxOwner(), g_recorded.owner);

    MessageBoxFormat(L"none", MB_CANCELTRYCONTINUE | MB_SHIELDBUTTON);
    EXPECT_EQ(static_cast<UINT>(MB_CANCELTRYCONTINUE), g_recorded.type);
}

TEST_F(RecordedMessageBox, ResourceFormatKeepsPercentSignsOfArguments)
{
    const wchar_t* path = L"C:\\dumps\\100%s.dmp";
    MessageBoxResource(IDS_CRASH_MESSAGE, MB_ICONERROR, path);
    ASSERT_EQ(1, g_recorded.calls);
    EXPECT_EQ(FormatResourceString(IDS_CRASH_MESSAGE, path), g_recorded.text);
    EXPECT_EQ(std::wstring(L"\n") + path, g_recorded.text.substr(g_recorded.text.rfind(L'\n')));
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), g_recorded.type);
}

TEST_F(RecordedMessageBox, NoTextNoBox)
{
    // Entry 40007 is absent from a block that exists.
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxResource(40007, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxFormat(nullptr, MB_OK));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, g_recorded.calls);
}

TEST_F(RecordedMessageBox, BoxThatNeverShowedLeavesNoHookBehind)
{
    CTestWindow owner(WS_POPUP, 600, 500, 50, 40);
    CTestWindow popup(WS_POPUP, 20, 30, 200, 100, owner.Get());
    ASSERT_NE(nullptr, popup.Get());
    MessageBoxFormat(L"not shown", MB_OK);
    ASSERT_EQ(1, g_recorded.calls);
    // The first activation after the box: a hook left installed would centre
    // this window over its owner.
    ShowWindow(popup.Get(), SW_SHOW);
    SetActiveWindow(popup.Get());
    PumpMessages();
    EXPECT_EQ(popup.Get(), GetActiveWindow());
    RECT rect = popup.Rect();
    EXPECT_EQ(20, rect.left);
    EXPECT_EQ(30, rect.top);
}

namespace {

struct CBoxSeen
{
    bool found = false;
    bool centred = false;
    HWND owner = nullptr;
    RECT rect = {};
    RECT ownerRect = {};
    std::wstring caption;
    std::wstring text;
};

// Runs on a helper thread while the main thread sits in the box's modal loop.
void WatchBox(CBoxSeen& seen)
{
    HWND box = WaitForDialog(GetCurrentProcessId());
    if (!box)
        return;
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    wchar_t caption[128] = L"";
    GetWindowTextW(box, caption, 128);
    seen.caption = caption;
    // The box is moved when it is first activated: wait for that.
    for (int i = 0; i < 100 && !seen.centred; ++i) {
        GetWindowRect(box, &seen.rect);
        GetWindowRect(seen.owner, &seen.ownerRect);
        POINT expected = CenterPosition(seen.rect, seen.ownerRect);
        seen.centred = expected.x == seen.rect.left && expected.y == seen.rect.top;
        if (!seen.centred)
            Sleep(50);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
}

} // namespace

TEST(MessageBoxFormat, RealBoxIsOwnedCaptionedAndCentred)
{
    CTestWindow owner(WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 560, 460, 120, 90);
    ASSERT_NE(nullptr, owner.Get());
    SetForegroundWindow(owner.Get());
    SetActiveWindow(owner.Get());
    PumpMessages();
    ASSERT_EQ(owner.Get(), FindMessageBoxOwner());

    CBoxSeen seen;
    std::thread watcher(WatchBox, std::ref(seen));
    int result = MessageBoxFormat(L"Suspend %s now? (%d%%)", MB_YESNO | MB_SHIELDBUTTON,
                                  L"this computer", 100);
    watcher.join();

    EXPECT_EQ(IDYES, result);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(owner.Get(), seen.owner);
    EXPECT_EQ(ProgramFileName(), seen.caption);
    EXPECT_TRUE(seen.centred) << "box at " << seen.rect.left << "," << seen.rect.top << " owner at "
                              << seen.ownerRect.left << "," << seen.ownerRect.top;
    // The box is wider than its owner: it reaches beyond it on both sides.
    EXPECT_LT(seen.rect.left, seen.ownerRect.left);
    EXPECT_GT(seen.rect.right, seen.ownerRect.right);
}
