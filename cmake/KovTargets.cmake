# Common compile settings for every target of the project.
add_library(kov_options INTERFACE)
target_compile_options(kov_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
  -Wno-missing-field-initializers)
if(KOV_WERROR)
  target_compile_options(kov_options INTERFACE -Werror)
endif()
if(KOV_SANITIZE)
  target_compile_options(kov_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(kov_options INTERFACE -fsanitize=address,undefined)
endif()
if(KOV_FUZZ)
  # Coverage for libFuzzer in every library; the fuzz binaries link the fuzzer's main.
  target_compile_options(kov_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
target_include_directories(kov_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# kov_layer(NAME DEPS...): one static library per layer directory, built from every source in it.
function(kov_layer name)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_srcs)
    add_library(kov_${name} STATIC ${_srcs})
    target_link_libraries(kov_${name} PUBLIC kov_options ${ARGN})
  else()
    # A layer with headers only (or none yet) still gives dependants its settings.
    add_library(kov_${name} INTERFACE)
    target_link_libraries(kov_${name} INTERFACE kov_options ${ARGN})
  endif()
endfunction()

# kov_test(NAME DEPS...): one GoogleTest executable per test directory.
function(kov_test name)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(test_${name} ${_srcs})
  target_link_libraries(test_${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_${name} PRIVATE KOV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KOV_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
