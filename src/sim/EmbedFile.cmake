# cmake -DINPUT=file -DOUTPUT=source.cpp -P EmbedFile.cmake: the file's bytes as kov::SampleDocumentText().
file(READ "${INPUT}" _hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n" _bytes "${_bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}.\n#include \"sim/SampleDocument.h\"\n\nnamespace kov {\nnamespace {\nconst char kBytes[] = {\n${_bytes}'\\0'};\n}\nstd::string SampleDocumentText() { return std::string(kBytes, sizeof kBytes - 1); }\n} // namespace kov\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
