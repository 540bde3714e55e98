#pragma once
// The console: decides by a display level what reaches the standard output,
// keeps the parse-problem texts of the command line, asks one-key questions
// and keeps an overwritable progress line.
#include "suspend/console_stream.h"
#include "suspend/message_writer.h"

#include <string>

// Parse results of HandleOption and ReportArgument.
constexpr int PARSE_UNKNOWN = -1;
constexpr int PARSE_PLAIN = -2;
constexpr int PARSE_INVALID = -3;

// Display levels.
constexpr DWORD LEVEL_NONE = 1;
constexpr DWORD LEVEL_PROGRESS = 2;
constexpr DWORD LEVEL_NORMAL = 4;
constexpr DWORD LEVEL_VERBOSE = 8;

// Answers of a Question.
constexpr DWORD ASK_OK = 0x1;
constexpr DWORD ASK_CANCEL = 0x2;
constexpr DWORD ASK_ABORT = 0x4;
constexpr DWORD ASK_RETRY = 0x8;
constexpr DWORD ASK_IGNORE = 0x10;
constexpr DWORD ASK_YES = 0x20;
constexpr DWORD ASK_NO = 0x40;

class CBaseConsole : public CMessageWriter
{
public:
    explicit CBaseConsole(IConsoleStream& stream = StandardStream());
    ~CBaseConsole() override = default;

    void Output(const wchar_t* text) override;
    int Ask(DWORD flags) override;

    virtual bool HasProblems() const;
    virtual const wchar_t* Description() const = 0;
    virtual const wchar_t* UsageText() const = 0;
    virtual void ReportArgument(const wchar_t* argument, int result);
    virtual int HandleOption(const wchar_t* name, wchar_t** values, int count);
    virtual bool ShouldRun() const { return !m_helpRequested; }

    // The banner: title line, description, legal notice, empty line.
    void WriteBanner();
    // Usage and problem lists, separated by empty lines.
    void WriteParseReport();
    // One empty line when something was written since the last one.
    void SectionSeparator();

    // The progress line shown while a progress item is active.
    void WriteProgress(const wchar_t* format, ...);
    void SetProgressItem(const wchar_t* item) { m_progressItem = item ? item : L""; }
    const std::wstring& ProgressItem() const { return m_progressItem; }

    // A problem found outside the parser, shown as an Error by the report.
    void SetPendingError(const wchar_t* text, HRESULT code);

    DWORD OptionFlags() const { return m_optionFlags; }
    DWORD DisplayLevel() const { return m_displayLevel & 0x7FFFFFFF; }
    void SetDisplayLevel(DWORD level) { m_displayLevel = level; }
    DWORD AllowedLevels() const { return m_allowedLevels; }
    DWORD WrittenCount() const { return m_writtenCount; }
    bool OutputIsConsole() const { return m_outputIsConsole != 0; }
    bool HelpRequested() const { return m_helpRequested != 0; }
    const std::wstring& ExpectedValues() const { return m_expectedValues; }
    const std::wstring& InvalidValuesReport() const { return m_invalidValues; }
    const std::wstring& UnknownParametersReport() const { return m_unknownParameters; }

protected:
    void SetAllowedLevels(DWORD levels) { m_allowedLevels = levels; }
    void AddOptionFlags(DWORD flags) { m_optionFlags |= flags; }

private:
    void Emit(const wchar_t* text);
    void WriteProgressV(const wchar_t* format, va_list arguments);

    std::wstring m_expectedValues;
    std::wstring m_invalidValues;
    std::wstring m_unknownParameters;
    std::wstring m_progressItem;
    std::wstring m_pendingError;
    HRESULT m_pendingErrorCode = 0;
    DWORD m_optionFlags = 0;
    DWORD m_displayLevel = LEVEL_NORMAL;
    DWORD m_allowedLevels = 0x7FFFFFFF;
    DWORD m_writtenCount = 0;
    DWORD m_progressWidth = 40;
    BYTE m_outputIsConsole = 0;
    BYTE m_helpRequested = 0;
    IConsoleStream* m_stream;
};
