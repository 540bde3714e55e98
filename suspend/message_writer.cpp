#include "suspend/message_writer.h"

#include "common/date_time_text.h"
#include "common/resource_string.h"

namespace {

constexpr size_t kComposeReserve = 1024;
constexpr DWORD kErrorTextBuffer = 256;

DWORD Facility(HRESULT code)
{
    return (static_cast<DWORD>(code) >> 16) & 0x1FFF;
}

} // namespace

bool FormatErrorCodeText(HRESULT code, std::wstring& text)
{
    const DWORD value = static_cast<DWORD>(code);
    const std::wstring message =
        SystemErrorText(Facility(code) == FACILITY_WIN32 ? (value & 0xFFFF) : value);
    if (message.empty())
        return false;
    text = ComposeErrorCodeText(code, message.c_str(), message.size());
    return true;
}

std::wstring ComposeErrorCodeText(HRESULT code, const wchar_t* message, size_t length)
{
    const DWORD value = static_cast<DWORD>(code);
    std::wstring text = Trim(std::wstring(message, length));
    if (Facility(code) == FACILITY_WIN32 || value < 0x10000)
        text += FormatText(L" (%d)", static_cast<int>(value & 0xFFFF));
    else
        text += FormatText(L" (0x%08X)", value);
    // The text lives in a buffer of 256 units, terminator included.
    if (text.size() > kErrorTextBuffer - 1)
        text.resize(kErrorTextBuffer - 1);
    return text;
}

HRESULT ErrorCodeFromLastError(DWORD error)
{
    // Some calls leave an HRESULT as the last error; it needs no wrapping.
    if (static_cast<LONG>(error) <= 0)
        return static_cast<HRESULT>(error);
    return static_cast<HRESULT>(0x80070000u | (error & 0xFFFF));
}

int CMessageWriter::Write(const wchar_t* text, DWORD flags, HRESULT code, va_list arguments)
{
    if ((m_typeMask & flags & MSG_TYPE_BITS) < m_threshold)
        return 0;

    std::wstring formatted;
    if (text) {
        if (flags & MSG_LITERAL)
            formatted = text;
        else
            formatted = FormatTextV(text, arguments);
    }

    const DWORD type = flags & MSG_TYPE_BITS;
    const DWORD modifiers = flags & (MSG_NOPREFIX | MSG_LINEEND);
    switch (type) {
    case MSG_DEBUG:
    case MSG_WARNING:
    case MSG_INFORMATION:
        Compose(formatted.c_str(), type, modifiers);
        return 0;
    case MSG_QUESTION:
        Compose(formatted.c_str(), type, 0);
        return Ask(flags);
    case MSG_ERROR: {
        Compose(formatted.c_str(), type, MSG_LINEEND);
        std::wstring errorText;
        if (code < 0 && FormatErrorCodeText(code, errorText))
            Compose(errorText.c_str(), type, MSG_LINEEND | MSG_NOPREFIX);
        return 0;
    }
    default:
        return 0;
    }
}

int CMessageWriter::WriteResource(UINT stringId, DWORD flags, HRESULT code, va_list arguments)
{
    std::wstring format;
    if (!LoadResourceString(stringId, format))
        return 0;
    return Write(format.c_str(), flags, code, arguments);
}

void CMessageWriter::Output(const wchar_t*)
{
}

void CMessageWriter::Indent(bool increase)
{
    m_indent += increase ? 1 : -1;
}

int CMessageWriter::Ask(DWORD)
{
    return 0;
}

const wchar_t* CMessageWriter::Separator() const
{
    return L" - ";
}

const wchar_t* CMessageWriter::LineEnd() const
{
    return L"\n";
}

int CMessageWriter::AppendPrefix(DWORD type, std::wstring& text) const
{
    switch (type) {
    case MSG_DEBUG:
        text += L"DEBUG: ";
        return 1;
    case MSG_ERROR:
        text += L"ERROR: ";
        return 1;
    case MSG_WARNING:
        text += L"WARNING: ";
        return 1;
    case MSG_QUESTION:
    case MSG_INFORMATION:
        return 0;
    default:
        return 1;
    }
}

void CMessageWriter::Compose(const wchar_t* text, DWORD type, DWORD modifiers)
{
    std::wstring composed;
    composed.reserve(kComposeReserve);

    if (m_atLineStart && !(modifiers & MSG_NOPREFIX)) {
        if (m_decorations & DECORATE_DATETIME)
            AppendDateTime(composed);
        std::wstring prefix;
        if (m_decorations & DECORATE_PREFIX)
            AppendPrefix(type, prefix);
        const std::wstring indentation(m_indent > 0 ? static_cast<size_t>(m_indent) * 2 : 0, L' ');
        if (m_decorations & DECORATE_PREFIX_FIRST)
            composed += prefix + indentation;
        else
            composed += indentation + prefix;
    }

    composed += text;
    if (modifiers & MSG_LINEEND)
        composed += LineEnd();

    m_atLineStart = (!composed.empty() && composed.back() == L'\n') ? 1 : 0;
    Output(composed.c_str());
}

void CMessageWriter::AppendDateTime(std::wstring& composed) const
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    // A stamp that cannot be formed is left out whole.
    const std::wstring stamp = FormatLocalDateTime(now);
    if (stamp.empty())
        return;
    composed += stamp;
    composed += Separator();
}

int CMessageWriter::WriteMessage(const wchar_t* format, DWORD flags, HRESULT code, ...)
{
    va_list arguments;
    va_start(arguments, code);
    int answer = Write(format, flags, code, arguments);
    va_end(arguments);
    return answer;
}

int CMessageWriter::WriteResourceMessage(UINT stringId, DWORD flags, HRESULT code, ...)
{
    va_list arguments;
    va_start(arguments, code);
    int answer = WriteResource(stringId, flags, code, arguments);
    va_end(arguments);
    return answer;
}

void CMessageWriter::WriteLine(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Write(format, MSG_INFORMATION | MSG_LINEEND, 0, arguments);
    va_end(arguments);
}

void CMessageWriter::WriteText(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Write(format, MSG_INFORMATION, 0, arguments);
    va_end(arguments);
}

void CMessageWriter::WriteLiteral(const wchar_t* text)
{
    WriteMessage(text, MSG_INFORMATION | MSG_LITERAL, 0);
}

void CMessageWriter::WriteNewLine()
{
    WriteMessage(nullptr, MSG_INFORMATION | MSG_LINEEND, 0);
}

void CMessageWriter::WriteError(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Write(format, MSG_ERROR, 1, arguments);
    va_end(arguments);
}

void CMessageWriter::WriteErrorCode(const wchar_t* format, HRESULT code, ...)
{
    va_list arguments;
    va_start(arguments, code);
    Write(format, MSG_ERROR, code, arguments);
    va_end(arguments);
}

void CMessageWriter::WriteLastError(const wchar_t* format, ...)
{
    // Read first: formatting may change the thread's last error.
    const HRESULT code = ErrorCodeFromLastError(GetLastError());
    va_list arguments;
    va_start(arguments, format);
    Write(format, MSG_ERROR, code, arguments);
    va_end(arguments);
}
