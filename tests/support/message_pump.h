#pragma once
// The message loop of in-process window tests: what the program's own loop
// would dispatch, run by the test.
#include <windows.h>

#include <functional>
#include <string>

// Dispatches every message waiting for this thread.
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until `done` holds; false when `timeout` ms pass first.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeout = 5000)
{
    for (const DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start >= timeout)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

// The text of a window of this process, however long.
inline std::wstring WindowTextOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}
