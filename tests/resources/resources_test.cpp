// The resources as linked into the built programs: the pages created for real
// under Tarvik.exe's own manifest (the ids and WS_GROUP marks the enabling
// rules walk, the icon and the link), and the version resources whose names
// the data folder, the About page and the console banner are built from.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "resources/version.h"

namespace {

#define TARVIK_WIDEN2(x) L##x
#define TARVIK_WIDEN(x)  TARVIK_WIDEN2(x)

std::wstring PathBesideTest(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH] = {};
    std::wstring folder(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return folder.erase(folder.find_last_of(L'\\') + 1) + fileName;
}

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

class LivePage : public testing::Test
{
protected:
    void SetUp() override
    {
        m_path = PathBesideTest(L"Tarvik.exe");
        m_module = LoadLibraryExW(m_path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr);
        // A manifest the loader rejects would stop the program from starting.
        ACTCTXW context = {};
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = m_path.c_str();
        context.lpResourceName = MAKEINTRESOURCEW(1);
        m_context = CreateActCtxW(&context);
        ASSERT_NE(m_context, INVALID_HANDLE_VALUE) << GetLastError();
        ASSERT_TRUE(ActivateActCtx(m_context, &m_cookie));
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_DATE_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
        m_host = CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(m_host, nullptr);
    }
    void TearDown() override
    {
        if (m_host)
            DestroyWindow(m_host); // and the page with it
        if (m_cookie)
            DeactivateActCtx(0, m_cookie);
        if (m_context != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_context);
        if (m_module)
            FreeLibrary(m_module);
    }
    HWND CreatePage(WORD id)
    {
        return CreateDialogParamW(m_module, MAKEINTRESOURCEW(id), m_host, QuietPage, 0);
    }

    std::wstring m_path;
    HMODULE m_module = nullptr;
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
    HWND m_host = nullptr;
};

} // namespace

TEST_F(LivePage, GeneralPageOrderAndGroupsEnableTheRightControls)
{
    HWND page = CreatePage(IDD_GENERAL);
    ASSERT_NE(page, nullptr) << GetLastError();
    // The controls in z-order, each WS_GROUP window preceded by 0: a check box
    // switches the controls after it up to the next group.
    std::vector<int> order;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetWindowLongW(c, GWL_STYLE) & WS_GROUP)
            order.push_back(0);
        order.push_back(GetDlgCtrlID(c));
    }
    const std::vector<int> expected = {
        0, IDC_BLANKING, IDC_ALLOW_SUSPEND, IDC_CONDITION, IDC_PORTS, IDC_ENDPOINT,
        0, IDC_AUTO_RESUME, IDC_RESUME_MODE, IDC_RESUME_DATE, IDC_RESUME_TIME,
        0, -1, IDC_AUTO_SUSPEND, IDC_SUSPEND_DELAY, -1, IDC_SUSPEND_STATE,
        0, IDC_RUN_COMMAND, IDC_COMMAND, IDC_BROWSE,
        0, IDC_RUN_AT_STARTUP, IDC_START_MINIMIZED};
    EXPECT_EQ(expected, order);

    // Alt+T on "S&tate:" must land on the state list: the next tab stop.
    EXPECT_EQ(GetDlgItem(page, IDC_SUSPEND_STATE),
              GetNextDlgTabItem(page, GetDlgItem(page, IDC_SUSPEND_DELAY), FALSE));
}

TEST_F(LivePage, AboutPageShowsIconAndLink)
{
    HWND page = CreatePage(IDD_ABOUT);
    ASSERT_NE(page, nullptr) << GetLastError();
    EXPECT_NE(GetDlgItem(page, IDC_VERSION), nullptr);
    EXPECT_NE(GetDlgItem(page, IDC_LEGAL), nullptr);

    HWND link = GetDlgItem(page, IDC_WEBLINK);
    ASSERT_NE(link, nullptr);
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    ASSERT_TRUE(SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
    // The quotes of the link must survive the resource compiler.
    EXPECT_STREQ(item.szUrl, L"https://tarvik.example.org/");

    HWND icon = GetWindow(page, GW_CHILD);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "icon 128 did not load";
}

// The exact notice also fixes where the About page cuts it: at the first
// period, after the maker.
TEST(VersionResource, NumbersAndNamesOfBothPrograms)
{
    const struct
    {
        const wchar_t* file;
        const wchar_t* description;
    } programs[] = {{L"Tarvik.exe", L"Tarvik power manager"}, {L"suspend.exe", L"Tarvik Suspend Tool"}};
    for (const auto& program : programs) {
        SCOPED_TRACE(testing::Message() << program.file);
        std::wstring path = PathBesideTest(program.file);
        DWORD ignored = 0;
        std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(block.empty());
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(TARVIK_VERSION_MINOR, TARVIK_VERSION_MAJOR)));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(TARVIK_VERSION_REVISION, TARVIK_VERSION_BUILD)));
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask & VS_FF_PRERELEASE, 0u)
            << "a release build shows no [BETA]";

        // The first translation is the one every reader uses.
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
        ASSERT_GE(length, sizeof(DWORD));
        EXPECT_EQ(*static_cast<const DWORD*>(value), static_cast<DWORD>(MAKELONG(0x0409, 1200)));

        const std::pair<const wchar_t*, std::wstring> expected[] = {
            {L"CompanyName", L"Tarvik Developers"},
            {L"ProductName", L"Tarvik"},
            {L"LegalCopyright",
             L"Copyright \u00A9 2026 Tarvik Developers. Licensed under the MIT License."},
            {L"FileDescription", program.description},
            {L"FileVersion", TARVIK_WIDEN(TARVIK_VERSION_TEXT)},
        };
        for (const auto& [name, text] : expected) {
            std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
            ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), &value, &length)) << name;
            EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), text) << name;
        }
    }
}
