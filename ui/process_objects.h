#pragma once
// The tray program's process-wide objects, made before the entry point runs:
// the three registered window messages.
#include <windows.h>

// "TaskbarNotify": the tray icon's callback message.
extern const UINT g_taskbarNotifyMessage;
// "TaskbarCreated": the taskbar was (re)created.
extern const UINT g_taskbarCreatedMessage;
// "ZPQInstanceNotify": one copy of the program asking another to act.
extern const UINT g_instanceNotifyMessage;
