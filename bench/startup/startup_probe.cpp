// Start-up of Tarvik.exe beside a minimal program that shows an empty
// property sheet, and beside one that shows Tarvik's own pages with none of
// its work: time from CreateProcessW until the sheet window exists and the
// process has gone idle (and, for Tarvik, its tray icon is added), and the
// process's memory at that moment. The second yardstick tells the cost of
// the pages' controls from the cost of the program itself.
// Tarvik starts as its stored settings say (shown, or hidden in the tray).
// Runs the three in turn; prints figures, asserts nothing.
//
// The probe stays quiet while a program starts: it waits for the program to
// go idle before it asks the shell about the icon. Asking the shell every
// millisecond during the start would keep the taskbar process busy just when
// Tarvik needs it to add its icon, and the figure would be the probe's own.
//
//   startup_probe.exe TARVIK.EXE EMPTY_SHEET.EXE TEMPLATE_SHEET.EXE [RUNS]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "bench/bench_clock.h"
#include "common/handles.h"

namespace {

struct CSample
{
    double windowMs = 0;  // the sheet window exists
    double readyMs = 0;   // ... the process idle, and the tray icon added
    double privateKb = 0; // committed private memory
    double workingKb = 0; // working set
};

struct CSearch
{
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchSheet(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<CSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid && FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindSheet(DWORD pid)
{
    CSearch search{pid, nullptr};
    EnumWindows(MatchSheet, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Tarvik's hidden core window, which owns the tray icon and its menu's Exit.
HWND FindCore(DWORD pid)
{
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"TarvikApplication", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid)
            return w;
    }
    return nullptr;
}

bool TrayIconPresent(HWND owner)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 128;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// Committed private memory, summed over the process's address space (Wine
// reports no private bytes in its memory counters).
double PrivateCommittedKb(HANDLE process)
{
    double total = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (ULONG_PTR address = 0; VirtualQueryEx(process, reinterpret_cast<void*>(address), &region,
                                               sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize / 1024.0;
        const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}

// One start; false when the program did not come up within 15 s.
bool Measure(const std::wstring& exe, bool tray, CSample& sample)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const double start = SecondsNow() * 1000.0;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    const CHandle thread(process.hThread), owner(process.hProcess);
    HWND sheet = nullptr;
    HWND core = nullptr;
    bool up = false;
    while (SecondsNow() * 1000.0 - start < 15000) {
        if (!sheet) {
            if ((sheet = FindSheet(process.dwProcessId)) == nullptr) {
                Sleep(1);
                continue;
            }
            sample.windowMs = SecondsNow() * 1000.0 - start;
            WaitForInputIdle(process.hProcess, 15000);
        }
        // Added before the sheet shows, so normally present at once.
        if (tray && !core)
            core = FindCore(process.dwProcessId);
        if (!tray || (core && TrayIconPresent(core))) {
            sample.readyMs = SecondsNow() * 1000.0 - start;
            up = true;
            break;
        }
        Sleep(5);
    }
    if (up) {
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(process.hProcess,
                                 reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                 sizeof(memory)))
            sample.workingKb = memory.WorkingSetSize / 1024.0;
        sample.privateKb = memory.PrivateUsage ? memory.PrivateUsage / 1024.0
                                               : PrivateCommittedKb(process.hProcess);
        // End it as the user would: Exit from the tray menu, Cancel on the sheet.
        if (tray)
            PostMessageW(core, WM_COMMAND, 32780, 0);
        else
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    return up;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct CSeries
{
    const char* name;
    std::vector<double> window, ready, privateKb, workingKb;
    void Add(const CSample& s)
    {
        window.push_back(s.windowMs);
        ready.push_back(s.readyMs);
        privateKb.push_back(s.privateKb);
        workingKb.push_back(s.workingKb);
    }
    void Print() const
    {
        printf("%-14s %9.1f %9.1f %9.1f %12.0f %12.0f   (%zu runs)\n", name, Median(window),
               Median(ready), ready.empty() ? 0.0 : *std::max_element(ready.begin(), ready.end()),
               Median(privateKb), Median(workingKb), ready.size());
    }
};

double Ratio(const std::vector<double>& numerator, const std::vector<double>& denominator)
{
    return Median(denominator) > 0 ? Median(numerator) / Median(denominator) : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        fprintf(stderr,
                "usage: startup_probe TARVIK.EXE EMPTY_SHEET.EXE TEMPLATE_SHEET.EXE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 10;
    CSeries tarvik{"Tarvik.exe", {}, {}, {}, {}};
    CSeries empty{"empty sheet", {}, {}, {}, {}};
    CSeries pages{"Tarvik's pages", {}, {}, {}, {}};
    CSample warmUp;
    // One unmeasured start each: none pays for a cold file cache.
    Measure(argv[1], true, warmUp);
    Measure(argv[2], false, warmUp);
    Measure(argv[3], false, warmUp);
    for (int i = 0; i < runs; ++i) {
        CSample sample;
        if (Measure(argv[1], true, sample))
            tarvik.Add(sample);
        sample = CSample();
        if (Measure(argv[2], false, sample))
            empty.Add(sample);
        sample = CSample();
        if (Measure(argv[3], false, sample))
            pages.Add(sample);
    }
    printf("%-14s %9s %9s %9s %12s %12s\n", "program", "window", "ready", "ready max", "private KB",
           "working KB");
    printf("%-14s %9s %9s %9s %12s %12s\n", "", "ms (med)", "ms (med)", "ms", "(median)",
           "(median)");
    tarvik.Print();
    empty.Print();
    pages.Print();
    printf("ratio Tarvik / empty sheet: ready %.2f, private %.2f (goal: within 1.10), working set "
           "%.2f\n",
           Ratio(tarvik.ready, empty.ready), Ratio(tarvik.privateKb, empty.privateKb),
           Ratio(tarvik.workingKb, empty.workingKb));
    printf("ratio Tarvik's pages alone / empty sheet: ready %.2f, private %.2f, working set %.2f\n",
           Ratio(pages.ready, empty.ready), Ratio(pages.privateKb, empty.privateKb),
           Ratio(pages.workingKb, empty.workingKb));
    printf("ratio Tarvik / Tarvik's pages alone: ready %.2f (goal: within 1.30), private %.2f, "
           "working set %.2f\n",
           Ratio(tarvik.ready, pages.ready), Ratio(tarvik.privateKb, pages.privateKb),
           Ratio(tarvik.workingKb, pages.workingKb));
    return 0;
}
