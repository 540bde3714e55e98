#pragma once
// The version of both programs: change the four numbers here and nowhere else.
// The lines read "Version 1.0 (Build 1)"; the fourth number is not shown.

#define TARVIK_VERSION_MAJOR    1
#define TARVIK_VERSION_MINOR    0
#define TARVIK_VERSION_BUILD    1
#define TARVIK_VERSION_REVISION 0

#define TARVIK_STRINGIZE2(x) #x
#define TARVIK_STRINGIZE(x)  TARVIK_STRINGIZE2(x)

// "1.0.1.0"
#define TARVIK_VERSION_TEXT                                                                   \
    TARVIK_STRINGIZE(TARVIK_VERSION_MAJOR.TARVIK_VERSION_MINOR.TARVIK_VERSION_BUILD.TARVIK_VERSION_REVISION)
