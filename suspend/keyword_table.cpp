#include "suspend/keyword_table.h"

#include <cwchar>

int FindKeyword(const CKeyword* table, size_t count, const wchar_t* word)
{
    if (!word || !*word)
        return -1;
    const size_t length = wcslen(word);
    for (size_t i = 0; i < count; ++i) {
        if (length <= wcslen(table[i].name) && _wcsnicmp(word, table[i].name, length) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring JoinKeywords(const CKeyword* table, size_t count, DWORD mask)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i) {
        if ((table[i].value & mask) != table[i].value)
            continue;
        if (!text.empty())
            text += L',';
        text += table[i].name;
    }
    return text;
}
