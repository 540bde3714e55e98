#pragma once
// One run of the suspend tool after its process set-up: parse, banner, then
// the usage report, or what the machine cannot do, or privilege and suspend
// request. Returns the exit code.
//
// `beforeWork`, when given, runs once the command line is accepted, before
// the first call to the system: the crash machinery, whose loading costs
// more than printing the usage does.
#include "suspend/console.h"
#include "suspend/suspend_system.h"

constexpr int EXIT_SUSPENDED = 0;
constexpr int EXIT_USAGE = 1;
constexpr int EXIT_FAILED = 2;

int RunSuspendTool(CConsole& console, ISuspendSystem& system, int argc, wchar_t** argv,
                   void (*beforeWork)() = nullptr);
