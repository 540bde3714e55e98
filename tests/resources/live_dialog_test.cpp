// The pages created for real from Tarvik.exe, under the activation context of
// its own manifest: every control class of the templates exists, the icon and
// the link resolve, and the sibling walk of the enabling rules meets the
// controls it is meant to switch. (Wine registers SysLink even without common
// controls 6; the manifest's dependency is checked by its text.)
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/resources/resource_module.h"

namespace {

// An activation context made from a program's manifest, active while the
// object lives.
class CManifestContext
{
public:
    explicit CManifestContext(const std::wstring& program)
    {
        ACTCTXW context = {};
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = program.c_str();
        context.lpResourceName = MAKEINTRESOURCEW(1);
        m_context = CreateActCtxW(&context);
        if (m_context != INVALID_HANDLE_VALUE && !ActivateActCtx(m_context, &m_cookie))
            m_cookie = 0;
    }
    ~CManifestContext()
    {
        if (m_cookie)
            DeactivateActCtx(0, m_cookie);
        if (m_context != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_context);
    }
    CManifestContext(const CManifestContext&) = delete;
    CManifestContext& operator=(const CManifestContext&) = delete;

    bool Active() const { return m_cookie != 0; }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};

using CWindow = CUnique<HWND, DestroyWindow>;

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The controls after `id` in z-order up to (not including) the next WS_GROUP
// window: the ones the page enables and disables with it.
std::vector<int> FollowingUntilGroup(HWND page, int id)
{
    std::vector<int> ids;
    HWND control = GetDlgItem(page, id);
    if (!control)
        return ids;
    for (HWND next = GetWindow(control, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
        if (GetWindowLongW(next, GWL_STYLE) & WS_GROUP)
            break;
        ids.push_back(GetDlgCtrlID(next));
    }
    return ids;
}

class LiveDialogTest : public ::testing::Test
{
protected:
    CResourceModule tarvik{L"Tarvik.exe"};
    CManifestContext context{tarvik.Path()};
    CWindow host{CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500,
                                 nullptr, nullptr, nullptr, nullptr)};

    void SetUp() override
    {
        ASSERT_NE(tarvik.Get(), nullptr);
        ASSERT_TRUE(context.Active()) << "the manifest of Tarvik.exe gives no activation context";
        ASSERT_NE(host.get(), nullptr);
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_DATE_CLASSES | ICC_LINK_CLASS |
                                                             ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&classes);
    }

    HWND CreatePage(WORD id)
    {
        return CreateDialogParamW(tarvik.Get(), MAKEINTRESOURCEW(id), host.get(), QuietPage, 0);
    }
};

TEST_F(LiveDialogTest, GeneralPageGroupsEnableTheRightControls)
{
    CWindow page(CreatePage(IDD_GENERAL));
    ASSERT_NE(page.get(), nullptr) << GetLastError();

    // The condition list switches the port edit and the endpoint list.
    EXPECT_EQ(FollowingUntilGroup(page.get(), IDC_CONDITION),
              (std::vector<int>{IDC_PORTS, IDC_ENDPOINT}));
    // "Suspend in:" switches its delay, the "State:" label and the state list.
    EXPECT_EQ(FollowingUntilGroup(page.get(), IDC_AUTO_SUSPEND),
              (std::vector<int>{IDC_SUSPEND_DELAY, -1, IDC_SUSPEND_STATE}));
    // The command check box switches the command edit and Browse.
    EXPECT_EQ(FollowingUntilGroup(page.get(), IDC_RUN_COMMAND),
              (std::vector<int>{IDC_COMMAND, IDC_BROWSE}));
    // The walk from the last control ends at the end of the page.
    EXPECT_EQ(FollowingUntilGroup(page.get(), IDC_RUN_AT_STARTUP),
              (std::vector<int>{IDC_START_MINIMIZED}));

    // Alt+T on "S&tate:" must land on the state list: the next tab stop.
    HWND label = GetNextDlgTabItem(page.get(), GetDlgItem(page.get(), IDC_SUSPEND_DELAY), FALSE);
    EXPECT_EQ(label, GetDlgItem(page.get(), IDC_SUSPEND_STATE));
}

TEST_F(LiveDialogTest, AboutPageShowsIconAndLink)
{
    CWindow page(CreatePage(IDD_ABOUT));
    ASSERT_NE(page.get(), nullptr) << GetLastError();

    HWND link = GetDlgItem(page.get(), IDC_WEBLINK);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(ClassOf(link), L"SysLink");
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    item.iLink = 0;
    ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(item.szUrl, L"https://tarvik.example.org/");

    HWND icon = GetWindow(GetDlgItem(page.get(), IDC_VERSION), GW_HWNDPREV);
    icon = GetWindow(icon, GW_HWNDPREV); // before the description
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "icon 128 did not load";
}

} // namespace
