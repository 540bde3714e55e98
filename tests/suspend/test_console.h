#pragma once
// The tool's console on a stream that keeps what is written and plays back
// given keys, recording every argument's result and every option's values.
#include "suspend/command_line.h"
#include "suspend/console.h"

#include <windows.h>

#include <cwchar>
#include <deque>
#include <string>
#include <utility>
#include <vector>

class CFakeConsoleStream : public IConsoleStream
{
public:
    bool Open() override { return false; }
    void SetMode(int) override {}
    void Write(const wchar_t* text) override { output += text; }
    wint_t ReadKey() override
    {
        ++keysRead;
        if (keys.empty())
            return WEOF;
        const wint_t key = keys.front();
        keys.pop_front();
        return key;
    }

    std::wstring output;
    std::deque<wint_t> keys;
    int keysRead = 0;
};

// What main gets: mutable arguments behind the program path (added to `arguments`).
inline std::vector<wchar_t*> Argv(std::vector<std::wstring>& arguments)
{
    arguments.insert(arguments.begin(), L"C:\\tools\\suspend.exe");
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    return argv;
}

// The stream is a base built first, so it exists when the console opens it.
class CTestConsole : private CFakeConsoleStream, public CConsole
{
public:
    CTestConsole() : CConsole(static_cast<CFakeConsoleStream&>(*this)) {}
    CFakeConsoleStream& stream = static_cast<CFakeConsoleStream&>(*this);

    void ReportArgument(const wchar_t* argument, int result) override
    {
        reports.emplace_back(argument, result);
        CConsole::ReportArgument(argument, result);
    }
    int HandleOption(const wchar_t* name, wchar_t** values, int count) override
    {
        calls.emplace_back(name, std::vector<std::wstring>(values, values + count));
        return CConsole::HandleOption(name, values, count);
    }
    void Parse(std::vector<std::wstring> arguments)
    {
        std::vector<wchar_t*> argv = Argv(arguments);
        ParseCommandLine(*this, static_cast<int>(arguments.size()), argv.data());
    }

    std::vector<std::pair<std::wstring, int>> reports;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> calls;
};

// The system's text for a code without its trailing line end; empty when it has none.
inline std::wstring SystemText(DWORD code)
{
    wchar_t buffer[256] = {};
    std::wstring text(buffer, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                             code, 0x400, buffer, 256, nullptr));
    while (!text.empty() && wcschr(L"\r\n\t ", text.back()))
        text.pop_back();
    return text;
}
