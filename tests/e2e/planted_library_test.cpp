// Libraries planted beside the programs, as in a Downloads folder: a copy of
// our marker library under the name of every system library the programs
// bind at first use, and of uxtheme and dwmapi, which the window system loads
// for them. Wine prefers such copies when the process starts with a
// native-first override for those names (the test's own environment, set by
// its build), as Windows prefers the program's folder for every library it
// does not always take from the system directory. The programs then walk the
// paths that use each library: the usage text, a suspend request, start-up
// with a port condition, a request of the console twin, the About page and
// a crash report. No copy may be loaded.
#include "tests/support/loopback.h"

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

#include <algorithm>
#include <sstream>

namespace e2e {
namespace {

// The names of the native-first override this test runs under.
std::vector<std::wstring> PlantedNames()
{
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    std::wstring text = overrides;
    std::vector<std::wstring> names;
    const size_t end = text.find(L"=n,b");
    if (end == std::wstring::npos || end + 4 != text.size())
        return names;
    std::wistringstream list(text.substr(0, end));
    for (std::wstring name; std::getline(list, name, L',');)
        names.push_back(name);
    return names;
}

// A folder beside the test programs holding copies of the programs and the
// planted libraries; it goes with the test.
struct CPlantedFolder
{
    explicit CPlantedFolder(const std::vector<std::wstring>& planted) : names(planted)
    {
        RemoveTree(path);
        std::filesystem::create_directory(path);
        for (const wchar_t* program :
             {L"Tarvik.exe", L"Tarvik.com", L"suspend.exe", L"planted_probe.exe"})
            EXPECT_TRUE(
                CopyFileW((ProgramFolder() + program).c_str(), (path + program).c_str(), FALSE));
        for (const std::wstring& name : names)
            EXPECT_TRUE(CopyFileW((ProgramFolder() + L"planted.dll").c_str(),
                                  (path + name + L".dll").c_str(), FALSE));
    }
    ~CPlantedFolder() { RemoveTree(path); }
    // The libraries whose copy here was loaded since the last call.
    std::vector<std::wstring> TakeLoaded() const
    {
        std::vector<std::wstring> loaded;
        for (const std::wstring& name : names) {
            if (DeleteFileW((path + name + L".dll.loaded").c_str()))
                loaded.push_back(name);
        }
        return loaded;
    }
    // Runs a program of the folder to its end; its exit code, or -1.
    DWORD Run(const wchar_t* program, const std::wstring& arguments) const
    {
        return ::Run(CommandLine(path + program, arguments), 15000, path, CREATE_NO_WINDOW);
    }
    const std::wstring path = ProgramFolder() + L"planted\\";
    const std::vector<std::wstring> names;
};

using CPlanted = CEndToEnd;

TEST_F(CPlanted, NoCopyBesideTheProgramsIsLoaded)
{
    const std::vector<std::wstring> names = PlantedNames();
    ASSERT_FALSE(names.empty())
        << "runs under a native-first WINEDLLOVERRIDES of the planted names";
    CPlantedFolder folder(names);
    const std::vector<std::wstring> none;

    // The control: a program that loads dwmapi by its bare name takes the
    // copy. Besides, Wine's own window manager library imports version.dll
    // and looks for its imports beside the program whatever the program
    // restricted; Windows' does not. That copy is then Wine's doing, and it
    // is kept away from Tarvik, which needs the window manager as every
    // window does.
    EXPECT_EQ(0u, folder.Run(L"planted_probe.exe", L""));
    std::vector<std::wstring> byPlatform = folder.TakeLoaded();
    auto dwmapi = std::find(byPlatform.begin(), byPlatform.end(), L"dwmapi");
    ASSERT_NE(byPlatform.end(), dwmapi)
        << "the planted copies are not preferred: the override is not in force";
    byPlatform.erase(dwmapi);
    for (const std::wstring& name : byPlatform)
        EXPECT_EQ(L"version", name) << "the platform loads the copy of " << name;

    // The console tool: the usage text, then a request to sleep. Wine's
    // request suspends nothing; elsewhere it would, so it runs under Wine only.
    EXPECT_EQ(1u, folder.Run(L"suspend.exe", L"/?"));
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        EXPECT_EQ(0u, folder.Run(L"suspend.exe", L"/hibernation /force /nowake"));
    }
    EXPECT_EQ(none, folder.TakeLoaded());

    for (const std::wstring& name : byPlatform)
        DeleteFileW((folder.path + name + L".dll").c_str());
    // The console twin: the usage line, and a request with no copy running.
    EXPECT_EQ(2u, folder.Run(L"Tarvik.com", L"x"));
    EXPECT_EQ(3u, folder.Run(L"Tarvik.com", L"status"));
    CLoopback loopback;
    unsigned client = 0;
    const std::string port = std::to_string(loopback.Serve(AF_INET, 0, &client));
    ASSERT_NE("0", port);
    WriteSettings(
        "<Application><Suspend allowed=\"true\" condition=\"1\"><TcpPorts endpoint=\"3\">" + port +
        "</TcpPorts></Suspend></Application>");
    CTarvik tarvik(folder.path + L"Tarvik.exe");
    ASSERT_TRUE(tarvik.StartReady());
    // The port scan at start-up saw the connection.
    EXPECT_TRUE(WaitForLogEvent(L"Automatic suspend not allowed; active TCP ports: " +
                                std::wstring(port.begin(), port.end())));
    // A request to it, held by the port.
    EXPECT_EQ(1u, folder.Run(L"Tarvik.com", L"status"));
    tarvik.Command(ID_TRAY_ABOUT);
    ASSERT_TRUE(WaitFor([&] {
        return WindowText(GetDlgItem(tarvik.CurrentPage(), IDC_VERSION)).rfind(L"Version ", 0) == 0;
    }));
    // The paths that use version, iphlpapi and comctl32 ran: the About page
    // shows the version, the log the port scan, and the sheet is up.

    // A crash report: a thread that starts nowhere; the dump is written
    // through dbghelp, then the report waits for the user.
    const CHandle thread(
        CreateRemoteThread(tarvik.Process(), nullptr, 0, nullptr, nullptr, 0, nullptr));
    ASSERT_TRUE(thread) << GetLastError();
    HWND report = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (report = tarvik.OwnedDialog()) != nullptr; }, 15000));
    tarvik.Post(report, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tarvik.WaitExit(15000));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), tarvik.ExitCode());
    EXPECT_EQ(1u, Dumps(DataFolder()).size());

    EXPECT_EQ(none, folder.TakeLoaded());
}

} // namespace
} // namespace e2e
