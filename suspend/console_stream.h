#pragma once
// The standard streams as the console sees them. Every byte the console shows
// and every key it reads passes here, so tests can put their own in place.
#include <windows.h>

#include <cwchar>

// Translation modes of the standard output (the _setmode values).
constexpr int MODE_TEXT = 0x4000;     // _O_TEXT
constexpr int MODE_UNICODE = 0x20000; // _O_U16TEXT
constexpr int MODE_UTF8 = 0x40000;    // _O_U8TEXT

class IConsoleStream
{
public:
    virtual ~IConsoleStream() = default;
    // Prepares the streams once: true when the standard output is a
    // character device (it then writes UTF-16); the standard error always
    // writes UTF-16.
    virtual bool Open() = 0;
    virtual void SetMode(int mode) = 0;
    // Writes and flushes; errors of the stream are ignored.
    virtual void Write(const wchar_t* text) = 0;
    // One key without echo; WEOF when input has ended or cannot be read.
    virtual wint_t ReadKey() = 0;
};

// The process's own standard output, standard error and console input.
class CStandardStream : public IConsoleStream
{
public:
    bool Open() override;
    void SetMode(int mode) override;
    void Write(const wchar_t* text) override;
    wint_t ReadKey() override;
};

// The one standard stream object of the process; it holds no state.
IConsoleStream& StandardStream();
