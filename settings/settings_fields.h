#pragma once
// The table of the settings fields: where each lives in the settings file,
// what kind of value it holds, its default and its accepted range. The
// model's defaults, the file's reader and its writer all work from it.
#include "settings/settings_model.h"

enum class CFieldKind
{
    Bool,     // "true"/"1" or "false"/"0"
    Int,      // a signed 32-bit number within [low, high]
    Time,     // a local time, stored as a UTC time text
    PortList, // a port-list text of at most `high` characters
    Text,     // a text of at most `high` characters, trimmed of white space
};

struct CSettingsField
{
    const wchar_t* section; // an element below the root
    const wchar_t* element; // an element below `section`, or null for the section itself
    const wchar_t* name;    // "@attribute", or null for the element's text
    CFieldKind kind;
    int defaultValue; // Bool and Int
    int low;          // Int
    int high;         // Int; the most characters of PortList and Text
    // The model's field: a bool, int, SYSTEMTIME, CPortList or std::wstring by `kind`.
    void* (*member)(CSettingsModel& model);
};

// The fields in the order of the settings file.
extern const CSettingsField kSettingsFields[15];
