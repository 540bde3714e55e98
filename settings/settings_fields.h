#pragma once
// The table of the settings file's fields: where each lives in the file, what
// kind of value it holds, its default and its accepted range. The model's
// defaults, the file's reader and its writer all work from it.
#include "settings/settings_model.h"

enum class CFieldKind
{
    Bool,     // "true"/"1" or "false"/"0"
    Int,      // a signed 32-bit number within [low, high], or a choice (an enum
              // class over int) stored as one
    Time,     // a local time, stored as a UTC time text
    PortList, // a port-list text of at most `high` characters
    Text,     // a text of at most `high` characters, trimmed of white space
    // The kinds of the window's placement record, which each file gives anew:
    // a number that is missing or unparsable becomes its default, and the
    // positions are read in order, the first missing or malformed one ending
    // the reading of its element (what was read before stays).
    Unsigned, // an unsigned 32-bit number, written "%u"
    Flags,    // the same, written "0x%08X"
    Point,    // "x,y"
    Rect,     // "left,top,right,bottom"; an empty one leaves its element out of the file
};

// All that the settings file holds: the user's settings and the main window's
// placement record.
struct CSettingsData
{
    CSettingsModel& model;
    WINDOWPLACEMENT& placement;
};

struct CSettingsField
{
    const wchar_t* section; // an element below the root
    const wchar_t* element; // an element below `section`, or null for the section itself
    const wchar_t* name;    // "@attribute", or null for the element's text
    CFieldKind kind;
    int defaultValue; // Bool, Int, Unsigned and Flags
    int low;          // Int
    int high;         // Int; the most characters of PortList and Text
    // The field's value: a bool, int, SYSTEMTIME, CPortList, std::wstring,
    // UINT, POINT or RECT by `kind`.
    void* (*member)(const CSettingsData& data);
};

// The fields in the order of the settings file: a section's own fields before
// its child elements, the fields of each element next to each other.
extern const CSettingsField kSettingsFields[20];

// Reads and writes an Int field, a plain int or a choice over int: through
// its bytes, which both kinds share.
int LoadInt(const void* field);
void StoreInt(void* field, int value);
