# cmake -DOBJDUMP= -DPROGRAMS=a.exe|b.exe -P check_imports.cmake
#
# Fails when a program's import table names a library outside the ones
# Windows always takes from its system directory (its known DLLs): the
# loader looks for any other beside the program first, where a planted copy
# would run inside it before its entry point.
cmake_minimum_required(VERSION 3.21)
set(always_system
    advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
    kernelbase msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi
    shcore shell32 shlwapi user32 wldap32 ws2_32)

string(REPLACE "|" ";" programs "${PROGRAMS}")
set(failures "")
foreach(program ${programs})
    execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} cannot read ${program}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" entries "${dump}")
    set(names "")
    foreach(entry ${entries})
        string(REGEX REPLACE "DLL Name: ([^\n]+)" "\\1" library "${entry}")
        string(STRIP "${library}" library)
        string(TOLOWER "${library}" library)
        string(REGEX REPLACE "\\.dll$" "" base "${library}")
        list(APPEND names ${library})
        if(NOT base IN_LIST always_system)
            string(APPEND failures "  ${program} imports ${library}\n")
        endif()
    endforeach()
    get_filename_component(name ${program} NAME)
    string(REPLACE ";" ", " names "${names}")
    message(STATUS "${name}: ${names}")
endforeach()
if(failures)
    message(FATAL_ERROR "Libraries Windows would look for beside the program:\n${failures}")
endif()
