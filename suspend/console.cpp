#include "suspend/console.h"

#include "suspend/keyword_table.h"

namespace {

// The first three keep their abbreviations (/h is hibernate, /n notarvik);
// the last two are the spellings the usage text prints.
const CKeyword kToolOptions[] = {
    {L"hibernate", OPTION_HIBERNATE},   {L"force", OPTION_FORCE},    {L"notarvik", OPTION_NO_WAKE},
    {L"hibernation", OPTION_HIBERNATE}, {L"nowake", OPTION_NO_WAKE},
};

const wchar_t kUsage[] =
    L"[/display [<level> [<mode>]]] [/force] [/hibernation] [/nowake] [/?]\n"
    L"\n"
    L"\n"
    L"Where:\n"
    L"\n"
    L"  /force        Forces suspend without first requesting permission to\n"
    L"                 each application (if supported by system).\n"
    L"  /hibernation  Enters hibernation instead of sleep state (default).\n"
    L"  /notarvik     Disables wake up events (Wake Timers).\n"
    L"  /display      Sets the level of information that will be displayed and\n"
    L"                 optionally the translation mode.\n"
    L"                 <level> is either of the following values:\n"
    L"                  none    - no display at all.\n"
    L"                  normal  - standard display (default).\n"
    L"                 <mode> is either of the following translation modes:\n"
    L"                  text    - default mode.\n"
    L"                  unicode - UTF-16 mode (default).\n"
    L"                  utf8    - UTF-8 mode.\n"
    L"  /?            Displays this help message.\n";

} // namespace

CConsole::CConsole(IConsoleStream& stream) : CBaseConsole(stream)
{
    SetDecorations(DECORATE_PREFIX);
    SetAllowedLevels(LEVEL_NONE | LEVEL_NORMAL);
}

const wchar_t* CConsole::Description() const
{
    return L"Shuts power down and either enters a sleep state or hibernation.";
}

const wchar_t* CConsole::UsageText() const
{
    return kUsage;
}

int CConsole::HandleOption(const wchar_t* name, wchar_t** values, int count)
{
    const int option = FindKeyword(kToolOptions, name);
    if (option < 0)
        return CBaseConsole::HandleOption(name, values, count);
    AddOptionFlags(kToolOptions[option].value);
    return 0;
}
