# Windows build (MinGW-w64): the Win32 layer, vuv.exe, the stand-in browser
# and the tests that run under Wine.

enable_language(RC)

set(VUV_WIN_DEFS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

file(GLOB_RECURSE VUV_WIN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*_win.cpp)
list(FILTER VUV_WIN_SOURCES EXCLUDE REGEX "winmain_win\\.cpp$")

add_library(vuvwin STATIC ${VUV_WIN_SOURCES})
target_link_libraries(vuvwin PUBLIC vuvcore bcrypt comctl32 comdlg32 shell32 shlwapi ole32 uuid imm32 uxtheme gdi32 user32 kernel32)
target_compile_definitions(vuvwin PUBLIC ${VUV_WIN_DEFS})
target_compile_options(vuvwin PRIVATE ${VUV_WARNINGS})
# The version the automation interface reports.
target_compile_definitions(vuvwin PRIVATE VUV_PROJECT_VERSION="${PROJECT_VERSION}")
target_compile_definitions(vuvcore PUBLIC ${VUV_WIN_DEFS})
# Asio's sockets (the automation interface).
target_link_libraries(vuvcore PUBLIC ws2_32 mswsock)

# The Redis client library (hiredis 1.2.0, Debian 13's source package),
# fetched into build/third_party at configure time by
# scripts/fetch-hiredis.sh and built here with this build's toolchain.
include(ExternalProject)
set(VUV_HIREDIS_SOURCE ${PROJECT_SOURCE_DIR}/build/third_party/hiredis-1.2.0)
if(NOT EXISTS ${VUV_HIREDIS_SOURCE}/hiredis.h)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/fetch-hiredis.sh ${PROJECT_SOURCE_DIR}/build/third_party
                  RESULT_VARIABLE vuv_fetch_result OUTPUT_QUIET)
  if(NOT vuv_fetch_result EQUAL 0)
    message(FATAL_ERROR "scripts/fetch-hiredis.sh could not fetch the Redis client library")
  endif()
endif()
set(VUV_HIREDIS_PREFIX ${CMAKE_BINARY_DIR}/third_party/hiredis)
ExternalProject_Add(hiredis_build
  SOURCE_DIR ${VUV_HIREDIS_SOURCE}
  PREFIX ${VUV_HIREDIS_PREFIX}
  INSTALL_DIR ${VUV_HIREDIS_PREFIX}/install
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
             -DBUILD_SHARED_LIBS=OFF -DDISABLE_TESTS=ON -DENABLE_SSL=OFF
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
             -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
  BUILD_BYPRODUCTS ${VUV_HIREDIS_PREFIX}/install/lib/libhiredis.a
  UPDATE_COMMAND "" DOWNLOAD_COMMAND "")
