# quillmate_add_object(<target> <source>... [CXX_RUNTIME STATIC|NONE])
#
# Builds an object library (an in-process server) the recommended way:
#   - natively `<target>.so`, exporting only DllGetClassObject, DllCanUnloadNow,
#     DllRegisterServer and DllUnregisterServer (a version script hides everything else); the
#     runtime's functions (SysAllocString, ...) stay undefined: the gateway supplies them;
#   - on Windows (MinGW-w64) `<target>.dll`, exporting what QMT_SERVE marks, undecorated on
#     32-bit, with its C and C++ runtimes linked in (no extra DLLs);
#   - never depending on the shared C++ runtime. It is loaded once per request, and each
#     request pays for every shared library it loads. Measured with bench/request_cost (a GET
#     whose object writes 1 KB, median wall time against a minimal C program writing the same
#     bytes): an object using the shared C++ runtime costs about 2 times the C program (0.6 to
#     0.7 ms more per request, peak memory 2.7 MiB against 1.1); the same object with the
#     runtime linked statically 1.23 times; without the C++ runtime 1.12 times.
#
# CXX_RUNTIME STATIC (the default) links the C++ runtime into the library, hidden: any C++
# code works. CXX_RUNTIME NONE links none at all and builds without exceptions and type
# information: the cheapest, for objects that use only the SDK's headers (which need nothing
# of the C++ runtime); a stray use of it stays undefined and the library then fails to load
# (quillmate-register check names the symbol).
#
# Needs the target Quillmate::headers (find_package(Quillmate) makes it).
set_property(GLOBAL PROPERTY QUILLMATE_OBJECT_MAP "${CMAKE_CURRENT_LIST_DIR}/quillmate_object.map")

function(quillmate_add_object target)
    cmake_parse_arguments(PARSE_ARGV 1 object "" "CXX_RUNTIME" "")
    if(NOT object_CXX_RUNTIME)
        set(object_CXX_RUNTIME STATIC)
    endif()
    if(NOT object_CXX_RUNTIME MATCHES "^(STATIC|NONE)$")
        message(FATAL_ERROR "quillmate_add_object(${target}): CXX_RUNTIME is STATIC or NONE, not ${object_CXX_RUNTIME}")
    endif()
    if(NOT object_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "quillmate_add_object(${target}): no source files")
    endif()

    add_library(${target} MODULE ${object_UNPARSED_ARGUMENTS})
    target_link_libraries(${target} PRIVATE Quillmate::headers)
    target_compile_features(${target} PRIVATE cxx_std_20)
    set_target_properties(${target} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    if(object_CXX_RUNTIME STREQUAL "NONE")
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)
    endif()

    if(WIN32)
        target_link_libraries(${target} PRIVATE oleaut32 ole32 uuid advapi32)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            # The entry points are stdcall: exported as DllGetClassObject, not DllGetClassObject@12.
            target_link_options(${target} PRIVATE -Wl,--kill-at)
        endif()
        return()
    endif()

    get_property(map GLOBAL PROPERTY QUILLMATE_OBJECT_MAP)
    target_link_options(${target} PRIVATE "-Wl,--version-script=${map}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${map}")
    if(object_CXX_RUNTIME STREQUAL "NONE")
        # Linked by the C driver: nothing of the C++ runtime is linked, statically or not.
        set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
    else()
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL)
    endif()
endfunction()
