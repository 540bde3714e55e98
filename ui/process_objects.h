#pragma once
// The tray program's process-wide objects, made before the entry point runs:
// the three registered window messages and the one tray icon.
#include <windows.h>

#include "ui/notify_icon.h"

// "TaskbarNotify": the tray icon's callback message.
extern const UINT g_taskbarNotifyMessage;
// "TaskbarCreated": the taskbar was (re)created.
extern const UINT g_taskbarCreatedMessage;
// "ZPQInstanceNotify": one copy of the program asking another to act.
extern const UINT g_instanceNotifyMessage;

// The icon in the notification area; static destruction removes it.
extern CNotifyIcon g_notifyIcon;
