# Native build: core tests (optionally under AddressSanitizer and
# UndefinedBehaviorSanitizer), benchmarks and, with clang, fuzz targets.

option(VUV_SANITIZE "Build the core and its tests with ASan and UBSan" OFF)
if(VUV_SANITIZE)
  set(VUV_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(vuvcore PRIVATE ${VUV_SAN_FLAGS})
  target_link_options(vuvcore PUBLIC ${VUV_SAN_FLAGS})
endif()

# The core's work queue is used across threads, and its tests start some.
find_package(Threads REQUIRED)
target_link_libraries(vuvcore PUBLIC Threads::Threads)

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB_RECURSE VUV_NATIVE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/core/*_test.cpp)
if(VUV_NATIVE_TESTS)
  add_executable(vuv_core_tests ${VUV_NATIVE_TESTS})
  target_link_libraries(vuv_core_tests PRIVATE vuvcore GTest::gtest_main)
  target_include_directories(vuv_core_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(vuv_core_tests PRIVATE ${VUV_WARNINGS})
  if(VUV_SANITIZE)
    target_compile_options(vuv_core_tests PRIVATE ${VUV_SAN_FLAGS})
  endif()
  gtest_discover_tests(vuv_core_tests DISCOVERY_TIMEOUT 60)
endif()

# The layering of src/ (common <- link <- features <- app): an include that
# runs against it fails this test, as windows.h in the core fails the build.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME layering COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/layers.py --check)
  # The Python client of the automation interface, against a fake panel.
  add_test(NAME python_client COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${PROJECT_SOURCE_DIR}/tests/python -p "test_*.py")
  set_tests_properties(python_client PROPERTIES TIMEOUT 120)
endif()

# Benchmarks: programs that print figures, never tests.
file(GLOB VUV_NATIVE_BENCHES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/native/*.cpp)
foreach(src ${VUV_NATIVE_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE vuvcore)
  target_compile_options(${name} PRIVATE ${VUV_WARNINGS})
endforeach()

# Fuzz targets need clang's libFuzzer.
option(VUV_FUZZ "Build libFuzzer targets (clang only)" OFF)
if(VUV_FUZZ)
  # The core is instrumented too, or libFuzzer sees only the coverage of the
  # thin target files and cannot steer into the parsers.
  target_compile_options(vuvcore PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(vuvcore PUBLIC -fsanitize=address,undefined)
  file(GLOB VUV_FUZZERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(src ${VUV_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vuvcore)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
endif()

# The fuzz targets' crash inputs (fuzz/regressions/<target>/) and seeds
# (fuzz/corpus/<target>/), replayed as tests through a plain driver instead of
# libFuzzer, so any compiler runs them, under the sanitizers when asked.
if(NOT VUV_FUZZ)
  file(GLOB VUV_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(src ${VUV_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" target ${name})
    add_executable(${name}_replay ${src} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE vuvcore)
    target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(${name}_replay PRIVATE ${VUV_WARNINGS})
    if(VUV_SANITIZE)
      target_compile_options(${name}_replay PRIVATE ${VUV_SAN_FLAGS})
    endif()
    add_test(NAME fuzz_replay.${target} COMMAND ${name}_replay
      ${PROJECT_SOURCE_DIR}/fuzz/regressions/${target} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target})
  endforeach()
endif()
