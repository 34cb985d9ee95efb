# Helpers shared by every folder: one place for flags, output folders and test registration.

# Every deliverable lands in one run directory per build tree.
set(ZUVO_RUN_DIR ${CMAKE_BINARY_DIR}/run)
set(ZUVO_PLUGIN_DIR ${ZUVO_RUN_DIR}/libzpl)

option(ZUVO_TESTS "Build the test programs" ON)

add_library(zuvo_options INTERFACE)
# Sources are UTF-8; every Chinese literal must be GBK at run time. clang knows no other
# execution character set than UTF-8, so the clang-only fuzz build keeps UTF-8 literals:
# it looks for crashes and hangs, which do not depend on the literals' bytes.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(zuvo_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=GBK>)
endif()
target_compile_options(zuvo_options INTERFACE -Wall -Wextra $<$<BOOL:${ZUVO_WERROR}>:-Werror>)
target_compile_features(zuvo_options INTERFACE cxx_std_17)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(zuvo_options INTERFACE -Wthread-safety)
endif()
if(WIN32)
  target_compile_definitions(zuvo_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# zuvo_library(name SOURCES...) : a static library of our own code.
function(zuvo_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC zuvo_options)
endfunction()

# zuvo_test(name SOURCES... LIBS ...) : one GoogleTest program.
# Natively every case is its own ctest test; under Wine a process start costs about a
# second, so there the whole program is one test run through the emulator.
function(zuvo_test name)
  if(NOT ZUVO_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zuvo_options GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30)
  endif()
endfunction()

# zuvo_shared_library(name DEF file.def SOURCES...) : a DLL whose export list is its .def file.
function(zuvo_shared_library name)
  cmake_parse_arguments(ARG "" "DEF;OUTPUT_NAME" "SOURCES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zuvo_options)
  set_target_properties(${name} PROPERTIES
    PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${ZUVO_RUN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${ZUVO_RUN_DIR})
  if(WIN32)
    # The .def names are the contract: undecorated even for __stdcall on 32-bit.
    target_sources(${name} PRIVATE ${ARG_DEF})
    target_link_options(${name} PRIVATE -Wl,--kill-at)
  else()
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
    set_target_properties(${name} PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden)
  endif()
endfunction()

# zuvo_fuzzer(name SOURCE LIBS ...) : a libFuzzer target, part of the zuvo_fuzzers target.
function(zuvo_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zuvo_options)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  if(NOT TARGET zuvo_fuzzers)
    add_custom_target(zuvo_fuzzers)
  endif()
  add_dependencies(zuvo_fuzzers ${name})
endfunction()

# The 64-bit Windows tree runs its tests under wine64 through a wrapper that owns the prefix.
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# zuvo_sim_test(name SOURCES... LIBS ...) : a test program that talks to the service
# simulator. Always one ctest test, run through tools/with-sim, which starts a fresh
# simulator on a free port and stops it afterwards.
function(zuvo_sim_test name)
  if(NOT ZUVO_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zuvo_test_support zuvo_options GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tools/with-sim ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
endfunction()

# zuvo_benchmark(name SOURCES... LIBS ...) : a Google Benchmark program in build/<tree>/bench.
# Native only, and not a test: speed goals are read from its figures, never asserted.
function(zuvo_benchmark name)
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zuvo_options benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
