// The Status page of the real Tarvik.exe, read from another process as a
// screen reader or a support helper would: it is made only when chosen,
// names a watched port in use with the address of the connection's other
// end, follows the connection's end on its own, and its Copy button puts the
// report on the clipboard for any program to paste.
#include "tests/support/loopback.h"

#include <windows.h>

#include <optional>

#include "common/handles.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/clipboard_text.h"

namespace e2e {
namespace {

using CStatusPage = CEndToEnd;

TEST_F(CStatusPage, NamesAWatchedConnectionFollowsItsEndAndCopiesTheReport)
{
    std::optional<CLoopback> loopback(std::in_place);
    unsigned client = 0;
    const std::string port = std::to_string(loopback->Serve(AF_INET, 0, &client));
    ASSERT_NE("0", port);
    WriteSettings("<Application><Suspend allowed=\"true\" condition=\"1\"><TcpPorts "
                  "endpoint=\"3\">" +
                  port + "</TcpPorts></Suspend></Application>");
    CTarvik tarvik;
    ASSERT_TRUE(tarvik.StartReady());
    EXPECT_EQ(nullptr, tarvik.Page(CTarvik::kStatusPage)) << "made before it was shown";

    tarvik.Send(tarvik.Sheet(), PSM_SETCURSEL, CTarvik::kStatusPage, 0);
    const HWND page = tarvik.Page(CTarvik::kStatusPage);
    ASSERT_NE(nullptr, page) << "the Status page was not made";
    EXPECT_EQ(page, tarvik.CurrentPage());
    const HWND edit = GetDlgItem(page, IDC_STATUS_TEXT);
    ASSERT_NE(nullptr, edit);
    const std::wstring line = L"  Watched port " + std::wstring(port.begin(), port.end()) +
                              L" is in use, connected to 127.0.0.1.\r\n";
    std::wstring shown = WindowText(edit);
    EXPECT_EQ(0u, shown.rfind(L"Sleep now: held\r\n" + line, 0)) << shown;

    // A window of this process to hold the clipboard while the test writes to it.
    const CWindowHandle owner(
        CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_TRUE(SetClipboardText(owner.Get(), L"before"));
    tarvik.Send(GetDlgItem(page, IDC_STATUS_COPY), BM_CLICK, 0, 0);
    const std::wstring copied = ClipboardText();
    EXPECT_EQ(0u, copied.rfind(L"Tarvik status at ", 0)) << copied;
    const size_t body = copied.find(L"\r\n\r\n");
    ASSERT_NE(std::wstring::npos, body) << copied;
    EXPECT_EQ(WindowText(edit) + L"\r\n", copied.substr(body + 4));

    loopback.reset();
    EXPECT_TRUE(WaitFor([&] {
        shown = WindowText(edit);
        return shown.rfind(L"Sleep now: allowed\r\n\r\n", 0) == 0;
    })) << shown;
}

} // namespace
} // namespace e2e
