# The type library QMTLib comes from src/typelib/qmtlib.idl alone, built by widl. The native
# build carries the copy checked in beside it (src/typelib/qmtlib.tlb), so that building it
# needs no widl and no Wine headers; the Windows builds, which have both, build the library
# from the IDL, carry that, and fail when the checked-in copy differs from it.
#
# qmt_carry_type_library(target) makes an executable carry the library: the resource
# TYPELIB 1 (language neutral) on Windows, the content of the ELF section ".typelib" natively.
set(QMT_TYPELIB_IDL ${CMAKE_SOURCE_DIR}/src/typelib/qmtlib.idl)
set(QMT_TYPELIB_COPY ${CMAKE_SOURCE_DIR}/src/typelib/qmtlib.tlb)
file(MAKE_DIRECTORY ${QMT_GENERATED_DIR}/typelib)

if(QMT_WINDOWS)
    find_program(QMT_WIDL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-widl x86_64-w64-mingw32-widl REQUIRED)
    # oaidl.idl comes with libwine-dev, stdole2.tlb with Wine.
    find_path(QMT_WIDL_INCLUDE oaidl.idl PATHS /usr/include/wine/wine/windows NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    find_path(QMT_STDOLE_DIR stdole2.tlb
              PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(QMT_TYPELIB ${QMT_GENERATED_DIR}/typelib/qmtlib.tlb)
    add_custom_command(
        OUTPUT ${QMT_TYPELIB}
        COMMAND ${CMAKE_COMMAND} -DWIDL=${QMT_WIDL} -DIDL=${QMT_TYPELIB_IDL} -DINCLUDE=${QMT_WIDL_INCLUDE}
                -DIMPORTS=${QMT_STDOLE_DIR} -DOUTPUT=${QMT_TYPELIB} -DCOPY=${QMT_TYPELIB_COPY}
                -P ${CMAKE_SOURCE_DIR}/cmake/generate_typelib.cmake
        DEPENDS ${QMT_TYPELIB_IDL} ${QMT_TYPELIB_COPY} ${CMAKE_SOURCE_DIR}/cmake/generate_typelib.cmake
        COMMENT "Building the type library from qmtlib.idl")
    set(QMT_TYPELIB_CARRIER ${QMT_GENERATED_DIR}/typelib/qmtlib.rc)
    file(WRITE ${QMT_TYPELIB_CARRIER}.in "// Generated: the type library as resource TYPELIB 1, language neutral.\n"
                                         "LANGUAGE 0, 0\n1 TYPELIB \"${QMT_TYPELIB}\"\n")
else()
    set(QMT_TYPELIB ${QMT_TYPELIB_COPY})
    set(QMT_TYPELIB_CARRIER ${QMT_GENERATED_DIR}/typelib/carried_library.cpp)
    # Kept by the linker and by strip ("R"), never loaded ("" flags): LoadTypeLib reads the file.
    file(WRITE ${QMT_TYPELIB_CARRIER}.in
         "// Generated: the type library as the content of the ELF section \".typelib\".\n"
         "__asm__(\".pushsection .typelib,\\\"R\\\",@progbits\\n.incbin \\\"${QMT_TYPELIB}\\\"\\n.popsection\\n\");\n")
endif()
configure_file(${QMT_TYPELIB_CARRIER}.in ${QMT_TYPELIB_CARRIER} COPYONLY)
add_custom_target(qmt_type_library DEPENDS ${QMT_TYPELIB})

function(qmt_carry_type_library target)
    target_sources(${target} PRIVATE ${QMT_TYPELIB_CARRIER})
    set_property(SOURCE ${QMT_TYPELIB_CARRIER} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${QMT_TYPELIB})
    add_dependencies(${target} qmt_type_library)
endfunction()
