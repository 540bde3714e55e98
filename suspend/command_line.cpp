#include "suspend/command_line.h"

#include <cwchar>
#include <vector>

namespace {

bool IsOption(const wchar_t* argument)
{
    if (argument[0] == L'/')
        return true;
    return argument[0] == L'-' && !(argument[1] >= L'0' && argument[1] <= L'9');
}

// An option written without a colon; the plain arguments after it are its values.
struct CPendingOption
{
    wchar_t* argument = nullptr;
    std::vector<wchar_t*> values;
};

void Resolve(CBaseConsole& console, CPendingOption& pending)
{
    if (!pending.argument)
        return;
    const int result = console.HandleOption(pending.argument + 1, pending.values.data(),
                                            static_cast<int>(pending.values.size()));
    console.ReportArgument(pending.argument, result);
    pending.argument = nullptr;
    pending.values.clear();
}

// Splits the text after the colon into values; PARSE_INVALID for a missing
// closing quote or too many values, otherwise the number of values.
int SplitValues(wchar_t* text, wchar_t** values)
{
    int count = 0;
    wchar_t* next = text;
    for (;;) {
        if (count == kMaxOptionValues)
            return PARSE_INVALID;
        wchar_t* value = next;
        wchar_t* searchFrom = next;
        if (*next == L'"') {
            value = next + 1;
            wchar_t* closing = wcschr(value, L'"');
            if (!closing)
                return PARSE_INVALID;
            *closing = L'\0';
            searchFrom = closing + 1;
        }
        values[count++] = value;
        wchar_t* separator = wcspbrk(searchFrom, L",;=");
        if (!separator)
            return count;
        *separator = L'\0';
        next = separator + 1;
    }
}

} // namespace

void ParseCommandLine(CBaseConsole& console, int argc, wchar_t** argv)
{
    CPendingOption pending;
    for (int i = 1; i < argc; ++i) {
        wchar_t* argument = argv[i];
        if (!argument)
            continue;
        if (!IsOption(argument)) {
            if (pending.argument)
                pending.values.push_back(argument);
            else
                console.ReportArgument(argument, PARSE_PLAIN);
            continue;
        }

        Resolve(console, pending);

        wchar_t* colon = wcschr(argument, L':');
        if (colon)
            *colon = L'\0';
        const wchar_t* name = argument + 1;
        if (!*name) {
            console.ReportArgument(argument, PARSE_UNKNOWN);
            continue;
        }
        if (!colon) {
            pending.argument = argument;
            continue;
        }

        wchar_t* values[kMaxOptionValues];
        const int count = SplitValues(colon + 1, values);
        const int result = count < 0 ? count : console.HandleOption(name, values, count);
        console.ReportArgument(argument, result);
    }
    Resolve(console, pending);
}
