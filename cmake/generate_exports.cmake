# cmake -DHEADER=com_abi.h -DLIST=exports.list -P generate_exports.cmake
# Writes the linker's dynamic list from the declarations marked QMT_RUNTIME_EXPORT in the
# public header, the one place that declares the runtime's exported functions and data.
cmake_policy(VERSION 3.25)
file(READ ${HEADER} text)
string(REGEX REPLACE "//[^\n]*" "" text "${text}") # comments may mention the marker
string(REGEX REPLACE "#[^\n]*" "" text "${text}") # so does the marker's own definition
string(REGEX MATCHALL "QMT_RUNTIME_EXPORT[^;(]+" declarations "${text}")
set(names "")
foreach(declaration IN LISTS declarations)
    # The declared name is the last word before the parameters or the semicolon.
    if(NOT declaration MATCHES "([A-Za-z_][A-Za-z0-9_]*)[ \t\r\n]*$")
        message(FATAL_ERROR "cannot find the name in: ${declaration}")
    endif()
    if(CMAKE_MATCH_1 IN_LIST names)
        message(FATAL_ERROR "${CMAKE_MATCH_1} is declared for export twice in ${HEADER}")
    endif()
    list(APPEND names ${CMAKE_MATCH_1})
endforeach()
if(names STREQUAL "")
    message(FATAL_ERROR "no QMT_RUNTIME_EXPORT declaration in ${HEADER}")
endif()
set(list "/* Generated from include/quillmate/com_abi.h: the runtime's exported symbols. */\n{\n")
foreach(name IN LISTS names)
    string(APPEND list "    ${name};\n")
endforeach()
string(APPEND list "};\n")
file(WRITE ${LIST} "${list}")
