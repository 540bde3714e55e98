# cmake -DKIND=asm|delaylib -DNM= [-DDLLTOOL=] -DIMPORT_LIB= -DDLL= -DOUTPUT=
#       [-DEXCLUDE_LIBS=a.a|b.a] -P MakeLazyImports.cmake
#
# Stands in for a system library's import library: every function the
# library exports is bound at its first call, from the system directory.
#
# KIND=delaylib (64-bit): a .def file of the exports, turned into the
# toolchain's own delay-import library by dlltool; the runtime's
# __delayLoadHelper2 binds, through the hook in lazy_import_resolver.cpp.
#
# KIND=asm (32-bit, where the toolchain's delay-import libraries leave the
# import pointer of a dllimport call empty: check-delaylib.sh): an assembly
# file in which every export gets an import slot that first points at a small
# thunk. The first call goes through the thunk, which asks
# TarvikResolveLazyImport to load the library, find the function and patch
# the slot; later calls go straight through.
if(KIND STREQUAL "asm")
    set(symbol_pattern "[0-9a-fA-F]+ T _[A-Za-z0-9_@]+")
    set(symbol_prefix ".* T _")
else()
    set(symbol_pattern "[0-9a-fA-F]+ T [A-Za-z0-9_@]+")
    set(symbol_prefix ".* T ")
endif()

# The functions an import library exports, as the linker knows them.
function(read_exports library out)
    execute_process(COMMAND ${NM} ${library} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc ERROR_QUIET)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "nm failed on ${library}")
    endif()
    string(REGEX MATCHALL "${symbol_pattern}" lines "${symbols}")
    set(names "")
    foreach(line ${lines})
        string(REGEX REPLACE "${symbol_prefix}" "" name "${line}")
        list(APPEND names ${name})
    endforeach()
    list(REMOVE_DUPLICATES names)
    set(${out} ${names} PARENT_SCOPE)
endfunction()

read_exports(${IMPORT_LIB} names)
# Functions that an earlier library of the set already binds (import
# libraries repeat a few exports) are left to it: one definition each.
string(REPLACE "|" ";" exclude_libs "${EXCLUDE_LIBS}")
foreach(other ${exclude_libs})
    read_exports(${other} other_names)
    if(other_names)
        list(REMOVE_ITEM names ${other_names})
    endif()
endforeach()

if(KIND STREQUAL "delaylib")
    set(def "LIBRARY ${DLL}\nEXPORTS\n")
    foreach(name ${names})
        string(APPEND def "${name}\n")
    endforeach()
    file(WRITE ${OUTPUT}.def "${def}")
    execute_process(COMMAND ${DLLTOOL} --input-def ${OUTPUT}.def --dllname ${DLL}
                            --output-delaylib ${OUTPUT}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "dlltool failed for ${DLL}")
    endif()
    return()
endif()

string(MAKE_C_IDENTIFIER "${DLL}" tag)
set(resolver "___tarvik_lazy_${tag}")
set(out "# Generated from ${IMPORT_LIB}: do not edit.\n")
string(APPEND out "\t.section .rdata$lazy_${tag},\"dr\"\nlazy_dll_${tag}:\n\t.asciz \"${DLL}\"\n")
# The shared tail: keep ECX and EDX for the callee, resolve, jump on.
string(APPEND out "\t.section .text$lazy_${tag},\"xr\"\n${resolver}:\n"
    "\tpushl %ecx\n\tpushl %edx\n"
    "\tpushl 8(%esp)\n"          # the slot
    "\tpushl 16(%esp)\n"         # the function's name
    "\tpushl $lazy_dll_${tag}\n"
    "\tcall _TarvikResolveLazyImport@12\n"
    "\tpopl %edx\n\tpopl %ecx\n"
    "\taddl $8, %esp\n"
    "\tjmp *%eax\n")
set(index 0)
foreach(symbol ${names})
    string(REGEX REPLACE "@[0-9]+$" "" plain "${symbol}")
    set(section "lazy_${tag}_${index}")
    string(APPEND out
        "\t.section .text$${section},\"xr\"\n"
        "\t.globl _${symbol}\n_${symbol}:\n\tjmp *__imp__${symbol}\n"
        "thunk_${section}:\n\tpushl $name_${section}\n\tpushl $__imp__${symbol}\n\tjmp ${resolver}\n"
        "\t.section .data$${section},\"w\"\n\t.align 4\n"
        "\t.globl __imp__${symbol}\n__imp__${symbol}:\n\t.long thunk_${section}\n"
        "\t.section .rdata$${section},\"dr\"\nname_${section}:\n\t.asciz \"${plain}\"\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT} "${out}")
