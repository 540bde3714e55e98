#pragma once
// Composes typed console messages (information, warning, error, debug,
// question) with optional decorations and hands each composed piece to Output.
#include <windows.h>

#include <cstdarg>
#include <string>

// Message types: one per message, in the 0xFF000 bits of the flags.
constexpr DWORD MSG_DEBUG = 0x1000;
constexpr DWORD MSG_QUESTION = 0x2000;
constexpr DWORD MSG_ERROR = 0x4000;
constexpr DWORD MSG_WARNING = 0x8000;
constexpr DWORD MSG_INFORMATION = 0x10000;
constexpr DWORD MSG_TYPE_BITS = 0xFF000;

// Modifiers.
constexpr DWORD MSG_LITERAL = 0x100000;  // the text is written verbatim, not formatted
constexpr DWORD MSG_NOPREFIX = 0x200000; // no date, prefix or indentation
constexpr DWORD MSG_LINEEND = 0x400000;  // append a line end

// Decoration options.
constexpr DWORD DECORATE_DATETIME = 0x1;
constexpr DWORD DECORATE_PREFIX = 0x2;
constexpr DWORD DECORATE_PREFIX_FIRST = 0x4; // prefix before the indentation

// The text a system error code stands for, as shown on the second line of an
// Error: the system's message without its trailing white space, then " (5)"
// for Win32 codes and small values, or " (0x8000FFFF)" for other HRESULTs.
// False when the system has no text for the code.
bool FormatErrorCodeText(HRESULT code, std::wstring& text);

// That second line made from the system's message for `code`: trailing white
// space removed, the code's suffix added, cut to 255 characters.
std::wstring ComposeErrorCodeText(HRESULT code, const wchar_t* message, size_t length);

// The HRESULT that WriteLastError reports for a system error: 0 stays 0, and
// a value that already is a failure HRESULT is kept as it is.
HRESULT ErrorCodeFromLastError(DWORD error);

class CMessageWriter
{
public:
    CMessageWriter() = default;
    virtual ~CMessageWriter() = default;
    CMessageWriter(const CMessageWriter&) = delete;
    CMessageWriter& operator=(const CMessageWriter&) = delete;

    // Composes and dispatches one message; returns the answer of a Question,
    // 0 otherwise.
    virtual int Write(const wchar_t* text, DWORD flags, HRESULT code, va_list arguments);
    virtual int WriteResource(UINT stringId, DWORD flags, HRESULT code, va_list arguments);
    virtual void Output(const wchar_t* text);
    virtual void Indent(bool increase);
    virtual int Ask(DWORD flags);
    // Spare extension points; nothing in this tool overrides them.
    virtual int ExtensionHook1() { return 0; }
    virtual int ExtensionHook2() { return 0; }
    virtual const wchar_t* Separator() const;
    virtual const wchar_t* LineEnd() const;
    // Appends the prefix of `type`; 1 when one was appended or the type is
    // unknown, 0 for Question and Information.
    virtual int AppendPrefix(DWORD type, std::wstring& text) const;

    // Shorthand writers.
    int WriteMessage(const wchar_t* format, DWORD flags, HRESULT code, ...);
    // WriteMessage with the format taken from the program's string table.
    int WriteResourceMessage(UINT stringId, DWORD flags, HRESULT code, ...);
    void WriteLine(const wchar_t* format, ...);
    void WriteText(const wchar_t* format, ...);
    void WriteLiteral(const wchar_t* text);
    void WriteNewLine();
    void WriteError(const wchar_t* format, ...);
    void WriteErrorCode(const wchar_t* format, HRESULT code, ...);
    void WriteLastError(const wchar_t* format, ...);

    DWORD Threshold() const { return m_threshold; }
    void SetThreshold(DWORD threshold) { m_threshold = threshold; }
    DWORD TypeMask() const { return m_typeMask; }
    void SetTypeMask(DWORD mask) { m_typeMask = mask; }
    int IndentLevel() const { return m_indent; }
    DWORD Decorations() const { return m_decorations; }
    void SetDecorations(DWORD decorations) { m_decorations = decorations; }
    bool AtLineStart() const { return m_atLineStart != 0; }

protected:
    void SetAtLineStart(bool atLineStart) { m_atLineStart = atLineStart ? 1 : 0; }

private:
    void Compose(const wchar_t* text, DWORD type, DWORD modifiers);
    void AppendDateTime(std::wstring& composed) const;

    DWORD m_threshold = 0x2000;
    DWORD m_typeMask = 0xFF000;
    int m_indent = 0;
    DWORD m_decorations = 0;
    DWORD m_atLineStart = 1;
};
