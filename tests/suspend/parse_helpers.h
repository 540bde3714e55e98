#pragma once
// Running the parser over a written-out argument list.
#include "fake_console_stream.h"
#include "suspend/command_line.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// Mutable copies of the arguments, with the program path in front.
class CArguments
{
public:
    CArguments(std::initializer_list<const wchar_t*> arguments) : CArguments(std::vector<std::wstring>(arguments.begin(), arguments.end())) {}
    explicit CArguments(std::vector<std::wstring> arguments)
    {
        m_storage.push_back(L"C:\\tools\\suspend.exe");
        for (auto& argument : arguments)
            m_storage.push_back(std::move(argument));
        for (auto& argument : m_storage)
            m_pointers.push_back(&argument[0]);
        m_pointers.push_back(nullptr);
    }
    CArguments(const CArguments&) = delete;
    CArguments& operator=(const CArguments&) = delete;

    int Count() const { return static_cast<int>(m_storage.size()); }
    wchar_t** Vector() { return m_pointers.data(); }

private:
    std::vector<std::wstring> m_storage;
    std::vector<wchar_t*> m_pointers;
};

// The tool's console that also keeps every reported argument and result, and
// every option call with its values.
class CRecordingConsole : public CTestConsole
{
public:
    struct CCall
    {
        std::wstring name;
        std::vector<std::wstring> values;
        int result;
    };

    void ReportArgument(const wchar_t* argument, int result) override
    {
        reports.emplace_back(argument, result);
        CTestConsole::ReportArgument(argument, result);
    }
    int HandleOption(const wchar_t* name, wchar_t** values, int count) override
    {
        CCall call{name, {}, 0};
        for (int i = 0; i < count; ++i)
            call.values.push_back(values[i]);
        call.result = CTestConsole::HandleOption(name, values, count);
        calls.push_back(call);
        return call.result;
    }

    void Parse(CArguments&& arguments) { ParseCommandLine(*this, arguments.Count(), arguments.Vector()); }

    std::vector<std::pair<std::wstring, int>> reports;
    std::vector<CCall> calls;
};
