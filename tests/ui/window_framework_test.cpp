#include <gtest/gtest.h>

#include <vector>

#include "resources/resource.h"
#include "tests/ui/ui_test_support.h"
#include "ui/property_page.h"
#include "ui/property_sheet.h"
#include "ui/subclassed_window.h"

namespace {

const UINT kHandled = WM_USER + 1;
const UINT kPassed = WM_USER + 2;

// The window's own procedure: it records what reaches it and answers 7.
std::vector<UINT>& OwnProcedureMessages()
{
    static std::vector<UINT> messages;
    return messages;
}

LRESULT CALLBACK OwnProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kHandled || message == kPassed) {
        OwnProcedureMessages().push_back(message);
        return 7;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreatePlainWindow()
{
    static ATOM atom = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = OwnProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TarvikFrameworkTest";
        return RegisterClassW(&windowClass);
    }();
    return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), L"", 0, 0,
                           0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class CAnsweringWindow : public CSubclassedWindow
{
public:
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        seen.push_back(message);
        seenWindow = window;
        if (message != kHandled)
            return false;
        result = 42;
        return true;
    }
    void OnFinalMessage() override { ++finalMessages; }

    std::vector<UINT> seen;
    HWND seenWindow = nullptr;
    int finalMessages = 0;
};

class WindowFrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OwnProcedureMessages().clear();
        window = CreatePlainWindow();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
    }
    HWND window = nullptr;
};

} // namespace

TEST_F(WindowFrameworkTest, HandledMessagesAnswerForTheWindowAndTheRestReachItsOwnProcedure)
{
    CAnsweringWindow object;
    ASSERT_TRUE(object.Subclass(window));
    EXPECT_EQ(window, object.Handle());

    EXPECT_EQ(42, SendMessageW(window, kHandled, 0, 0));
    EXPECT_EQ(7, SendMessageW(window, kPassed, 0, 0));
    EXPECT_EQ(std::vector<UINT>{kPassed}, OwnProcedureMessages());
    EXPECT_EQ(window, object.seenWindow);

    // Given back: the window's own procedure answers everything again.
    object.Unsubclass();
    EXPECT_EQ(nullptr, object.Handle());
    EXPECT_EQ(7, SendMessageW(window, kHandled, 0, 0));
}

TEST_F(WindowFrameworkTest, AnObjectTakesOneWindowAndLetsGoWhenItIsDestroyed)
{
    CAnsweringWindow object;
    SetLastError(0);
    EXPECT_FALSE(object.Subclass(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    ASSERT_TRUE(object.Subclass(window));
    HWND second = CreatePlainWindow();
    EXPECT_FALSE(object.Subclass(second));
    DestroyWindow(second);

    DestroyWindow(window);
    EXPECT_EQ(1, object.finalMessages);
    EXPECT_EQ(nullptr, object.Handle());
    // A new window can be taken after the old one went.
    window = CreatePlainWindow();
    EXPECT_TRUE(object.Subclass(window));
}

namespace {

// A page that answers a chosen notification through the dialog's result slot.
class CAnsweringPage : public CPropertyPage
{
public:
    explicit CAnsweringPage(UINT templateId) : CPropertyPage(templateId) {}

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM, LPARAM lParam,
                              LRESULT& result) override
    {
        if (message == WM_INITDIALOG) {
            ++initialisations;
            initWindow = window;
            result = TRUE;
            return true;
        }
        if (message == WM_NOTIFY) {
            const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code == static_cast<UINT>(PSN_KILLACTIVE)) {
                fromSheet = IsSheetNotification(header);
                result = killActiveAnswer;
                return true;
            }
        }
        return false;
    }
    void OnFinalMessage() override { ++finalMessages; }

    int initialisations = 0;
    HWND initWindow = nullptr;
    LRESULT killActiveAnswer = 0; // non-zero keeps the page
    bool fromSheet = false;
    int finalMessages = 0;
};

class CRecordingSheet : public CPropertySheet
{
public:
    CRecordingSheet() : CPropertySheet(IDS_APP_NAME)
    {
        AddPage(first);
        AddPage(second);
    }
    void OnSheetInitialized() override
    {
        ++initialisations;
        pendingAtInitialisation = PendingPageCount();
        windowAtInitialisation = Handle();
    }
    bool ProcessWindowMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message != kHandled)
            return false;
        result = 99;
        return true;
    }

    CAnsweringPage first{IDD_GENERAL};
    CAnsweringPage second{IDD_ABOUT};
    int initialisations = 0;
    size_t pendingAtInitialisation = 0;
    HWND windowAtInitialisation = nullptr;
};

} // namespace

TEST(PropertySheetTest, TheCreatingThreadsSheetTakesOverTheWindowAndItsPages)
{
    CRecordingSheet sheet;
    EXPECT_EQ(2u, sheet.PendingPageCount());
    HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);

    EXPECT_EQ(1, sheet.initialisations);
    EXPECT_EQ(window, sheet.windowAtInitialisation);
    EXPECT_EQ(0u, sheet.pendingAtInitialisation);
    EXPECT_EQ(nullptr, sheet.Header().phpage);
    EXPECT_EQ(0u, sheet.Header().nPages);
    EXPECT_EQ(99, SendMessageW(window, kHandled, 0, 0));

    // Only the first page exists until the second is shown.
    EXPECT_EQ(1, sheet.first.initialisations);
    EXPECT_EQ(sheet.first.initWindow, sheet.first.Handle());
    EXPECT_EQ(window, sheet.first.Sheet());
    EXPECT_EQ(nullptr, sheet.second.Handle());
    SendMessageW(window, PSM_SETCURSELID, 0, IDD_ABOUT);
    EXPECT_EQ(1, sheet.second.initialisations);
    EXPECT_NE(nullptr, sheet.second.Handle());

    DestroyWindow(window);
    PumpMessages();
    EXPECT_EQ(1, sheet.first.finalMessages);
    EXPECT_EQ(nullptr, sheet.first.Handle());
    EXPECT_EQ(nullptr, sheet.Handle());
}

TEST(PropertySheetTest, APageAnswersNotificationsThroughItsDialogResult)
{
    CRecordingSheet sheet;
    HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    HWND page = sheet.first.Handle();
    sheet.first.killActiveAnswer = 1234;

    PSHNOTIFY notify = {};
    notify.hdr.hwndFrom = window;
    notify.hdr.code = static_cast<UINT>(PSN_KILLACTIVE);
    EXPECT_EQ(1234, SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)));
    EXPECT_TRUE(sheet.first.fromSheet);

    // A notification from a stranger is told apart.
    notify.hdr.hwndFrom = GetDesktopWindow();
    SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    EXPECT_FALSE(sheet.first.fromSheet);

    // The sheet itself reads the answer: the page refuses to be left.
    SendMessageW(window, PSM_SETCURSELID, 0, IDD_ABOUT);
    EXPECT_EQ(nullptr, sheet.second.Handle());
    DestroyWindow(window);
}
