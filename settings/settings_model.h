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

// The choices of the settings. The file and the page's lists hold them as
// the integers given here; they become these types where they are read.

// When suspend is allowed: always, or only while no watched port is in use.
enum class Condition : int
{
    Always = 0,
    NoConnection = 1,
};

// Which end of a connection a watched port is matched on: bit 0 the local
// port, bit 1 the remote one.
enum class Endpoint : int
{
    Local = 1,
    Remote = 2,
    Both = 3,
};
inline bool MatchesLocal(Endpoint endpoint)
{
    return (static_cast<int>(endpoint) & 1) != 0;
}
inline bool MatchesRemote(Endpoint endpoint)
{
    return (static_cast<int>(endpoint) & 2) != 0;
}

// When automatic resume wakes the computer.
enum class ResumeMode : int
{
    Once = 0,
    Every = 1,
    Daily = 2,
};

// What automatic suspend puts the computer into.
enum class SuspendState : int
{
    Sleep = 0,
    Hibernate = 1,
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
        Condition condition;
    } Suspend;

    struct
    {
        Endpoint endpoint;
        CPortList list;
    } TcpPorts;

    struct
    {
        bool enabled;
        ResumeMode mode;
        int delay;       // seconds, for "Every:"
        SYSTEMTIME time; // local: the moment of "Once on:", the time of day of "Daily at:"
    } AutoResume;

    struct
    {
        bool enabled;
        int delay; // seconds from an automatic resume to the automatic suspend
        SuspendState state;
    } AutoSuspend;

    struct
    {
        bool run;
        std::wstring text; // trimmed
    } Command;

    CSettingsModel();
};
