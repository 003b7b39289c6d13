# cmake -DINPUT=file -DOUTPUT=header -DNAME=identifier -P embed_bytes.cmake: the file's bytes
# as a C array `NAME` and its length `NAME_size`, for a program that must write exactly them.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
file(WRITE ${OUTPUT} "/* Generated from ${INPUT} by cmake/embed_bytes.cmake. */\n"
                     "static unsigned char const ${NAME}[] = {${bytes}};\n"
                     "static unsigned long const ${NAME}_size = ${size};\n")
