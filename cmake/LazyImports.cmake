# Lazily bound system libraries. A library that Windows does not always take
# from the system directory (version, dbghelp, iphlpapi, powrprof, the common
# controls) must not stand in a program's import table: the loader would look
# for it in the program's own folder first, and a copy planted there (say, in
# a Downloads folder) would run inside the program before its entry point.
# Bound at first use, such a library is loaded from the system directory
# only. The console tool, which starts often and briefly, also binds the
# window manager and the shell this way: they serve only a crash report.
#
# A program opts in with tarvik_lazy_imports(); libraries that reach these
# system libraries link them with tarvik_system_libraries(), which picks the
# lazy binding for programs that opted in and the import library otherwise.
#
# MSVC has this built in (/DELAYLOAD), and so has the 64-bit MinGW toolchain:
# its delay-import libraries (dlltool --output-delaylib) with the runtime's
# __delayLoadHelper2. For 32-bit MinGW those are broken in binutils 2.40: a
# call through the import pointer, which every dllimport declaration of the
# Windows headers makes, finds an empty slot (cmake/lazy/check-delaylib.sh
# shows it). There the binding is generated as assembly (cmake/lazy).

# In this order: a function two import libraries list is bound by the first.
set(TARVIK_LAZY_LIBRARIES advapi32 user32 shlwapi shell32 dbghelp powrprof version iphlpapi comctl32)
set(TARVIK_LAZY_GENERATED OFF)
set(TARVIK_LAZY_BUILT "") # the targets that make the lazy libraries

if(MINGW)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        enable_language(ASM)
        set(TARVIK_LAZY_KIND asm)
        set(lazy_suffix .s)
    else()
        find_program(TARVIK_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)
        set(TARVIK_LAZY_KIND delaylib)
        set(lazy_suffix .a)
    endif()
    find_program(TARVIK_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm REQUIRED)
    # Where the first call lands: the 32-bit resolver, or the 64-bit helper's
    # hook. Linked whole into each program that opts in.
    add_library(tarvik_lazy_resolver OBJECT ${CMAKE_SOURCE_DIR}/cmake/lazy/lazy_import_resolver.cpp)
    tarvik_warnings(tarvik_lazy_resolver)
    set(earlier "")
    foreach(lib ${TARVIK_LAZY_LIBRARIES})
        find_library(TARVIK_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED)
        string(REPLACE ";" "|" earlier_text "${earlier}")
        set(out ${CMAKE_BINARY_DIR}/lazy/lazy_${lib}${lazy_suffix})
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -DKIND=${TARVIK_LAZY_KIND} -DNM=${TARVIK_NM} -DDLLTOOL=${TARVIK_DLLTOOL}
                    -DIMPORT_LIB=${TARVIK_IMPORT_LIB_${lib}} -DDLL=${lib}.dll -DOUTPUT=${out}
                    "-DEXCLUDE_LIBS=${earlier_text}"
                    -P ${CMAKE_SOURCE_DIR}/cmake/lazy/MakeLazyImports.cmake
            DEPENDS ${CMAKE_SOURCE_DIR}/cmake/lazy/MakeLazyImports.cmake ${TARVIK_IMPORT_LIB_${lib}}
                    ${earlier}
            COMMENT "Lazy binding for ${lib}.dll"
            VERBATIM)
        if(TARVIK_LAZY_KIND STREQUAL asm)
            add_library(tarvik_lazy_${lib} STATIC ${out})
            list(APPEND TARVIK_LAZY_BUILT tarvik_lazy_${lib})
        else()
            # The toolchain writes the library itself: nothing to compile.
            add_custom_target(tarvik_lazy_${lib}_library DEPENDS ${out})
            add_library(tarvik_lazy_${lib} STATIC IMPORTED GLOBAL)
            set_target_properties(tarvik_lazy_${lib} PROPERTIES IMPORTED_LOCATION ${out})
            list(APPEND TARVIK_LAZY_BUILT tarvik_lazy_${lib}_library)
        endif()
        list(APPEND earlier ${TARVIK_IMPORT_LIB_${lib}})
    endforeach()
    set(TARVIK_LAZY_GENERATED ON)
endif()

# Links the system libraries after `target` to it, for everything that uses
# it: those of the lazy set lazily in programs that opted in.
function(tarvik_system_libraries target)
    foreach(lib ${ARGN})
        if(TARVIK_LAZY_GENERATED AND lib IN_LIST TARVIK_LAZY_LIBRARIES)
            target_link_libraries(${target} PUBLIC
                $<IF:$<BOOL:$<TARGET_PROPERTY:TARVIK_LAZY_IMPORTS>>,tarvik_lazy_${lib},${lib}>)
        else()
            target_link_libraries(${target} PUBLIC ${lib})
        endif()
    endforeach()
endfunction()

# Makes the program `target` bind the libraries above at their first use.
function(tarvik_lazy_imports target)
    set_target_properties(${target} PROPERTIES TARVIK_LAZY_IMPORTS ON)
    if(TARVIK_LAZY_GENERATED)
        target_sources(${target} PRIVATE $<TARGET_OBJECTS:tarvik_lazy_resolver>)
        add_dependencies(${target} ${TARVIK_LAZY_BUILT})
    elseif(MSVC)
        foreach(lib ${TARVIK_LAZY_LIBRARIES})
            target_link_options(${target} PRIVATE /DELAYLOAD:${lib}.dll)
        endforeach()
        target_link_libraries(${target} PRIVATE delayimp)
    endif()
endfunction()
