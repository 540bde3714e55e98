#pragma once
// The command run when the computer wakes by itself: one line of text cut
// into the file the shell opens and its parameters.
#include <string>

struct CCommandParts
{
    std::wstring file;
    std::wstring parameters;
};

// A leading double quote encloses the file up to the next quote (or the end
// of the text), and everything after the closing quote is the parameters,
// unchanged. Otherwise the file ends at the first space after the first
// character, and the parameters are the rest after that space. No other
// quoting is interpreted.
CCommandParts SplitCommand(const std::wstring& text);
