# The Windows build, tested from the Linux build.
#
# The ExternalProject calvorn_win64 cross-builds the Windows programs and the
# Windows build of the test suite with MinGW-w64 into build/win64 as part of
# the ordinary build; GoogleTest is compiled there from Debian's sources. The
# Linux build registers the ctest entries that run them under Wine, in one
# Wine prefix of the build tree made once and shared:
#   win64.NAME              each test executable built for both systems
#   win64.console_runs      the console program's whole runs, 16K .. 1M, each
#                           checked by the program's own digest of the digits
#   win64.work_fingerprint  the Linux and the Windows console programs do the
#                           same work: equal work fingerprints, 16K .. 1M
#   win64.work_fingerprint_4M  the same at 4M (label "long": ./test.sh leaves
#                           it out)
#   win64.stress            the console program's stress test with two copies:
#                           passing, and the fault hook caught and named
#   win64.terminate_sweep   the console program ended by TerminateProcess at
#                           20 random moments of a 64K run, the folder judged
#                           after each (tests/cli/terminate_sweep.cpp);
#                           win64.terminate_sweep_long the same at 100
#                           moments each of 64K and 1M (label "long")
# Without MinGW-w64, GoogleTest's sources or Wine, every entry reports a skip
# that names what is missing.

find_program(CALVORN_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
find_program(CALVORN_MINGW_WINDRES NAMES x86_64-w64-mingw32-windres)
find_program(CALVORN_WINE NAMES wine)
find_path(CALVORN_GTEST_SOURCE_DIR NAMES googletest/CMakeLists.txt PATHS /usr/src/googletest NO_DEFAULT_PATH)

set(CALVORN_WIN64_DIR ${CMAKE_BINARY_DIR}/win64)
set(calvorn_wine_prefix ${CMAKE_BINARY_DIR}/wine-tests/prefix)
set(calvorn_windows_scripts ${PROJECT_SOURCE_DIR}/tests/windows)

set(calvorn_windows_missing "")
foreach(tool CALVORN_MINGW_CXX CALVORN_MINGW_WINDRES CALVORN_GTEST_SOURCE_DIR CALVORN_WINE)
  if(NOT ${tool})
    list(APPEND calvorn_windows_missing ${tool})
  endif()
endforeach()
string(REPLACE ";" " " calvorn_windows_missing "${calvorn_windows_missing}")
if(calvorn_windows_missing)
  message(STATUS "Windows tests will be skipped: not found: ${calvorn_windows_missing} (scripts/install-deps.sh test installs them)")
endif()

# The programs alone need only the cross compiler; the test suite needs
# GoogleTest's sources as well.
if(CALVORN_MINGW_CXX AND CALVORN_MINGW_WINDRES)
  set(win64_tests OFF)
  if(CALVORN_GTEST_SOURCE_DIR)
    set(win64_tests ON)
  endif()
  include(ExternalProject)
  ExternalProject_Add(calvorn_win64
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CALVORN_WIN64_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DCMAKE_BUILD_TYPE=Release -DCALVORN_BENCH=OFF -DCALVORN_WINDOW_CHECKS=ON
               -DCALVORN_TESTS=${win64_tests} -DCALVORN_GTEST_SOURCE_DIR=${CALVORN_GTEST_SOURCE_DIR}
               -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
endif()

# calvorn_windows_entry(NAME COMMAND ...): a ctest entry that runs under Wine,
# or reports the skip when something it needs is missing.
function(calvorn_windows_entry name)
  if(calvorn_windows_missing)
    add_test(NAME ${name}
             COMMAND sh -c "echo 'skipped: not found: ${calvorn_windows_missing} (scripts/install-deps.sh test installs them)'; exit 77")
  else()
    add_test(NAME ${name} COMMAND ${ARGN})
  endif()
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS windows
                                          FIXTURES_REQUIRED calvorn_wine_server)
endfunction()

# The shared prefix's Wine server is kept between tests; Wine's services keep
# it alive for good. It is stopped once the last Windows test is done, so
# that a test run leaves no Wine running.
if(NOT calvorn_windows_missing)
  add_test(NAME win64.stop_wine
           COMMAND sh -c "WINEPREFIX='${calvorn_wine_prefix}' wineserver -k 2>/dev/null; exit 0")
  set_tests_properties(win64.stop_wine PROPERTIES FIXTURES_CLEANUP calvorn_wine_server LABELS windows)
endif()

# The Windows .exe of a test executable defined in the calling folder.
# calvorn_add_windows_test(NAME [LONG_CASES]): LONG_CASES, a GoogleTest
# filter, names the cases that Wine takes minutes over; they leave the
# default run for an entry of their own, win64.NAME.long, labelled long.
function(calvorn_add_windows_test name)
  file(RELATIVE_PATH folder ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  set(exe ${CALVORN_WIN64_DIR}/${folder}/${name}.exe)
  set(long_cases "${ARGV1}")
  set(filter "")
  if(long_cases)
    set(filter --gtest_filter=-${long_cases})
  endif()
  calvorn_windows_entry(win64.${name}
    bash ${calvorn_windows_scripts}/under_wine.sh ${calvorn_wine_prefix} ${exe} --gtest_brief=1 ${filter})
  if(long_cases)
    calvorn_windows_entry(win64.${name}.long
      bash ${calvorn_windows_scripts}/under_wine.sh ${calvorn_wine_prefix} ${exe} --gtest_brief=1
           --gtest_filter=${long_cases})
    set_tests_properties(win64.${name}.long PROPERTIES LABELS "windows;long")
  endif()
endfunction()

calvorn_windows_entry(win64.console_runs
  bash ${calvorn_windows_scripts}/console_runs.sh
       --prefix ${calvorn_wine_prefix} --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe
       --work ${CMAKE_BINARY_DIR}/wine-tests/console_runs 16K 64K 256K 1M)

calvorn_windows_entry(win64.work_fingerprint
  bash ${calvorn_windows_scripts}/console_runs.sh
       --prefix ${calvorn_wine_prefix} --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe
       --compare-with $<TARGET_FILE:calvorn>
       --work ${CMAKE_BINARY_DIR}/wine-tests/work_fingerprint 16K 64K 256K 1M)

calvorn_windows_entry(win64.stress
  bash ${calvorn_windows_scripts}/stress_runs.sh
       --prefix ${calvorn_wine_prefix} --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe
       --work ${CMAKE_BINARY_DIR}/wine-tests/stress)

calvorn_windows_entry(win64.work_fingerprint_4M
  bash ${calvorn_windows_scripts}/console_runs.sh
       --prefix ${calvorn_wine_prefix} --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe
       --compare-with $<TARGET_FILE:calvorn>
       --work ${CMAKE_BINARY_DIR}/wine-tests/work_fingerprint_4M 4M)
set_property(TEST win64.work_fingerprint_4M APPEND PROPERTY LABELS long)

calvorn_windows_entry(win64.terminate_sweep
  bash ${calvorn_windows_scripts}/terminate_sweep.sh
       --prefix ${calvorn_wine_prefix} --sweep ${CALVORN_WIN64_DIR}/tests/cli/terminate_sweep.exe
       --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe --expected-pi-data $<TARGET_FILE:expected_pi_data>
       --work ${CMAKE_BINARY_DIR}/wine-tests/terminate_sweep --size 64K --moments 20)

calvorn_windows_entry(win64.terminate_sweep_long
  bash ${calvorn_windows_scripts}/terminate_sweep.sh
       --prefix ${calvorn_wine_prefix} --sweep ${CALVORN_WIN64_DIR}/tests/cli/terminate_sweep.exe
       --windows ${CALVORN_WIN64_DIR}/src/cli/calvorn.exe --expected-pi-data $<TARGET_FILE:expected_pi_data>
       --work ${CMAKE_BINARY_DIR}/wine-tests/terminate_sweep_long --size 64K,1M --moments 100)
set_property(TEST win64.terminate_sweep_long APPEND PROPERTY LABELS long)
