# Generates, from src/report/messages.txt, the Windows string-table script and the native
# build's table, so that both builds carry the same texts.
set(QMT_MESSAGES_SOURCE ${CMAKE_SOURCE_DIR}/src/report/messages.txt)
set(QMT_MESSAGES_RC ${CMAKE_BINARY_DIR}/generated/messages.rc)
set(QMT_MESSAGES_INC ${CMAKE_BINARY_DIR}/generated/message_rows.inc)

add_custom_command(
    OUTPUT ${QMT_MESSAGES_RC} ${QMT_MESSAGES_INC}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${QMT_MESSAGES_SOURCE} -DRC=${QMT_MESSAGES_RC} -DINC=${QMT_MESSAGES_INC}
            -P ${CMAKE_SOURCE_DIR}/cmake/generate_messages.cmake
    DEPENDS ${QMT_MESSAGES_SOURCE} ${CMAKE_SOURCE_DIR}/cmake/generate_messages.cmake
    COMMENT "Generating the message table")
add_custom_target(qmt_messages DEPENDS ${QMT_MESSAGES_RC} ${QMT_MESSAGES_INC})
