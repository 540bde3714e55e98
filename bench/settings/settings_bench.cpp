// Time of one settings load and one save of a full file, averaged. Prints the
// figures; asserts nothing.
#include "settings/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include "bench/bench_clock.h"
#include "common/handles.h"

namespace {

CSettingsModel FullModel()
{
    CSettingsModel model;
    model.Window.minimized = true;
    model.Suspend.allowed = false;
    model.Suspend.condition = Condition::NoConnection;
    model.TcpPorts.endpoint = Endpoint::Both;
    ParsePortList(L"21 22 25 80 110 143 443 445 993 995 1433 3306 3389", model.TcpPorts.list);
    model.AutoResume.enabled = true;
    model.AutoResume.mode = ResumeMode::Daily;
    model.AutoSuspend.enabled = true;
    model.AutoSuspend.state = SuspendState::Hibernate;
    model.Command.run = true;
    model.Command.text =
        std::wstring(L"\"C:\\Program Files\\Backup\\backup.exe\" ") + std::wstring(900, L'x');
    return model;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const CComApartment apartment(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    if (!apartment)
        return 1;

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"settings_bench.xml";

    const CSettingsModel model = FullModel();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = RECT{100, 100, 520, 580};

    // One of each first, so that neither pays for loading MSXML.
    SaveSettings(path.c_str(), model, placement);
    {
        CSettingsModel loaded;
        WINDOWPLACEMENT read{};
        LoadSettings(path.c_str(), loaded, read);
    }

    int failures = 0;
    double start = SecondsNow();
    for (int i = 0; i < runs; ++i)
        failures += SaveSettings(path.c_str(), model, placement) ? 0 : 1;
    const double save = (SecondsNow() - start) * 1000.0 / runs;

    start = SecondsNow();
    for (int i = 0; i < runs; ++i) {
        CSettingsModel loaded;
        WINDOWPLACEMENT read{};
        failures += LoadSettings(path.c_str(), loaded, read) ? 0 : 1;
    }
    const double load = (SecondsNow() - start) * 1000.0 / runs;

    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    DeleteFileW(path.c_str());

    printf("settings file     %8lu bytes\n", data.nFileSizeLow);
    printf("settings save     %8.2f ms per save (%d runs)\n", save, runs);
    printf("settings load     %8.2f ms per load (%d runs)\n", load, runs);
    if (failures)
        printf("settings bench    %8d calls failed\n", failures);
    return 0;
}
