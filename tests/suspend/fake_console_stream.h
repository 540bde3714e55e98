#pragma once
// A console stream that keeps what is written and plays back given keys.
#include "suspend/console.h"
#include "suspend/console_stream.h"

#include <deque>
#include <string>
#include <vector>

class CFakeConsoleStream : public IConsoleStream
{
public:
    explicit CFakeConsoleStream(bool isConsole = false) : m_isConsole(isConsole) {}

    bool Open() override
    {
        ++opened;
        return m_isConsole;
    }
    void SetMode(int mode) override { modes.push_back(mode); }
    void Write(const wchar_t* text) override
    {
        pieces.push_back(text);
        output += text;
    }
    wint_t ReadKey() override
    {
        ++keysRead;
        if (keys.empty())
            return WEOF;
        wint_t key = keys.front();
        keys.pop_front();
        return key;
    }

    int opened = 0;
    std::vector<int> modes;
    std::vector<std::wstring> pieces;
    std::wstring output;
    std::deque<wint_t> keys;
    int keysRead = 0;

private:
    bool m_isConsole;
};

struct CFakeStreamHolder
{
    explicit CFakeStreamHolder(bool isConsole) : stream(isConsole) {}
    CFakeConsoleStream stream;
};

// The tool's console on a fake stream (the holder is built first, so the
// stream exists when the console opens it).
class CTestConsole : private CFakeStreamHolder, public CConsole
{
public:
    explicit CTestConsole(bool isConsole = false) : CFakeStreamHolder(isConsole), CConsole(CFakeStreamHolder::stream) {}
    using CFakeStreamHolder::stream;
};
