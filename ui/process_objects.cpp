#include "ui/process_objects.h"

// One translation unit, so the messages are registered before the icon that
// uses one of them is built.
const UINT g_taskbarNotifyMessage = RegisterWindowMessageW(L"TaskbarNotify");
const UINT g_taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
const UINT g_instanceNotifyMessage = RegisterWindowMessageW(L"ZPQInstanceNotify");

CNotifyIcon g_notifyIcon(g_taskbarNotifyMessage);
