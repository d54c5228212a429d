# Windows build: Vorlex.exe, and under Wine its end-to-end tests and
# benchmarks. One statically linked file that imports only system DLLs.
enable_language(C RC)
add_link_options(-static)
add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)

vx_layer(vorlex_win32 SOURCES platform/win32/win32_platform.cpp platform/win32/win32_menus.cpp platform/win32/win32_icons.cpp
                              platform/win32/win32_programs.cpp platform/win32/win32_startup.cpp platform/win32/win32_controls.cpp
                              platform/win32/win32_files.cpp platform/win32/win32_jobs.cpp platform/win32/entry.cpp
         SEES base platform/platform.h platform/interface platform/patient_files.h platform/safe_files.h platform/win32
         LINKS vorlex_platform)
target_link_libraries(vorlex_win32 PUBLIC shell32 shlwapi ole32 uuid comctl32 comdlg32 user32 gdi32 advapi32 kernel32)

# The program's entry stands in app/ and sees the backend's entry alone.
add_executable(Vorlex WIN32 app/main.cpp res/Vorlex.rc)
vx_view(Vorlex base platform/platform.h platform/interface platform/win32/entry.h app)
target_link_libraries(Vorlex PRIVATE vorlex_app vorlex_win32)
set_target_properties(Vorlex PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Terminal-server aware: on a Remote Desktop host Windows gives it no
# per-user compatibility shims for INI and registry paths.
target_link_options(Vorlex PRIVATE -s -municode -Wl,--tsaware)
add_test(NAME VorlexExeIsOneSmallGuiProgram
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/check_exe.sh $<TARGET_FILE:Vorlex> ${CMAKE_OBJDUMP} ${CMAKE_SYSTEM_PROCESSOR})

option(VORLEX_E2E "Build the end-to-end tests and benchmarks" ON)
if(VORLEX_E2E)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)

  # A program for items to start: it records its arguments, its working
  # folder and the moment it ran.
  add_executable(vx_marker tests/e2e/marker.cpp tests/e2e/marker.rc)
  target_link_options(vx_marker PRIVATE -municode)
  # A program with a window, for the items that bring a running copy forward.
  add_executable(vx_window WIN32 tests/e2e/window.cpp tests/e2e/marker.rc)
  target_link_libraries(vx_window PRIVATE user32 shell32)
  target_link_options(vx_window PRIVATE -municode)

  add_executable(vorlex_e2e tests/e2e/e2e_startup.cpp tests/e2e/e2e_settings.cpp tests/e2e/e2e_hotkeys.cpp
    tests/e2e/e2e_tray.cpp tests/e2e/e2e_time.cpp tests/e2e/e2e_editor.cpp tests/e2e/e2e_paths.cpp tests/e2e/e2e_options.cpp tests/e2e/e2e_folders.cpp
    tests/e2e/e2e_english.cpp tests/e2e/driver.cpp tests/e2e/driver_desktop.cpp)
  target_link_libraries(vorlex_e2e PRIVATE vorlex_base gtest gtest_main user32 gdi32 advapi32 shell32 ole32 uuid)
  target_include_directories(vorlex_e2e PRIVATE ${CMAKE_SOURCE_DIR})
  # Real drops come from a small X11 drag source beside the tests.
  set(VX_XDND_DEFINE VX_XDND_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/xdnd_drop.py")
  target_compile_definitions(vorlex_e2e PRIVATE ${VX_XDND_DEFINE})
  add_dependencies(vorlex_e2e Vorlex vx_marker vx_window)
  # The suites run as on a Japanese desktop (the session sets LC_MESSAGES),
  # the English one under an English UI language.
  gtest_discover_tests(vorlex_e2e DISCOVERY_MODE PRE_TEST TEST_FILTER "-English.*"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES TIMEOUT 120 ENVIRONMENT "WINEDEBUG=-all")
  gtest_discover_tests(vorlex_e2e DISCOVERY_MODE PRE_TEST TEST_FILTER "English.*"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES TIMEOUT 120 ENVIRONMENT "LC_MESSAGES=en_US.UTF-8")

  # Pictures of the windows for the docs (scripts/screenshots.sh).
  add_executable(vorlex_screenshots tests/e2e/screenshots.cpp tests/e2e/driver.cpp tests/e2e/driver_desktop.cpp)
  target_link_libraries(vorlex_screenshots PRIVATE user32 gdi32 advapi32 shell32)
  target_include_directories(vorlex_screenshots PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(vorlex_screenshots PRIVATE ${VX_XDND_DEFINE})
  target_link_options(vorlex_screenshots PRIVATE -municode)
  add_dependencies(vorlex_screenshots Vorlex vx_marker)

  # The system itself as the judge: the engine against its profile functions,
  # the menu images against real icons.
  add_executable(vorlex_win32_judge tests/judge/profile_judge.cpp tests/judge/icon_bitmap_test.cpp)
  target_include_directories(vorlex_win32_judge PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vorlex_win32_judge PRIVATE vorlex_core vorlex_win32 gtest gtest_main)
  # Under the Japanese locale Wine's ANSI code page is 932, as on a Japanese
  # Windows, where the system reads a Shift-JIS settings file in it (the
  # session sets WINEDEBUG=-all).
  gtest_discover_tests(vorlex_win32_judge DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES TIMEOUT 120 ENVIRONMENT "LC_ALL=ja_JP.UTF-8")

  add_executable(vorlex_bench_win bench/profile_bench.cpp bench/bench_wine.cpp)
  target_include_directories(vorlex_bench_win PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vorlex_bench_win PRIVATE vorlex_core vorlex_win32)
  add_executable(vorlex_e2e_bench bench/e2e_bench.cpp tests/e2e/driver.cpp tests/e2e/driver_desktop.cpp)
  target_link_libraries(vorlex_e2e_bench PRIVATE user32 gdi32 advapi32 shell32)
  target_include_directories(vorlex_e2e_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(vorlex_e2e_bench PRIVATE ${VX_XDND_DEFINE})
  add_dependencies(vorlex_e2e_bench Vorlex vx_marker)
endif()

# The release: one zip per build, Vorlex.exe with a read-me for Windows users
# (`cmake --build --preset windows --target package`).
install(TARGETS Vorlex RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-Windows.txt DESTINATION . RENAME README.txt)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vorlex)
set(CPACK_PACKAGE_VENDOR Vorlex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
