# Native build: the headless backend, the unit and scenario tests, and the
# engine benchmark.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
include(GoogleTest)

vx_layer(vorlex_headless SOURCES platform/headless/headless.cpp platform/headless/headless_menus.cpp platform/headless/headless_controls.cpp
                                 platform/headless/headless_jobs.cpp platform/headless/headless_icons.cpp platform/headless/headless_shell.cpp
                                 platform/headless/posix_files.cpp platform/headless/iconv_codepage.cpp
         SEES base platform/platform.h platform/interface platform/patient_files.h platform/safe_files.h platform/headless
         LINKS vorlex_platform)

add_executable(vorlex_tests
  tests/test_text.cpp
  tests/test_codepage.cpp
  tests/test_pixels.cpp
  tests/test_launch.cpp
  tests/test_datetime.cpp
  tests/test_profile.cpp
  tests/test_unit_file.cpp
  tests/test_unit_all.cpp
  tests/test_toolkit.cpp
  tests/test_tray.cpp
  tests/test_program.cpp
  tests/test_main_form.cpp
  tests/test_folder_menu.cpp
  tests/test_settings_watch.cpp
  tests/test_time_form.cpp
  tests/test_set_form.cpp
  tests/test_win_key_and_icon.cpp
  tests/test_editor_text.cpp
  tests/test_language.cpp
  tests/test_startup.cpp
  tests/test_safe_files.cpp
  tests/test_crash_states.cpp
  tests/test_quit.cpp)
target_include_directories(vorlex_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vorlex_tests PRIVATE vorlex_app vorlex_headless GTest::gtest_main Threads::Threads)
gtest_discover_tests(vorlex_tests DISCOVERY_MODE PRE_TEST)
# The end of a run with work still out, and every crash state, under
# Memcheck: a read of anything freed fails them, which the optimised run
# alone may not show.
find_program(VALGRIND valgrind REQUIRED)
add_test(NAME Memcheck.QuitAndCrashStates
         COMMAND ${VALGRIND} -q --error-exitcode=9 $<TARGET_FILE:vorlex_tests> --gtest_filter=Quit.*:CrashStates.*)
set_tests_properties(Memcheck.QuitAndCrashStates PROPERTIES TIMEOUT 600)

# Its own program: it counts every allocation.
add_executable(vorlex_memory_tests tests/test_profile_memory.cpp)
target_include_directories(vorlex_memory_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vorlex_memory_tests PRIVATE vorlex_core vorlex_headless GTest::gtest_main Threads::Threads)
gtest_discover_tests(vorlex_memory_tests DISCOVERY_MODE PRE_TEST)

add_executable(vorlex_bench bench/profile_bench.cpp bench/bench_native.cpp)
target_include_directories(vorlex_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vorlex_bench PRIVATE vorlex_core vorlex_headless)
add_executable(vorlex_editor_bench bench/editor_bench.cpp bench/profile_bench.cpp)
target_include_directories(vorlex_editor_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vorlex_editor_bench PRIVATE vorlex_app vorlex_headless)
