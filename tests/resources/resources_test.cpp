// The pages as linked into Tarvik.exe, created for real under its own
// manifest: the tab order, the link and the room each caption has;
// and the icon images both programs carry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <utility>

#include "common/handles.h"
#include "resources/resource.h"
#include "tests/support/process.h"

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A program's file, mapped for its resources only.
CLibraryHandle Resources(const wchar_t* program)
{
    return CLibraryHandle(
        LoadLibraryExW((ProgramFolder() + program).c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

// Tarvik.exe's resources and its manifest's activation context, so that the
// dialogs get the common controls the program gets; a window to hold them.
class CLivePages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module);
        // A manifest the loader rejects would stop the program from starting.
        const std::wstring path = ProgramFolder() + L"Tarvik.exe";
        ACTCTXW context = {sizeof(context),
                           ACTCTX_FLAG_RESOURCE_NAME_VALID,
                           path.c_str(),
                           0,
                           0,
                           nullptr,
                           MAKEINTRESOURCEW(1),
                           nullptr,
                           nullptr};
        activation = CreateActCtxW(&context);
        ASSERT_NE(activation, INVALID_HANDLE_VALUE) << GetLastError();
        ASSERT_TRUE(ActivateActCtx(activation, &cookie));
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_DATE_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
        host = CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }

    void TearDown() override
    {
        DestroyWindow(host); // and the pages with it
        if (cookie)
            DeactivateActCtx(0, cookie);
        if (activation != INVALID_HANDLE_VALUE)
            ReleaseActCtx(activation);
    }

    HWND Page(UINT id)
    {
        return CreateDialogParamW(module.Get(), MAKEINTRESOURCEW(id), host, QuietPage, 0);
    }

    const CLibraryHandle module = Resources(L"Tarvik.exe");
    HANDLE activation = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie = 0;
    HWND host = nullptr;
};

bool IsClass(HWND window, const wchar_t* name)
{
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    return _wcsicmp(className, name) == 0;
}

// Where a control's caption would not fit the control, in the control's own
// font at this display's scale: empty when it fits.
std::wstring CaptionMisfit(HWND control)
{
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const bool link = IsClass(control, L"SysLink"), button = IsClass(control, L"Button");
    // What a link shows: its text without the <a> and </a> marks.
    const std::wstring text =
        link ? std::regex_replace(WindowText(control), std::wregex(L"<[^>]*>"), L"")
             : WindowText(control);

    RECT client = {};
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    // Texts and links wrap at their width; buttons keep to one line.
    UINT flags = DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK);
    if (link || (!button && (style & SS_NOPREFIX)))
        flags |= DT_NOPREFIX;
    RECT needed = {0, 0, client.right, 0};
    DrawTextW(dc, text.c_str(), -1, &needed, flags);
    SelectObject(dc, old);
    ReleaseDC(control, dc);

    // Room the control keeps beside and around its caption: a check box's
    // box, gap and focus margins; a group box's frame, which runs on below
    // the caption; a push button's frame and a margin on either side.
    const LONG kind = button ? style & BS_TYPEMASK : -1;
    const bool check = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX, group = kind == BS_GROUPBOX;
    const bool push = button && !check && !group;
    const LONG beside = check   ? MulDiv(13, dpi, 96) + metrics.tmAveCharWidth / 2 + 2
                        : group ? 2 * metrics.tmAveCharWidth
                        : push  ? 2 * (2 + metrics.tmAveCharWidth)
                                : 0;
    const LONG width = needed.right + beside, height = needed.bottom + (push ? 4 : 0);
    if (width <= client.right && (group || height <= client.bottom))
        return L"";
    return L"\"" + text + L"\" needs " + std::to_wstring(width) + L"x" + std::to_wstring(height) +
           L" pixels, has " + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom);
}

// The widths of the images that an icon group of `module` holds: after the
// group's header of three words, an entry of 14 bytes per image, whose first
// byte is the width (0 for 256).
std::set<int> IconSizes(HMODULE module, UINT id)
{
    std::set<int> sizes;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    const BYTE* group =
        found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    const size_t count = group ? group[4] | (group[5] << 8) : 0;
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= SizeofResource(module, found); ++i)
        sizes.insert(group[6 + 14 * i] ? group[6 + 14 * i] : 256);
    return sizes;
}

} // namespace

