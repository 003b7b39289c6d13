# What `cmake --install` puts in place for running the gateway (component `gateway`): the
# gateway, the sample object with its templates and data, the documentation and, natively,
# a registry that knows the sample and allows only it. Paths are relative to the prefix:
#
#   native                                         Windows (the .zip's top folder)
#   lib/cgi-bin/quillmate                          quillmate.exe
#   lib/quillmate/samples/shop_catalog/            samples/shop_catalog/
#   share/doc/quillmate/                           doc/
#   etc/quillmate/registry/ (/etc/... for /usr)    (the system registry: see the README)
if(QMT_WINDOWS)
    set(QMT_INSTALL_GATEWAY_DIR .)
    set(QMT_INSTALL_SAMPLE_DIR samples/shop_catalog)
    set(QMT_INSTALL_DOC_DIR doc)
else()
    set(QMT_INSTALL_GATEWAY_DIR lib/cgi-bin)
    set(QMT_INSTALL_SAMPLE_DIR lib/quillmate/samples/shop_catalog)
    set(QMT_INSTALL_DOC_DIR share/doc/quillmate)
endif()

install(TARGETS quillmate RUNTIME DESTINATION ${QMT_INSTALL_GATEWAY_DIR} COMPONENT gateway)
install(TARGETS shop_catalog LIBRARY DESTINATION ${QMT_INSTALL_SAMPLE_DIR} RUNTIME DESTINATION ${QMT_INSTALL_SAMPLE_DIR}
        COMPONENT gateway)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/shop_catalog/files/ DESTINATION ${QMT_INSTALL_SAMPLE_DIR}
        COMPONENT gateway)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/shop-catalog-list.png
        DESTINATION ${QMT_INSTALL_DOC_DIR} COMPONENT gateway)

if(NOT QMT_WINDOWS)
    # The registry names the sample's library by its installed path, so it is written at
    # install time, when the prefix is known. Its root is the gateway's default for the prefix
    # /usr (/etc/quillmate/registry, as in the .deb), else <prefix>/etc/quillmate/registry.
    install(CODE "
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            set(registry /etc/quillmate/registry)
        else()
            set(registry \"\${CMAKE_INSTALL_PREFIX}/etc/quillmate/registry\")
        endif()
        set(staged \"${CMAKE_BINARY_DIR}/registry-staged\")
        file(REMOVE_RECURSE \"\${staged}\")
        set(classes \"\${staged}/HKEY_CLASSES_ROOT\")
        file(WRITE \"\${classes}/Shop.Catalog/CLSID/@\" \"{ABB7C773-C6EB-4B39-B235-B3F9C4458728}\\n\")
        file(WRITE \"\${classes}/CLSID/{ABB7C773-C6EB-4B39-B235-B3F9C4458728}/InprocServer32/@\"
             \"\${CMAKE_INSTALL_PREFIX}/${QMT_INSTALL_SAMPLE_DIR}/shop_catalog.so\\n\")
        file(WRITE \"\${staged}/HKEY_LOCAL_MACHINE/SOFTWARE/Quillmate/AllowedClasses/@\" \"Shop.Catalog\\n\")
        file(INSTALL \"\${staged}/\" DESTINATION \"\${registry}\")
    " COMPONENT gateway)
endif()
