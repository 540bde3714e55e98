#pragma once
// Keyword tables of the command line and their matching rule: a typed word
// matches a keyword it abbreviates, ignoring case; the first match wins.
#include <windows.h>

#include <cstddef>
#include <string>

struct CKeyword
{
    const wchar_t* name;
    DWORD value;
};

// Index of the first keyword that `word` abbreviates, or -1. An empty word and
// a word longer than the keyword never match.
int FindKeyword(const CKeyword* table, size_t count, const wchar_t* word);

template <size_t N>
int FindKeyword(const CKeyword (&table)[N], const wchar_t* word)
{
    return FindKeyword(table, N, word);
}

// The names of the entries whose value is in `mask`, in table order, joined by ",".
std::wstring JoinKeywords(const CKeyword* table, size_t count, DWORD mask);

template <size_t N>
std::wstring JoinKeywords(const CKeyword (&table)[N], DWORD mask)
{
    return JoinKeywords(table, N, mask);
}
