#include "suspend/base_console.h"

#include "common/resource_string.h"
#include "suspend/keyword_table.h"

#include <shlwapi.h>

#include <cwctype>

namespace {

const CKeyword kCommonOptions[] = {
    {L"display", 0},
    {L"help", 0},
    {L"?", 0},
};
constexpr int kOptionDisplay = 0;

const CKeyword kDisplayLevels[] = {
    {L"none", LEVEL_NONE},
    {L"normal", LEVEL_NORMAL},
    {L"progress", LEVEL_PROGRESS},
    {L"verbose", LEVEL_VERBOSE},
};

const CKeyword kTranslationModes[] = {
    {L"text", MODE_TEXT},
    {L"unicode", MODE_UNICODE},
    {L"utf8", MODE_UTF8},
};

struct CAnswer
{
    const wchar_t* label;
    DWORD bits;
    int value;
};

const CAnswer kAnswers[] = {
    {L"Ok", ASK_OK, IDOK},
    {L"Yes", ASK_YES, IDYES},
    {L"No", ASK_NO, IDNO},
    {L"Abort", ASK_ABORT, IDABORT},
    {L"Retry", ASK_RETRY, IDRETRY},
    {L"Ignore", ASK_IGNORE, IDIGNORE},
    {L"Cancel", ASK_CANCEL, IDCANCEL},
};

bool Offered(const CAnswer& answer, DWORD flags)
{
    return (flags & answer.bits) == answer.bits;
}

constexpr size_t kProgressReserve = 1024;
constexpr size_t kClearWidth = 78;

} // namespace

CBaseConsole::CBaseConsole(IConsoleStream& stream) : m_stream(&stream)
{
    m_outputIsConsole = m_stream->Open() ? 1 : 0;
}

void CBaseConsole::Emit(const wchar_t* text)
{
    m_stream->Write(text);
    ++m_writtenCount;
}

void CBaseConsole::Output(const wchar_t* text)
{
    if (!m_progressItem.empty())
        WriteProgress(L"%s", LineEnd());
    if (DisplayLevel() >= LEVEL_NORMAL)
        Emit(text);
}

int CBaseConsole::Ask(DWORD flags)
{
    if (DisplayLevel() >= LEVEL_NORMAL) {
        std::wstring offer = L" (";
        bool first = true;
        for (const CAnswer& answer : kAnswers) {
            if (!Offered(answer, flags))
                continue;
            if (!first)
                offer += L'/';
            offer += answer.label;
            first = false;
        }
        offer += L"): ";
        Emit(offer.c_str());
    }

    for (;;) {
        const wint_t key = m_stream->ReadKey();
        // Input that has ended gives no answer rather than an endless wait.
        if (key == WEOF)
            return 0;
        // A function or arrow key arrives as 0 or 0xE0 followed by its scan
        // code, which must not pass for a letter (End would answer Ok).
        if (key == 0 || key == 0xE0) {
            if (m_stream->ReadKey() == WEOF)
                return 0;
            continue;
        }
        const wint_t upper = towupper(key);
        for (const CAnswer& answer : kAnswers) {
            if (!Offered(answer, flags) || static_cast<wint_t>(answer.label[0]) != upper)
                continue;
            if (DisplayLevel() >= LEVEL_NORMAL)
                Emit(FormatText(L"%c\n", static_cast<wchar_t>(key)).c_str());
            SetAtLineStart(true);
            return answer.value;
        }
    }
}

bool CBaseConsole::HasProblems() const
{
    return m_helpRequested || !m_invalidValues.empty() || !m_unknownParameters.empty() ||
           !m_pendingError.empty();
}

void CBaseConsole::ReportArgument(const wchar_t* argument, int result)
{
    switch (result) {
    case PARSE_INVALID:
        m_invalidValues += FormatText(L"\t%s", argument);
        if (!m_expectedValues.empty())
            m_invalidValues += FormatText(L" (expected: %s)", m_expectedValues.c_str());
        m_invalidValues += L'\n';
        m_expectedValues.clear();
        break;
    case PARSE_UNKNOWN:
    case PARSE_PLAIN:
        m_unknownParameters += FormatText(L"\t%s\n", argument);
        m_helpRequested = 1;
        break;
    default:
        break;
    }
}

int CBaseConsole::HandleOption(const wchar_t* name, wchar_t** values, int count)
{
    const int option = FindKeyword(kCommonOptions, name);
    if (option < 0)
        return PARSE_UNKNOWN;
    if (option != kOptionDisplay) {
        m_helpRequested = 1;
        return option;
    }

    if (count > 2)
        return PARSE_INVALID;
    if (count >= 1 && values[0][0]) {
        const int level = FindKeyword(kDisplayLevels, values[0]);
        if (level < 0 ||
            (kDisplayLevels[level].value & m_allowedLevels) != kDisplayLevels[level].value) {
            m_expectedValues = JoinKeywords(kDisplayLevels, m_allowedLevels);
            return PARSE_INVALID;
        }
        m_displayLevel = kDisplayLevels[level].value;
    }
    if (count == 2 && values[1][0]) {
        const int mode = FindKeyword(kTranslationModes, values[1]);
        if (mode < 0) {
            m_expectedValues = JoinKeywords(kTranslationModes, 0xFFFFFFFF);
            return PARSE_INVALID;
        }
        m_stream->SetMode(static_cast<int>(kTranslationModes[mode].value));
    }
    return 0;
}

void CBaseConsole::SectionSeparator()
{
    if (m_writtenCount != 0 && DisplayLevel() >= LEVEL_NORMAL)
        m_stream->Write(LineEnd());
    m_writtenCount = 0;
}

void CBaseConsole::SetPendingError(const wchar_t* text, HRESULT code)
{
    m_pendingError = text ? text : L"";
    m_pendingErrorCode = code;
}

void CBaseConsole::WriteProgress(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    WriteProgressV(format, arguments);
    va_end(arguments);
}

void CBaseConsole::WriteProgressV(const wchar_t* format, va_list arguments)
{
    std::wstring line;
    line.reserve(kProgressReserve);
    if (!m_progressItem.empty()) {
        if (m_outputIsConsole) {
            line += L'\r';
            std::wstring compact(m_progressWidth + 1, L'\0');
            if (PathCompactPathExW(&compact[0], m_progressItem.c_str(), m_progressWidth + 1, 0))
                line += compact.c_str();
            else
                line += m_progressItem;
        } else {
            line += m_progressItem;
        }
        line += L": ";
    }
    line += FormatTextV(format, arguments);

    const bool visible = DisplayLevel() >= LEVEL_PROGRESS;
    if (!line.empty() && line.back() == L'\n') {
        if (m_outputIsConsole && visible)
            Emit((L"\r" + std::wstring(kClearWidth, L' ') + L"\r").c_str());
        if (visible)
            Emit(line.c_str());
        m_progressItem.clear();
    } else if (m_outputIsConsole && visible) {
        Emit(line.c_str());
    }
}
