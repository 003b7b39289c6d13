# What the native gateway exports to the objects it loads: exactly the runtime's functions
# and data, listed for the linker from their QMT_RUNTIME_EXPORT declarations in the public
# header (generated in the build, so the list cannot drift from the header).
if(NOT QMT_WINDOWS)
    set(QMT_EXPORTS_HEADER ${CMAKE_SOURCE_DIR}/include/quillmate/com_abi.h)
    set(QMT_EXPORTS_LIST ${CMAKE_BINARY_DIR}/generated/exports.list)
    add_custom_command(
        OUTPUT ${QMT_EXPORTS_LIST}
        COMMAND ${CMAKE_COMMAND} -DHEADER=${QMT_EXPORTS_HEADER} -DLIST=${QMT_EXPORTS_LIST}
                -P ${CMAKE_SOURCE_DIR}/cmake/generate_exports.cmake
        DEPENDS ${QMT_EXPORTS_HEADER} ${CMAKE_SOURCE_DIR}/cmake/generate_exports.cmake
        COMMENT "Generating the list of the runtime's exported symbols")
    add_custom_target(qmt_exports DEPENDS ${QMT_EXPORTS_LIST})
endif()

# qmt_export_runtime(target): the executable hands the runtime's functions (and only those)
# to the shared libraries it loads. Windows executables export nothing: objects there use
# the system's runtime.
function(qmt_export_runtime target)
    if(NOT QMT_WINDOWS)
        add_dependencies(${target} qmt_exports)
        target_link_options(${target} PRIVATE "-Wl,--dynamic-list=${QMT_EXPORTS_LIST}")
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${QMT_EXPORTS_LIST})
    endif()
endfunction()
