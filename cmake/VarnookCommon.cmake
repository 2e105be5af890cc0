# One INTERFACE target carries the language standard, the warnings and the common
# definitions; every target of ours links it.
add_library(varnook_common INTERFACE)
target_compile_features(varnook_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(varnook_common INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(
  varnook_common
  INTERFACE VARNOOK_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
            VARNOOK_VERSION_MINOR=${PROJECT_VERSION_MINOR}
            VARNOOK_VERSION_PATCH=${PROJECT_VERSION_PATCH}
            VARNOOK_VERSION_STRING="${PROJECT_VERSION}"
            QT_NO_CAST_FROM_ASCII
            QT_NO_CAST_TO_ASCII
            QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(VARNOOK_REPRODUCIBLE)
  # The build folder lies inside the source folder; the last matching map wins, so it comes last.
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

if(VARNOOK_SANITIZE)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "-fsanitize=address,undefined")
  set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=address,undefined")
  check_cxx_source_compiles("int main() { return 0; }" VARNOOK_HAVE_SANITIZERS)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(NOT VARNOOK_HAVE_SANITIZERS)
    message(FATAL_ERROR "VARNOOK_SANITIZE is on but the compiler cannot build with -fsanitize=address,undefined")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VARNOOK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VARNOOK_FUZZ needs clang (CXX=clang++)")
  endif()
  set(VARNOOK_GUI OFF CACHE BOOL "" FORCE)
  set(VARNOOK_BENCH OFF CACHE BOOL "" FORCE)
  set(VARNOOK_TESTS OFF CACHE BOOL "" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# varnook_add_gtest(NAME SOURCES... LIBS ...): a GoogleTest executable whose cases ctest runs one by one.
function(varnook_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE varnook_common GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# varnook_add_fuzzer(NAME SOURCES... LIBS ...): a libFuzzer target, built only with VARNOOK_FUZZ.
function(varnook_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE varnook_common ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
