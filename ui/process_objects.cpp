#include "ui/process_objects.h"

// Registered before the entry point runs: every copy and the shell know them
// by name.
const UINT g_taskbarNotifyMessage = RegisterWindowMessageW(L"TaskbarNotify");
const UINT g_taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
const UINT g_instanceNotifyMessage = RegisterWindowMessageW(L"ZPQInstanceNotify");
