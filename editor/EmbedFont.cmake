# Turns the font file into a C++ array at build time, so the editor carries
# its typeface without the repository carrying the file.
#   cmake -DINPUT=<font> -DOUTPUT=<source> -DNAME=<symbol> -P EmbedFont.cmake
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
string(REPEAT "0x..," 24 row)
string(REGEX REPLACE "(${row})" "\\1\n" hex "${hex}")
file(SIZE ${INPUT} size)
file(WRITE ${OUTPUT}.new
  "// Generated from ${INPUT} at build time.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${NAME}[] = {\n${hex}\n};\n"
  "extern const size_t ${NAME}Size = ${size};\n")
file(RENAME ${OUTPUT}.new ${OUTPUT})
