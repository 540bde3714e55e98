#pragma once
// The settings model: every field the user sets, named after its place in the
// settings file (element, then attribute), with its default.
#include <windows.h>

#include <string>
#include <vector>

// A sorted list of distinct TCP ports 1..65535.
using CPortList = std::vector<int>;

// Reads a port-list text: tokens separated by runs of spaces and commas, each
// read like wcstol base 10; values outside 1..65535 and repeats are dropped;
// the result is sorted. False only when memory runs out.
bool ParsePortList(const wchar_t* text, CPortList& list);
// "80,443": decimal ports joined by single commas; empty for an empty list.
std::wstring FormatPortList(const CPortList& list);

enum : int
{
    CONDITION_ALWAYS = 0,
    CONDITION_NO_CONNECTION = 1,

    ENDPOINT_LOCAL = 1,
    ENDPOINT_REMOTE = 2,
    ENDPOINT_BOTH = 3,

    RESUME_ONCE = 0,
    RESUME_EVERY = 1,
    RESUME_DAILY = 2,

    SUSPEND_STATE_SLEEP = 0,
    SUSPEND_STATE_HIBERNATE = 1,
};

// The defaults of the fields are those of the settings table (settings_fields.h).
struct CSettingsModel
{
    struct
    {
        bool minimized;
    } Window;

    struct
    {
        bool allowed;
        bool blanking;
        int condition;
    } Suspend;

    struct
    {
        int endpoint;
        CPortList list;
    } TcpPorts;

    struct
    {
        bool enabled;
        int mode;
        int delay;       // seconds, for "Every:"
        SYSTEMTIME time; // local: the moment of "Once on:", the time of day of "Daily at:"
    } AutoResume;

    struct
    {
        bool enabled;
        int delay; // seconds from an automatic resume to the automatic suspend
        int state;
    } AutoSuspend;

    struct
    {
        bool run;
        std::wstring text; // trimmed
    } Command;

    CSettingsModel();
};
