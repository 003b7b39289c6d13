# The message table comes from src/report/messages.txt alone: the build generates the
# Windows string-table script, the native build's rows and the numbers header from it. The
# report layer owns the generated files; they are included as "report/...".
set(QMT_MESSAGES_SOURCE ${CMAKE_SOURCE_DIR}/src/report/messages.txt)
set(QMT_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(QMT_MESSAGES_RC ${QMT_GENERATED_DIR}/messages.rc)
set(QMT_MESSAGES_ROWS ${QMT_GENERATED_DIR}/report/message_rows.inc)
set(QMT_MESSAGES_NUMBERS ${QMT_GENERATED_DIR}/report/message_numbers.h)

add_custom_command(
    OUTPUT ${QMT_MESSAGES_RC} ${QMT_MESSAGES_ROWS} ${QMT_MESSAGES_NUMBERS}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${QMT_MESSAGES_SOURCE} -DRC=${QMT_MESSAGES_RC} -DROWS=${QMT_MESSAGES_ROWS}
            -DNUMBERS=${QMT_MESSAGES_NUMBERS} -P ${CMAKE_SOURCE_DIR}/cmake/generate_messages.cmake
    DEPENDS ${QMT_MESSAGES_SOURCE} ${CMAKE_SOURCE_DIR}/cmake/generate_messages.cmake
    COMMENT "Generating the message table")
add_custom_target(qmt_messages DEPENDS ${QMT_MESSAGES_RC} ${QMT_MESSAGES_ROWS} ${QMT_MESSAGES_NUMBERS})
