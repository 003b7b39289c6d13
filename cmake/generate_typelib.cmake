# cmake -DWIDL=widl -DIDL=qmtlib.idl -DINCLUDE=dir -DIMPORTS=dir -DOUTPUT=qmtlib.tlb -DCOPY=qmtlib.tlb
#       -P generate_typelib.cmake
# Builds the type library from the IDL and checks it against the copy that the native build
# carries. OUTPUT appears only when both agree, so a failed check fails every build after it.
cmake_policy(VERSION 3.25)
# widl records the time of its run in the library; a fixed time (and zone) makes the
# library the same bytes at every build.
set(ENV{WIDL_TIME_OVERRIDE} 0)
set(ENV{TZ} UTC)
set(built ${OUTPUT}.new)
execute_process(
    COMMAND ${WIDL} -t --win32 -I ${INCLUDE} -L ${IMPORTS} -o ${built} ${IDL}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "widl failed on ${IDL}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${built} ${COPY} RESULT_VARIABLE different)
if(NOT different EQUAL 0)
    message(FATAL_ERROR "${COPY} is not what ${IDL} gives. The native build carries that copy: "
                        "replace it with ${built} and commit both files together.")
endif()
file(RENAME ${built} ${OUTPUT})
