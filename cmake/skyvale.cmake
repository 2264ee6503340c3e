# Shared build rules: warnings for our own code, sanitizers, and test/bench registration.

if(SKYVALE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SKYVALE_FUZZ needs clang (configure with CC=clang CXX=clang++)")
  endif()
  # Every library is instrumented for coverage; only the targets link the fuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(SKYVALE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# A shared build exports only what the public headers declare (they push default visibility).
if(BUILD_SHARED_LIBS)
  set(CMAKE_CXX_VISIBILITY_PRESET hidden)
  set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
endif()

# Our own targets get strict warnings; third-party headers come in as SYSTEM.
function(skyvale_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # The fuzz tree is another compiler's view of the same code: its warnings are not gating.
  if(NOT SKYVALE_FUZZ)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 reports std::string concatenation as overlapping memcpy at -O3 (a known false positive).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# A library room: every .cpp below DIR (recursively) except a process entry main.cpp, public
# headers in DIR/include (installed under include/skyvale). A room with no sources yet is an
# interface library. Library rooms follow BUILD_SHARED_LIBS; pass STATIC for the demo's own rooms.
function(skyvale_library name dir)
  cmake_parse_arguments(arg "STATIC" "" "" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(srcs)
    if(arg_STATIC)
      add_library(${name} STATIC ${srcs})
    else()
      add_library(${name} ${srcs})
    endif()
    target_include_directories(${name} PRIVATE ${dir})
    skyvale_warnings(${name})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  if(EXISTS ${dir}/include)
    target_include_directories(${name} ${scope} $<BUILD_INTERFACE:${dir}/include>
                               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/skyvale>)
  endif()
  set(SKYVALE_SCOPE ${scope} PARENT_SCOPE)
endfunction()

# The shared test suites sit beside the checkout; a worktree one level further down finds them
# one level further up.
set(SKYVALE_TESTDATA "${PROJECT_SOURCE_DIR}/../shared/testdata")
if(NOT EXISTS "${SKYVALE_TESTDATA}" AND EXISTS "${PROJECT_SOURCE_DIR}/../../shared/testdata")
  set(SKYVALE_TESTDATA "${PROJECT_SOURCE_DIR}/../../shared/testdata")
endif()

# One test executable per room: tests/ROOM/*.cpp, every test labelled ROOM.
function(skyvale_test_room room)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${room}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${room} ${srcs})
  target_link_libraries(test_${room} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(test_${room} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/common)
  target_compile_definitions(test_${room} PRIVATE
    SKYVALE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYVALE_TESTDATA_DIR="${SKYVALE_TESTDATA}"
    SKYVALE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  skyvale_warnings(test_${room})
  gtest_discover_tests(test_${room}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    PROPERTIES LABELS ${room}
    DISCOVERY_TIMEOUT 60)
endfunction()
