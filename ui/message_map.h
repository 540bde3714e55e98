#pragma once
// The message-map contract of the program's windows: a window object looks at
// each message and either answers it or lets it go on to the window's
// previous or default procedure, whether or not it acted on it.
#include <windows.h>

class CMessageMap
{
public:
    virtual ~CMessageMap() = default;

    // True when the message is answered: `result` (0 to begin with) holds
    // the answer and the window's own procedure never sees the message.
    // False lets it go on, also after the handler acted on it: that is how
    // a handler observes a message that the window still has to handle.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
};