// Alt+T on "S&tate:" lands on the state list, the next tab stop after the
// delay. Alt+W on the Status page's label lands on the report, a read-only
// multi-line edit that wraps, scrolls and that the keyboard reaches; the next tab stop
// is Copy. The quotes of the About page's link survive the resource compiler.
TEST_F(CLivePages, KeyboardOrderStatusPageAndLink)
{
    HWND general = Page(IDD_GENERAL), page = Page(IDD_STATUS), about = Page(IDD_ABOUT);
    ASSERT_TRUE(general && page && about);
    HWND edit = GetDlgItem(page, IDC_STATUS_TEXT), copy = GetDlgItem(page, IDC_STATUS_COPY);
    const std::pair<HWND, HWND> order[] = {
        {GetDlgItem(general, IDC_SUSPEND_DELAY), GetDlgItem(general, IDC_SUSPEND_STATE)},
        {GetWindow(page, GW_CHILD), edit},
        {edit, copy},
        {copy, edit},
    };
    for (const auto& [from, next] : order)
        EXPECT_EQ(next, GetNextDlgTabItem(GetParent(from), from, FALSE)) << GetDlgCtrlID(from);
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    EXPECT_EQ(ES_MULTILINE | ES_READONLY | WS_VSCROLL,
              style & (ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOHSCROLL));
    // The note beside Copy shows only when a copy fails.
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(page, IDC_STATUS_NOTE), GWL_STYLE) & WS_VISIBLE);

    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    ASSERT_TRUE(SendMessageW(GetDlgItem(about, IDC_WEBLINK), LM_GETITEM, 0,
                             reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(item.szUrl, L"https://tarvik.example.org/");
}

// Every check box, button, group box, text and link of the pages has room
// for its whole caption at this display's scale (make the pictures at 200 %
// with scripts/screenshots.sh --dpi 192 to see the other end); so has the
// Status page's note for the text it shows when a copy fails.
TEST_F(CLivePages, EveryCaptionFitsItsControl)
{
    wchar_t failed[512] = L"";
    ASSERT_GT(LoadStringW(module.Get(), IDS_STATUS_COPY_FAILED, failed, 512), 0);
    int captions = 0;
    for (UINT id : {IDD_GENERAL, IDD_STATUS, IDD_ABOUT}) {
        HWND page = Page(id);
        ASSERT_NE(page, nullptr);
        SetDlgItemTextW(page, IDC_STATUS_NOTE, failed);
        for (HWND control = GetWindow(page, GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            // Buttons of every kind, texts and links show a caption of their
            // own (pickers, lists and edits show values).
            const bool text = IsClass(control, L"Static") &&
                              (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) <= SS_RIGHT;
            if (!(text || IsClass(control, L"Button") || IsClass(control, L"SysLink")) ||
                WindowText(control).empty())
                continue;
            ++captions;
            EXPECT_EQ(CaptionMisfit(control), L"")
                << "dialog " << id << ", control " << GetDlgCtrlID(control);
        }
    }
    EXPECT_EQ(captions, 18) << "a caption was added or lost: count it here";
}

// The tray, the window and the About page ask for the small (16, 20, 24, 32
// pixels) and large (32, 40, 48, 64) icon sizes of 100, 125, 150 and 200 %:
// each is drawn from an image of its own size, none stretched from another.
TEST(Icons, EveryScaleHasItsOwnImage)
{
    const std::set<int> needed = {16, 20, 24, 32, 40, 48, 64};
    const std::pair<const wchar_t*, UINT> icons[] = {
        {L"Tarvik.exe", IDI_TARVIK}, {L"Tarvik.exe", IDI_NOSUSPEND}, {L"suspend.exe", IDI_TARVIK}};
    for (const auto& [program, id] : icons) {
        const CLibraryHandle module = Resources(program);
        ASSERT_TRUE(module) << GetLastError();
        const std::set<int> sizes = IconSizes(module.Get(), id);
        for (int size : needed)
            EXPECT_EQ(sizes.count(size), 1u)
                << program << " icon " << id << " has no " << size << "-pixel image";
    }
}
