// The text form of a port list: "443 80,,80" reads as 80,443 and is written "80,443".
#include "settings/settings_model.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L' ' || c == L',';
}

} // namespace

bool ParsePortList(const wchar_t* text, CPortList& list)
{
    list.clear();
    if (!text)
        return true;
    try {
        std::wstring token;
        const wchar_t* p = text;
        while (*p) {
            while (IsSeparator(*p))
                ++p;
            if (!*p)
                break;
            const wchar_t* start = p;
            while (*p && !IsSeparator(*p))
                ++p;
            // A copy, so that a number never runs on into the next token.
            token.assign(start, p);
            long value = wcstol(token.c_str(), nullptr, 10);
            if (value < 1 || value > 65535)
                continue;
            int port = static_cast<int>(value);
            if (std::find(list.begin(), list.end(), port) == list.end())
                list.push_back(port);
        }
        std::sort(list.begin(), list.end());
    } catch (const std::bad_alloc&) {
        list.clear();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

std::wstring FormatPortList(const CPortList& list)
{
    std::wstring text;
    wchar_t number[16];
    for (int port : list) {
        _snwprintf(number, 16, L"%d", port);
        number[15] = L'\0';
        if (!text.empty())
            text += L',';
        text += number;
    }
    return text;
}
