# cmake -DNM= -DIMPORT_LIB= -DDLL= -DOUTPUT= [-DEXCLUDE_LIBS=a.a|b.a] -P MakeLazyImports.cmake
#
# Writes an assembly file that stands in for a system library's import
# library: every function the library exports gets an import slot that first
# points at a small thunk. The first call goes through the thunk, which asks
# TarvikResolveLazyImport to load the library from the system directory,
# find the function and patch the slot; later calls go straight through.
# (MinGW's own delay-import libraries are broken in the binutils we build
# with; this is the same mechanism, 32-bit x86 only.)
execute_process(COMMAND ${NM} ${IMPORT_LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc
                ERROR_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ T _[A-Za-z0-9_@]+" lines "${symbols}")
set(names "")
foreach(line ${lines})
    string(REGEX REPLACE ".* T _" "" name "${line}")
    list(APPEND names ${name})
endforeach()
list(REMOVE_DUPLICATES names)

# Functions that an earlier library of the set already binds (import
# libraries repeat a few exports) are left to it: one definition each.
string(REPLACE "|" ";" exclude_libs "${EXCLUDE_LIBS}")
foreach(other ${exclude_libs})
    execute_process(COMMAND ${NM} ${other} OUTPUT_VARIABLE other_symbols ERROR_QUIET)
    string(REGEX MATCHALL "[0-9a-fA-F]+ T _[A-Za-z0-9_@]+" other_lines "${other_symbols}")
    foreach(line ${other_lines})
        string(REGEX REPLACE ".* T _" "" name "${line}")
        list(REMOVE_ITEM names ${name})
    endforeach()
endforeach()

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
