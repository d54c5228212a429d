# The settings file's fuzz target (`cmake --preset fuzz`, run by
# scripts/fuzz.sh): the engine, the launcher core and the headless backend
# built with clang's libFuzzer, ASan and UBSan.
set(VX_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined)
foreach(target vorlex_base vorlex_platform vorlex_core)
  target_compile_options(${target} PRIVATE ${VX_SANITIZE} -fsanitize=fuzzer-no-link)
endforeach()
vx_layer(vorlex_headless SOURCES platform/headless/headless.cpp platform/headless/headless_menus.cpp platform/headless/headless_controls.cpp
                                 platform/headless/headless_jobs.cpp platform/headless/headless_icons.cpp platform/headless/headless_shell.cpp
                                 platform/headless/posix_files.cpp platform/headless/iconv_codepage.cpp
         SEES base platform/platform.h platform/interface platform/patient_files.h platform/safe_files.h platform/headless
         LINKS vorlex_platform)
target_compile_options(vorlex_headless PRIVATE ${VX_SANITIZE} -fsanitize=fuzzer-no-link)
add_executable(fuzz_settings fuzz/fuzz_settings.cpp fuzz/reference_profile.cpp)
target_include_directories(fuzz_settings PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(fuzz_settings PRIVATE ${VX_SANITIZE} -fsanitize=fuzzer)
target_link_options(fuzz_settings PRIVATE ${VX_SANITIZE} -fsanitize=fuzzer)
target_link_libraries(fuzz_settings PRIVATE vorlex_core vorlex_headless)
