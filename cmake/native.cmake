# Native build: the headless backend, the unit and scenario tests, and the
# engine benchmark.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
include(GoogleTest)

add_library(vorlex_headless STATIC
  platform/headless/headless.cpp
  platform/headless/headless_controls.cpp
  platform/headless/posix_files.cpp
  platform/headless/iconv_codepage.cpp)
target_link_libraries(vorlex_headless PUBLIC vorlex_portable)

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
  tests/test_time_form.cpp
  tests/test_set_form.cpp)
target_link_libraries(vorlex_tests PRIVATE vorlex_headless GTest::gtest_main Threads::Threads)
gtest_discover_tests(vorlex_tests DISCOVERY_MODE PRE_TEST)

# Its own program: it counts every allocation.
add_executable(vorlex_memory_tests tests/test_profile_memory.cpp)
target_link_libraries(vorlex_memory_tests PRIVATE vorlex_headless GTest::gtest_main Threads::Threads)
gtest_discover_tests(vorlex_memory_tests DISCOVERY_MODE PRE_TEST)

add_executable(vorlex_bench bench/profile_bench.cpp bench/bench_native.cpp)
target_link_libraries(vorlex_bench PRIVATE vorlex_headless)
add_executable(vorlex_editor_bench bench/editor_bench.cpp bench/profile_bench.cpp)
target_link_libraries(vorlex_editor_bench PRIVATE vorlex_headless)
