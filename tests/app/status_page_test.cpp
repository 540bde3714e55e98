// The Status page over the program's real core and the host's real
// connection tables: it names a watched port in use with the address at the
// other end of a live loopback connection, follows the core's state on its
// own timer, and copies the report it shows.
#include "tests/support/loopback.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/application.h"
#include "common/handles.h"
#include "common/resource_string.h"
#include "resources/resource.h"
#include "tests/support/clipboard_text.h"
#include "tests/support/harmless_power_system.h"
#include "tests/support/log_file.h"
#include "tests/support/message_pump.h"
#include "ui/main_sheet.h"

namespace {

bool Contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

} // namespace

TEST(StatusPageOfTheCore, NamesALiveConnectionFollowsKeepAwakeAndCopiesWhatItShows)
{
    const CComApartment com{
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))};
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                         ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CTestLogFile log{L"status"};
    CTestLogFile settings{L"status-settings"};
    CHarmlessPowerSystem system;
    std::optional<CLoopback> loopback(std::in_place);
    unsigned client = 0;
    const unsigned port = loopback->Serve(AF_INET, 0, &client);
    ASSERT_NE(0u, port);
    {
        // Either end counts: the listener's port is the local port of the
        // accepted end and the remote port of the connecting one.
        const std::string text = "<Application><Suspend condition=\"1\"><TcpPorts endpoint=\"3\">" +
                                 std::to_string(port) + "</TcpPorts></Suspend></Application>";
        CFileHandle file(CreateFileW(settings.Path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    CApplication application{0x0010AD34, &system};
    application.SetPaths(settings.Path(), log.Path());
    ASSERT_TRUE(application.Start());
    CMainSheet sheet{application};
    application.SetView(&sheet);
    const HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    PumpMessages();

    sheet.ShowPage(IDD_STATUS);
    HWND page = sheet.StatusPage().Handle();
    ASSERT_NE(nullptr, page);
    HWND edit = GetDlgItem(page, IDC_STATUS_TEXT);
    const std::wstring portLine =
        FormatResourceString(IDS_STATUS_PORT_IN_USE, std::to_wstring(port).c_str(), L"127.0.0.1");
    std::wstring shown = WindowTextOf(edit);
    EXPECT_EQ(0u, shown.rfind(ResourceText(IDS_STATUS_SLEEP_HELD) + L"\r\n", 0)) << shown;
    EXPECT_TRUE(Contains(shown, L"\r\n  " + portLine + L"\r\n")) << shown;

    // The connection closes: the next reading finds the tables without it.
    loopback.reset();
    SendMessageW(page, WM_TIMER, CStatusPage::kRefreshTimer, 0);
    shown = WindowTextOf(edit);
    EXPECT_FALSE(Contains(shown, portLine)) << shown;
    EXPECT_EQ(0u, shown.rfind(ResourceText(IDS_STATUS_SLEEP_ALLOWED) + L"\r\n", 0)) << shown;

    // Keep awake from the tray menu, which the core handles; the page's own
    // timer brings it.
    SendMessageW(application.Window(), WM_COMMAND, ID_KEEPAWAKE_UNTIL_STOPPED, 0);
    const std::wstring keptAwake = ResourceText(IDS_STATUS_KEPT_AWAKE_STOPPED);
    EXPECT_TRUE(PumpUntil([&] { return Contains(WindowTextOf(edit), keptAwake); },
                          2 * CStatusPage::kRefreshInterval))
        << WindowTextOf(edit);
    shown = WindowTextOf(edit);
    EXPECT_EQ(0u, shown.rfind(ResourceText(IDS_STATUS_SLEEP_HELD) + L"\r\n  " + keptAwake, 0))
        << shown;

    ASSERT_TRUE(SetClipboardText(window, L"before"));
    SendMessageW(GetDlgItem(page, IDC_STATUS_COPY), BM_CLICK, 0, 0);
    const std::wstring copied = ClipboardText();
    const size_t body = copied.find(L"\r\n\r\n");
    ASSERT_NE(std::wstring::npos, body) << copied;
    EXPECT_EQ(0u, copied.rfind(FormatResourceString(IDS_STATUS_TITLE, L""), 0)) << copied;
    EXPECT_EQ(WindowTextOf(edit) + L"\r\n", copied.substr(body + 4));

    SendMessageW(application.Window(), WM_COMMAND, ID_KEEPAWAKE_STOP, 0);
    DestroyWindow(window);
    PumpMessages();
    application.Shutdown();
}
