# The Windows program: the core with the Windows half of the platform, cross-built, its tests run
# under wine.

# Runs alone: the C and C++ runtimes are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

add_library(wallcycle_core STATIC ${WALLCYCLE_CORE_SOURCES}
  platform/wide_text_windows.cpp
  platform/number_format_windows.cpp
  platform/program_facts_windows.cpp
  platform/text_encoding_windows.cpp
  platform/file_io_windows.cpp)
target_include_directories(wallcycle_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/generated)
configure_file(platform/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/wallcycle_version.h @ONLY)

add_library(wallcycle_window_logic STATIC ${WALLCYCLE_WINDOW_LOGIC_SOURCES})
target_link_libraries(wallcycle_window_logic PUBLIC wallcycle_core)

include(CTest)
if(BUILD_TESTING)
  # GoogleTest from Debian's source package, built for Windows alongside.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Every test runs under wine, in a prefix of this build's own.
  set(wine_run ${CMAKE_SOURCE_DIR}/tools/wine-run)
  function(wallcycle_windows_test name source)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE wallcycle_core wallcycle_window_logic GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${wine_run} ${CMAKE_BINARY_DIR}/wineprefix $<TARGET_FILE:${name}>)
    # A Japanese system (code page 932), as the program's users have.
    set_tests_properties(${name} PROPERTIES LABELS windows ENVIRONMENT "LC_ALL=ja_JP.UTF-8")
  endfunction()
  wallcycle_windows_test(conversions_test tests/platform/conversions_test.cpp)
  wallcycle_windows_test(records_test tests/settings/records_test.cpp)
  wallcycle_windows_test(startup_plan_test tests/startup/startup_plan_test.cpp)
  wallcycle_windows_test(windows_platform_test tests/platform/windows_platform_test.cpp)
endif()
