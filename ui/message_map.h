#pragma once
// The message-map contract of the program's windows: a window object looks at
// each message and either handles it, setting the answer, or leaves it to the
// window's previous or default procedure.
#include <windows.h>

class CMessageMap
{
public:
    virtual ~CMessageMap() = default;

    // True when the message was handled; `result` then holds the answer.
    // `result` starts at 0.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
};
