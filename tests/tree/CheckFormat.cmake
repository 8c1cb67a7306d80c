# Fails when a C++ file under src/, tests/ or bench/ is not in the project's format; clang-format
# names each file and line that differ.
file(GLOB_RECURSE _files LIST_DIRECTORIES false
  ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
  ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
  ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
  ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
list(LENGTH _files _count)
if(_count EQUAL 0)
  message(FATAL_ERROR "no sources found under ${SOURCE_DIR}")
endif()
execute_process(COMMAND ${CLANG_FORMAT} --style=file --dry-run -Werror ${_files}
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "files above are not formatted: run clang-format-14 -i on them")
endif()
message(STATUS "${_count} files formatted")
