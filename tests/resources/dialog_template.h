#pragma once
// Reads an extended dialog template (DLGTEMPLATEEX) into plain values, so that
// tests can compare what the resource compiler produced.
#include <windows.h>

#include <string>
#include <vector>

struct CDialogItem
{
    DWORD exStyle = 0;
    DWORD style = 0;
    RECT box = {}; // dialog units: left, top, right, bottom
    DWORD id = 0;
    std::wstring className; // predefined classes by name: "Button", "Edit", ...
    std::wstring text;      // empty when the title is an ordinal
    WORD textOrdinal = 0;   // resource id given as the title (icons), else 0
};

struct CDialogTemplate
{
    DWORD exStyle = 0;
    DWORD style = 0;
    short width = 0;
    short height = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<CDialogItem> items;
};

// False when the bytes are not a well-formed DLGTEMPLATEEX.
bool ParseDialogTemplate(const BYTE* data, DWORD size, CDialogTemplate& dialog);
