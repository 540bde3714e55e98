# Lazily bound system libraries. A program that starts often and briefly (the
# console tool) should not pay at every start for loading libraries it needs
# only on rare paths (the window manager and the shell for a crash report).
# A target opts in with tarvik_lazy_imports(); libraries that reach such
# system libraries link them with tarvik_system_library(), which picks the
# lazy binding for programs that opted in and the import library otherwise.
#
# MSVC has this built in (/DELAYLOAD). For 32-bit MinGW the binding is
# generated from the import libraries (cmake/lazy).

# In this order: a function two import libraries list is bound by the first.
set(TARVIK_LAZY_LIBRARIES advapi32 user32 shlwapi shell32 dbghelp powrprof)
set(TARVIK_LAZY_GENERATED OFF)

if(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    enable_language(ASM)
    find_program(TARVIK_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm REQUIRED)
    add_library(tarvik_lazy_resolver STATIC ${CMAKE_SOURCE_DIR}/cmake/lazy/lazy_import_resolver.cpp)
    tarvik_warnings(tarvik_lazy_resolver)
    set(earlier "")
    foreach(lib ${TARVIK_LAZY_LIBRARIES})
        find_library(TARVIK_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED)
        string(REPLACE ";" "|" earlier_text "${earlier}")
        set(out ${CMAKE_BINARY_DIR}/lazy/lazy_${lib}.s)
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -DNM=${TARVIK_NM} -DIMPORT_LIB=${TARVIK_IMPORT_LIB_${lib}}
                    -DDLL=${lib}.dll -DOUTPUT=${out} "-DEXCLUDE_LIBS=${earlier_text}"
                    -P ${CMAKE_SOURCE_DIR}/cmake/lazy/MakeLazyImports.cmake
            DEPENDS ${CMAKE_SOURCE_DIR}/cmake/lazy/MakeLazyImports.cmake ${TARVIK_IMPORT_LIB_${lib}}
                    ${earlier}
            COMMENT "Lazy binding for ${lib}.dll"
            VERBATIM)
        add_library(tarvik_lazy_${lib} STATIC ${out})
        target_link_libraries(tarvik_lazy_${lib} PUBLIC tarvik_lazy_resolver)
        list(APPEND earlier ${TARVIK_IMPORT_LIB_${lib}})
    endforeach()
    set(TARVIK_LAZY_GENERATED ON)
endif()

# Links the system library `lib` to `target` for everything that uses it.
function(tarvik_system_library target lib)
    if(TARVIK_LAZY_GENERATED)
        target_link_libraries(${target} PUBLIC
            $<IF:$<BOOL:$<TARGET_PROPERTY:TARVIK_LAZY_IMPORTS>>,tarvik_lazy_${lib},${lib}>)
    else()
        target_link_libraries(${target} PUBLIC ${lib})
    endif()
endfunction()

# Makes the program `target` bind the libraries above at their first use.
function(tarvik_lazy_imports target)
    set_target_properties(${target} PROPERTIES TARVIK_LAZY_IMPORTS ON)
    if(TARVIK_LAZY_GENERATED)
        foreach(lib ${TARVIK_LAZY_LIBRARIES})
            add_dependencies(${target} tarvik_lazy_${lib})
        endforeach()
    elseif(MSVC)
        foreach(lib ${TARVIK_LAZY_LIBRARIES})
            target_link_options(${target} PRIVATE /DELAYLOAD:${lib}.dll)
        endforeach()
        target_link_libraries(${target} PRIVATE delayimp)
    endif()
endfunction()
