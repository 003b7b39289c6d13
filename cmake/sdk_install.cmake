# The install of the SDK for object authors (component `sdk`): the public headers, the CMake
# package (find_package(Quillmate), quillmate_add_object) and, natively, the registration
# tool. Kept apart from the install of the gateway and the samples.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QMT_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillmate)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quillmate DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT sdk
        FILES_MATCHING PATTERN "*.h")

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/sdk/QuillmateConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/sdk/QuillmateConfig.cmake
                              INSTALL_DESTINATION ${QMT_PACKAGE_DIR}
                              PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_BINDIR)
# The SDK's version is the type library's: QMTLib 1.0.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/sdk/QuillmateConfigVersion.cmake
                                 VERSION 1.0 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/sdk/QuillmateConfig.cmake ${CMAKE_BINARY_DIR}/sdk/QuillmateConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/sdk/QuillmateObject.cmake ${PROJECT_SOURCE_DIR}/cmake/sdk/quillmate_object.map
        DESTINATION ${QMT_PACKAGE_DIR} COMPONENT sdk)

if(TARGET quillmate-register)
    install(TARGETS quillmate-register RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sdk)
endif()