file(MAKE_DIRECTORY ${VUV_HIREDIS_PREFIX}/install/include)
add_library(hiredis STATIC IMPORTED GLOBAL)
set_target_properties(hiredis PROPERTIES
  IMPORTED_LOCATION ${VUV_HIREDIS_PREFIX}/install/lib/libhiredis.a
  INTERFACE_INCLUDE_DIRECTORIES ${VUV_HIREDIS_PREFIX}/install/include
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32")
add_dependencies(hiredis hiredis_build)
target_link_libraries(vuvwin PUBLIC hiredis)

add_executable(vuv WIN32 src/app/winmain_win.cpp resources/vuv.rc)
target_link_libraries(vuv PRIVATE vuvwin)
target_compile_options(vuv PRIVATE ${VUV_WARNINGS})
target_link_options(vuv PRIVATE -municode)

# The stand-in browser: a test peer that plays the browser's side.
file(GLOB VUV_STANDIN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/standin/*.cpp)
if(VUV_STANDIN_SOURCES)
  add_executable(lxbr WIN32 ${VUV_STANDIN_SOURCES})
  target_link_libraries(lxbr PRIVATE vuvwin)
  target_compile_options(lxbr PRIVATE ${VUV_WARNINGS})
  target_link_options(lxbr PRIVATE -municode)
endif()

# A probe for scripts/run.sh: waits until the running panel has listed the
# expected browsers and painted its window, and says what it checked.
add_executable(vuvprobe tools/probe/probe_main.cpp)
target_link_libraries(vuvprobe PRIVATE vuvwin)
target_compile_options(vuvprobe PRIVATE ${VUV_WARNINGS})
target_link_options(vuvprobe PRIVATE -mconsole -municode)

# GoogleTest built from Debian's sources with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Tests run under Wine when cross-built (scripts/wine-exec needs DISPLAY; a
# persistent wineserver, "wineserver -p", saves its start-up on every test).
set(VUV_WINE_EXEC ${PROJECT_SOURCE_DIR}/scripts/wine-exec)
# Each test program ends itself when one test runs past 200 s
# (tests/e2e/watchdog.cpp), naming the test; ctest's limit is the backstop
# for a program that could not, well below the whole run's length.
set(VUV_WINE_TEST_TIMEOUT 240)

# Windows-side tests: the channel and other Win32 pieces, in-process.
file(GLOB_RECURSE VUV_WIN_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*_test.cpp)
if(VUV_WIN_TESTS)
  add_executable(vuv_win_tests ${VUV_WIN_TESTS} tests/e2e/watchdog.cpp)
  target_link_libraries(vuv_win_tests PRIVATE vuve2e gtest_main)
  target_include_directories(vuv_win_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(vuv_win_tests PRIVATE ${VUV_WARNINGS})
  target_link_options(vuv_win_tests PRIVATE -mconsole)
  set_property(TARGET vuv_win_tests PROPERTY CROSSCOMPILING_EMULATOR ${VUV_WINE_EXEC})
  # Tests are listed from the sources: listing them by running the program
  # would start Wine once more per program, and a cold Wine can take minutes.
  gtest_add_tests(TARGET vuv_win_tests TEST_LIST VUV_WIN_TEST_LIST)
  set_tests_properties(${VUV_WIN_TEST_LIST} PROPERTIES RESOURCE_LOCK wine TIMEOUT ${VUV_WINE_TEST_TIMEOUT})
endif()

# End-to-end tests: drive the real vuv.exe and stand-in browsers from outside.
# The harness (the panel, stand-ins and controls of other processes) is a
# library of its own: the benchmarks that drive the real panel use it too.
add_library(vuve2e STATIC tests/e2e/harness.cpp)
target_link_libraries(vuve2e PUBLIC vuvwin psapi)
# tools/ for standin/protocol.h, shared with the stand-in browser.
target_include_directories(vuve2e PUBLIC ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tools)
target_compile_options(vuve2e PRIVATE ${VUV_WARNINGS})

file(GLOB_RECURSE VUV_E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*_test.cpp)
if(VUV_E2E_TESTS)
  add_executable(vuv_e2e_tests ${VUV_E2E_TESTS} tests/e2e/watchdog.cpp)
  target_link_libraries(vuv_e2e_tests PRIVATE vuve2e gtest_main)
  target_compile_options(vuv_e2e_tests PRIVATE ${VUV_WARNINGS})
  target_compile_definitions(vuv_e2e_tests PRIVATE VUV_EXE_NAME=L"vuv.exe" VUV_STANDIN_NAME=L"lxbr.exe")
  add_dependencies(vuv_e2e_tests vuv lxbr)
  set_property(TARGET vuv_e2e_tests PROPERTY CROSSCOMPILING_EMULATOR ${VUV_WINE_EXEC})
  gtest_add_tests(TARGET vuv_e2e_tests TEST_LIST VUV_E2E_TEST_LIST)
  set_tests_properties(${VUV_E2E_TEST_LIST} PROPERTIES RESOURCE_LOCK wine TIMEOUT ${VUV_WINE_TEST_TIMEOUT})
endif()

# Shared-queue tests: the real panel and stand-ins against a Redis server
# that scripts/with-redis starts for each test program on a free loopback
# port (VUV_REDIS_PORT) and stops when it ends.
file(GLOB_RECURSE VUV_QUEUE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/queue/*_test.cpp)
if(VUV_QUEUE_TESTS)
  add_executable(vuv_queue_tests ${VUV_QUEUE_TESTS} tests/e2e/watchdog.cpp)
  target_link_libraries(vuv_queue_tests PRIVATE vuve2e gtest_main)
  target_compile_options(vuv_queue_tests PRIVATE ${VUV_WARNINGS})
  add_dependencies(vuv_queue_tests vuv lxbr)
  set_property(TARGET vuv_queue_tests PROPERTY CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/with-redis)
  gtest_add_tests(TARGET vuv_queue_tests TEST_LIST VUV_QUEUE_TEST_LIST)
  set_tests_properties(${VUV_QUEUE_TEST_LIST} PROPERTIES RESOURCE_LOCK wine TIMEOUT ${VUV_WINE_TEST_TIMEOUT})
endif()

# The automation interface end to end, in Python from the Linux side: each
# class starts vuv.exe under Wine in a sandbox of its own and ends it, and
# the stand-ins it started, by their pids (tests/python/wine_panel.py).
find_program(VUV_PYTHON3 python3)
if(VUV_PYTHON3)
  foreach(case Endpoints Security Events Commands Walk Example Hostile)
    add_test(NAME api_e2e.${case} COMMAND ${VUV_PYTHON3} -m unittest -v wine_api_test.${case}
             WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/python)
    set_tests_properties(api_e2e.${case} PROPERTIES RESOURCE_LOCK wine TIMEOUT ${VUV_WINE_TEST_TIMEOUT}
                         ENVIRONMENT "VUV_BUILD_DIR=${CMAKE_BINARY_DIR}")
  endforeach()
endif()

# Benchmarks that need Windows: programs that print figures, never tests.
file(GLOB VUV_WIN_BENCHES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/win/*.cpp)
foreach(src ${VUV_WIN_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE vuvwin)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  target_compile_options(${name} PRIVATE ${VUV_WARNINGS})
  target_link_options(${name} PRIVATE -mconsole)
  if(TARGET lxbr)
    add_dependencies(${name} lxbr)
  endif()
endforeach()

# Version resource, icon and the release zips.
include(${PROJECT_SOURCE_DIR}/cmake/release.cmake)

# Benchmarks that drive the real panel and stand-in browsers with the
# end-to-end harness, each from a folder of its own (bench/win/<folder>/).
file(GLOB VUV_PANEL_BENCHES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/win/*/*_bench.cpp)
foreach(src ${VUV_PANEL_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE vuve2e)
  target_compile_options(${name} PRIVATE ${VUV_WARNINGS})
  target_link_options(${name} PRIVATE -mconsole)
  add_dependencies(${name} vuv lxbr)
endforeach()
