# The Windows program and its tests, run under wine: the core (with the Windows half of the
# platform) and the window logic are made by the main CMakeLists.

# The icon: the same artwork as on Linux, drawn at the sizes Windows shows.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(WALLCYCLE_ICO ${CMAKE_BINARY_DIR}/wallcycle.ico)
foreach(size 16 32 48 256)
  list(APPEND icon_pngs ${CMAKE_BINARY_DIR}/icon-${size}.png)
endforeach()
add_custom_command(OUTPUT ${WALLCYCLE_ICO}
  COMMAND ${RSVG_CONVERT} -w 16 -h 16 ${CMAKE_SOURCE_DIR}/data/org.wallcycle.Wallcycle.svg -o ${CMAKE_BINARY_DIR}/icon-16.png
  COMMAND ${RSVG_CONVERT} -w 32 -h 32 ${CMAKE_SOURCE_DIR}/data/org.wallcycle.Wallcycle.svg -o ${CMAKE_BINARY_DIR}/icon-32.png
  COMMAND ${RSVG_CONVERT} -w 48 -h 48 ${CMAKE_SOURCE_DIR}/data/org.wallcycle.Wallcycle.svg -o ${CMAKE_BINARY_DIR}/icon-48.png
  COMMAND ${RSVG_CONVERT} -w 256 -h 256 ${CMAKE_SOURCE_DIR}/data/org.wallcycle.Wallcycle.svg -o ${CMAKE_BINARY_DIR}/icon-256.png
  COMMAND ${CMAKE_SOURCE_DIR}/tools/make-ico ${WALLCYCLE_ICO} ${icon_pngs}
  DEPENDS data/org.wallcycle.Wallcycle.svg tools/make-ico VERBATIM)
configure_file(window/wallcycle.rc.in ${CMAKE_BINARY_DIR}/wallcycle.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/wallcycle.rc PROPERTIES OBJECT_DEPENDS
  "${WALLCYCLE_ICO};${CMAKE_SOURCE_DIR}/window/wallcycle.manifest")

# The window and the desktop, shared by the program and its tests.
add_library(wallcycle_windows STATIC window/form1_win32.cpp wallpaper/backends/windows_desktop.cpp)
target_link_libraries(wallcycle_windows PUBLIC wallcycle_window_logic gdiplus comdlg32 shell32)

add_executable(wallcycle WIN32 app/main_windows.cpp ${CMAKE_BINARY_DIR}/wallcycle.rc)
target_link_libraries(wallcycle PRIVATE wallcycle_windows)
# The oldest system it runs on, Windows 7, said in its header; newer systems' functions (each
# monitor's scale) are looked up at run time.
target_link_options(wallcycle PRIVATE -Wl,--major-subsystem-version,6,--minor-subsystem-version,1
  -Wl,--major-os-version,6,--minor-os-version,1)
target_link_options(wallcycle PRIVATE -municode)

include(CTest)
if(BUILD_TESTING)
  # GoogleTest from Debian's source package, built for Windows alongside.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Every test runs under wine, in a prefix of this build's own.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
  function(wallcycle_windows_test name source)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE wallcycle_core wallcycle_window_logic GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    # A Japanese system (code page 932), as the program's users have.
    set_tests_properties(${name} PROPERTIES LABELS windows ENVIRONMENT "LC_ALL=ja_JP.UTF-8")
  endfunction()
  wallcycle_windows_test(conversions_test tests/platform/conversions_test.cpp)
  wallcycle_windows_test(records_test tests/settings/records_test.cpp)
  wallcycle_windows_test(startup_plan_test tests/startup/startup_plan_test.cpp)
  wallcycle_windows_test(windows_platform_test tests/platform/windows_platform_test.cpp)
  wallcycle_windows_test(version_resource_test tests/windows/version_resource_test.cpp)
  # The window needs an X server for wine to draw on: a private one, on a free display, and a wine
  # prefix of its own (a wine server started by a test without a display could not draw it).
  add_executable(form1_win32_test tests/windows/form1_win32_test.cpp)
  target_link_libraries(form1_win32_test PRIVATE wallcycle_windows GTest::gtest_main)
  add_test(NAME form1_win32_test COMMAND xvfb-run -a -s "-noreset -nolisten tcp -screen 0 1024x768x24"
    ${CMAKE_SOURCE_DIR}/tools/wine-run ${CMAKE_BINARY_DIR}/wineprefix-window $<TARGET_FILE:form1_win32_test>)
  set_tests_properties(form1_win32_test PROPERTIES LABELS windows ENVIRONMENT "LC_ALL=ja_JP.UTF-8")
  # The program as wine names it: Z: is the Unix root.
  string(REPLACE "/" "\\\\" program_windows_path "Z:${CMAKE_BINARY_DIR}/wallcycle.exe")
  target_compile_definitions(version_resource_test PRIVATE WALLCYCLE_WINDOWS_PROGRAM=L"${program_windows_path}")
  target_link_libraries(version_resource_test PRIVATE version)
  add_dependencies(version_resource_test wallcycle)
  # Once every test has run, the prefixes' wine servers end, and with them what wine left in /tmp.
  add_test(NAME wine_servers_ended COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run --end
    ${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_BINARY_DIR}/wineprefix-window)
  set_tests_properties(wine_servers_ended PROPERTIES LABELS windows FIXTURES_CLEANUP wine)
  set_tests_properties(conversions_test records_test startup_plan_test windows_platform_test
    version_resource_test form1_win32_test PROPERTIES FIXTURES_REQUIRED wine)
endif()
