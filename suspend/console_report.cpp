// The banner and the parse report of the console.
#include "suspend/base_console.h"

#include "common/system_helpers.h"
#include "common/version_info.h"

#include <cwchar>
#include <string>

namespace {

// The program's file name without its folder and extension. Done by hand so
// that showing the usage loads no shell library.
std::wstring ProgramNameOf(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':')
            name = p + 1;
    }
    std::wstring program(name);
    const size_t dot = program.rfind(L'.');
    if (dot != std::wstring::npos)
        program.resize(dot);
    return program;
}

} // namespace

void CBaseConsole::WriteBanner()
{
    CConsoleVersionInfo version;
    std::wstring line;
    if (version.TitleLine(line))
        WriteMessage(line.c_str(), MSG_INFORMATION | MSG_LITERAL | MSG_LINEEND, 0);
    WriteMessage(Description(), MSG_INFORMATION | MSG_LITERAL | MSG_LINEEND, 0);
    if (version.GetString(L"LegalCopyright", line))
        WriteMessage(line.c_str(), MSG_INFORMATION | MSG_LITERAL | MSG_LINEEND, 0);
    WriteNewLine();
}

void CBaseConsole::WriteParseReport()
{
    m_writtenCount = 0;

    if (m_helpRequested) {
        const std::wstring name = ModuleFileName();
        if (!name.empty()) {
            std::wstring program = ProgramNameOf(name.c_str());
            _wcslwr_s(&program[0], program.size() + 1);
            WriteLiteral(L"Usage:\n\n  ");
            WriteLiteral(program.c_str());
            WriteLiteral(L" ");
            WriteLiteral(UsageText());
        }
        SectionSeparator();
    }
    if (!m_invalidValues.empty()) {
        WriteLiteral(L"Invalid parameter value(s):\n\n");
        WriteLiteral(m_invalidValues.c_str());
        SectionSeparator();
    }
    if (!m_unknownParameters.empty()) {
        WriteLiteral(L"Unknown parameter(s):\n\n");
        WriteLiteral(m_unknownParameters.c_str());
        SectionSeparator();
    }
    if (!m_pendingError.empty()) {
        WriteMessage(m_pendingError.c_str(), MSG_ERROR | MSG_LITERAL, m_pendingErrorCode);
        SectionSeparator();
    }
}
