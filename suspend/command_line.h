#pragma once
// Splits the arguments into options and values and hands each option to the
// console; every problem is collected by the console's ReportArgument.
#include "suspend/base_console.h"

// Maximum number of values of one option written with a colon.
constexpr int kMaxOptionValues = 32;

// Parses argv[1..argc-1]; the arguments are changed in place (colons and
// value separators become string ends).
void ParseCommandLine(CBaseConsole& console, int argc, wchar_t** argv);
