# Packages (cpack in a build folder, written to <build>/packages): a .deb for the native
# build, a .zip for each Windows build. They carry everything `cmake --install` installs.
set(CPACK_PACKAGE_NAME quillmate)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR Quillmate)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CGI gateway that hands each request to an in-process automation object")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(QMT_WINDOWS)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(CPACK_SYSTEM_NAME win32)
    else()
        set(CPACK_SYSTEM_NAME win64)
    endif()
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmate developers <quillmate@localhost>")
    set(CPACK_DEBIAN_PACKAGE_SECTION web)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lighttpd | apache2 | fcgiwrap")
    # The registry is the operator's to change: an upgrade keeps their version.
    set(conffiles ${CMAKE_BINARY_DIR}/packaging/conffiles)
    file(WRITE ${conffiles}
         "/etc/quillmate/registry/HKEY_CLASSES_ROOT/Shop.Catalog/CLSID/@\n"
         "/etc/quillmate/registry/HKEY_CLASSES_ROOT/CLSID/{ABB7C773-C6EB-4B39-B235-B3F9C4458728}/InprocServer32/@\n"
         "/etc/quillmate/registry/HKEY_LOCAL_MACHINE/SOFTWARE/Quillmate/AllowedClasses/@\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${conffiles})
endif()

include(CPack)
