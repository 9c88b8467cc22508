# The bytes of a file as a C++ array, written at build time:
#   cmake -DINPUT=arm.desc -DOUTPUT=arm_descriptor.cpp -DNAME=ARM_DESCRIPTOR_SET
#         -DHEADER=proto/arm_descriptor.h -P embed_bytes.cmake
# defines NAME (the bytes) and NAME_SIZE (their count), as HEADER declares them.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}.new
     "// Written at build time from ${INPUT}; do not edit.\n"
     "#include \"${HEADER}\"\n\n"
     "const unsigned char ${NAME}[] = {${bytes}};\n"
     "const size_t ${NAME}_SIZE = ${size};\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
