// Prints how long the logger takes to write 10,000 lines to a real file:
// plain lines from the string table, literal lines, and error lines with a
// system message. Nothing is asserted.
#include <windows.h>

#include <cstdio>
#include <string>

#include "log/log_file.h"
#include "log/logger.h"
#include "resources/resource.h"
#include "bench/bench_clock.h"

namespace {
constexpr int kLines = 10000;

template <class Write>
void Measure(const char* name, const std::wstring& path, Write write)
{
    DeleteFileW(path.c_str());
    ResetLog(path.c_str());
    const double start = SecondsNow();
    int failed = 0;
    for (int i = 0; i < kLines; ++i) {
        if (!write(i))
            ++failed;
    }
    const double seconds = SecondsNow() - start;
    StopLog();

    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    std::printf("%-28s %6d lines  %8.1f ms  %8.2f us/line  %9.0f lines/s  %8lu bytes  %d failed\n",
                name, kLines, seconds * 1000.0, seconds * 1e6 / kLines, kLines / seconds,
                data.nFileSizeLow, failed);
    DeleteFileW(path.c_str());
}
} // namespace

int main()
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"tarvik-log-bench.txt";

    Measure("LogMessage (string table)", path, [](int i) {
        return Logger().LogMessage(IDS_LOG_RESUME_SCHEDULED,
                                   i % 2 ? L"12/5/2026 9:30:05 PM" : L"5.12.2026 21:30:05");
    });
    Measure("LogText (literal format)", path,
            [](int i) { return Logger().LogText(L"line %d of the benchmark", i); });
    Measure("LogLastError (code 5)", path, [](int) {
        SetLastError(ERROR_ACCESS_DENIED);
        return Logger().LogLastError(IDS_LOG_SUSPEND_FAILED);
    });
    return 0;
}
