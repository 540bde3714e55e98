// The tray icon when the display's scale changes while the program runs. The
// core's hidden window is on no monitor and never hears WM_DPICHANGED; it
// hears WM_DISPLAYCHANGE and the taskbar's restart, and the icon it shows
// (which of the two, with its tooltip) is loaded again at the notification
// area's new scale. The scale comes through the shell seam; the icons are
// the real ones.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "engine/windows_power_system.h"
#include "resources/resource.h"
#include "tests/support/files.h"
#include "tests/support/icon_picture.h"
#include "tests/support/harmless_power_system.h"
#include "tests/support/log_file.h"
#include "ui/notify_icon.h"
#include "ui/process_objects.h"

namespace {

// The shell side with the program's real icons and timers, at a scale the
// test sets; the shell's calls succeed and are recorded.
class CScaledShell : public IShellNotify
{
public:
    struct CCall
    {
        DWORD message;
        HICON icon;
        std::wstring tooltip;
    };

    BOOL Notify(DWORD message, NOTIFYICONDATAW* data) override
    {
        calls.push_back({message, data->hIcon, data->szTip});
        return TRUE;
    }
    UINT NotificationAreaDpi() override { return dpi; }
    HICON LoadSmallIcon(UINT resourceId, UINT atDpi) override
    {
        return RealShellNotify().LoadSmallIcon(resourceId, atDpi);
    }
    bool StartTimer(HWND window, UINT_PTR id, UINT milliseconds) override
    {
        return RealShellNotify().StartTimer(window, id, milliseconds);
    }
    void StopTimer(HWND window, UINT_PTR id) override { RealShellNotify().StopTimer(window, id); }

    std::vector<DWORD> Messages() const
    {
        std::vector<DWORD> messages;
        for (const CCall& call : calls)
            messages.push_back(call.message);
        return messages;
    }

    UINT dpi = 96;
    std::vector<CCall> calls;
};

// The icon the core shows is the resource's own image of `size` pixels.
void ExpectTrayIcon(CApplication& application, UINT resourceId, int size)
{
    const CIconPicture shown = Picture(application.TrayIcon().Icon());
    EXPECT_EQ(size, shown.width);
    EXPECT_EQ(size, shown.height);
    EXPECT_TRUE(shown.pixels == OwnImage(resourceId, size).pixels)
        << "not the own image of " << resourceId << " at " << size << " pixels";
}

} // namespace

// Suspend not allowed: the core shows the "no suspend" icon, at 16 pixels
// for 100 %. A display change at the same scale costs nothing; at 200 % the
// same icon comes at 32 pixels, modified with its tooltip; after a change to
// 150 % the taskbar's restart adds it anew at 24 pixels.
TEST(TrayScale, TheCoreLoadsTheShownIconAgainAtTheNotificationAreasNewScale)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CTestLogFile log{L"scale"};
    CTestLogFile settings{L"scale-settings"};
    ASSERT_TRUE(
        WriteBytes(settings.Path(), "<Application><Suspend allowed=\"false\"/></Application>"));
    CHarmlessPowerSystem system;
    CScaledShell shell;
    CApplication application{0x0010AD34, &system, &shell};
    application.SetPaths(settings.Path(), log.Path());
    ASSERT_TRUE(application.Start());
    const HWND core = application.Window();
    ASSERT_TRUE(application.TrayIcon().IsAdded());
    ExpectTrayIcon(application, IDI_NOSUSPEND, 16);
    const std::wstring tooltip = application.TrayIcon().Tooltip();

    shell.calls.clear();
    SendMessageW(core, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(shell.calls.empty()) << "the scale stayed";

    shell.dpi = 192;
    SendMessageW(core, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    ExpectTrayIcon(application, IDI_NOSUSPEND, 32);
    ASSERT_EQ(std::vector<DWORD>{NIM_MODIFY}, shell.Messages());
    EXPECT_EQ(application.TrayIcon().Icon(), shell.calls[0].icon);
    EXPECT_EQ(tooltip, shell.calls[0].tooltip);

    shell.calls.clear();
    shell.dpi = 144;
    SendMessageW(core, g_taskbarCreatedMessage, 0, 0);
    ExpectTrayIcon(application, IDI_NOSUSPEND, 24);
    ASSERT_EQ((std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION}), shell.Messages());
    EXPECT_EQ(application.TrayIcon().Icon(), shell.calls[1].icon);
    EXPECT_EQ(tooltip, shell.calls[1].tooltip);
    EXPECT_TRUE(application.TrayIcon().IsAdded());
    application.Shutdown();
}
