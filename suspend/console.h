#pragma once
// The suspend tool's console: its description, usage text and options.
#include "suspend/base_console.h"

// Option flags of the tool.
constexpr DWORD OPTION_HIBERNATE = 0x1;
constexpr DWORD OPTION_FORCE = 0x2;
constexpr DWORD OPTION_NO_WAKE = 0x4;

class CConsole : public CBaseConsole
{
public:
    explicit CConsole(IConsoleStream& stream = StandardStream());

    const wchar_t* Description() const override;
    const wchar_t* UsageText() const override;
    int HandleOption(const wchar_t* name, wchar_t** values, int count) override;
};
