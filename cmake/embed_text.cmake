# Turns a text file into a C++ source defining `const std::string_view <SYMBOL>` in namespace <NAMESPACE>.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -DNAMESPACE=... -P embed_text.cmake
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
# Hex bytes rather than a raw string literal: the data may contain any character sequence.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE ${OUTPUT}.tmp
"// Generated from ${INPUT}; do not edit.
#include <string_view>
namespace ${NAMESPACE} {
namespace { const char ${SYMBOL}_data[] = {${bytes} '\\0'}; }
extern const std::string_view ${SYMBOL}(${SYMBOL}_data, ${byte_count});
}
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
