#pragma once
// What both settings test programs share: COM on the test thread, and the
// model as one readable line.
#include "settings/settings_file.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// COM on the test thread for the whole run, as the program's UI thread has it.
class CComEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { CoUninitialize(); }
};
inline const ::testing::Environment* const comEnvironment =
    ::testing::AddGlobalTestEnvironment(new CComEnvironment);

inline std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// The seven fields a settings time keeps (the day of the week is derived).
inline std::string TimeText(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// Every field as one line, for comparisons with a readable failure.
inline std::string ModelText(const CSettingsModel& m)
{
    char text[512];
    snprintf(text, sizeof(text),
             "minimized=%d allowed=%d blanking=%d condition=%d endpoint=%d ports=%s resume=%d "
             "mode=%d delay=%d "
             "time=%s suspend=%d delay=%d state=%d run=%d ",
             m.Window.minimized, m.Suspend.allowed, m.Suspend.blanking,
             static_cast<int>(m.Suspend.condition), static_cast<int>(m.TcpPorts.endpoint),
             Utf8(FormatPortList(m.TcpPorts.list)).c_str(), m.AutoResume.enabled,
             static_cast<int>(m.AutoResume.mode), m.AutoResume.delay,
             TimeText(m.AutoResume.time).c_str(), m.AutoSuspend.enabled, m.AutoSuspend.delay,
             static_cast<int>(m.AutoSuspend.state), m.Command.run);
    return text + ("text=[" + Utf8(m.Command.text) + "]");
}

// The placement record as one line.
inline std::string PlacementText(const WINDOWPLACEMENT& p)
{
    char text[256];
    snprintf(text, sizeof(text),
             "length=%u flags=%u show=%u min=%ld,%ld max=%ld,%ld normal=%ld,%ld,%ld,%ld", p.length,
             p.flags, p.showCmd, p.ptMinPosition.x, p.ptMinPosition.y, p.ptMaxPosition.x,
             p.ptMaxPosition.y, p.rcNormalPosition.left, p.rcNormalPosition.top,
             p.rcNormalPosition.right, p.rcNormalPosition.bottom);
    return text;
}
