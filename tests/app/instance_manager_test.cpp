#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/start_kind.h"

namespace {

TEST(StartKind, EachArgumentCountsOnlyAloneAndExactlyAndEverythingElseIsAnOrdinaryStart)
{
    const std::wstring program = L"\"C:\\Program Files\\Tarvik\\Tarvik.exe\"";
    const std::wstring restart = kRestartArgument;
    struct Case
    {
        std::wstring arguments;
        StartKind kind;
    };
    const Case cases[] = {
        {L"", StartKind::Ordinary},
        {L"runas", StartKind::Takeover},
        {L"\"runas\"", StartKind::Takeover}, // the split takes the quotes off
        {restart, StartKind::Restart},
        {L"RUNAS", StartKind::Ordinary},
        {L"/runas", StartKind::Ordinary},
        {L"runas x", StartKind::Ordinary},
        {L"runas " + restart, StartKind::Ordinary},
        {restart + L" runas", StartKind::Ordinary},
        {restart + L" " + restart, StartKind::Ordinary},
        {L"/RESTARTED", StartKind::Ordinary},
        {restart.substr(1), StartKind::Ordinary},
        {L"\"" + restart + L" \"", StartKind::Ordinary},
        {L"x", StartKind::Ordinary},
    };
    for (const Case& c : cases) {
        const std::wstring line = program + (c.arguments.empty() ? L"" : L" " + c.arguments);
        EXPECT_EQ(c.kind, ClassifyCommandLine(line.c_str())) << line.c_str();
    }
}

} // namespace
