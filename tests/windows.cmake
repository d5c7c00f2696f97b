# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build's tests: the device's command vectors and the unit suites that need neither a
# window system of their own nor libsndfile, on Qt's offscreen platform. tools/windows/test.sh
# runs them under Wine (ctest, with wine as the cross-compiling emulator); the real audio and the
# desktop journeys are driven from the Linux side by the same script.
set(QUORVEL_WIN_TEST_DIR "${CMAKE_BINARY_DIR}/wintests")
file(MAKE_DIRECTORY "${QUORVEL_WIN_TEST_DIR}")

add_library(quorvel_testsupport INTERFACE)
target_include_directories(quorvel_testsupport INTERFACE "${CMAKE_CURRENT_SOURCE_DIR}/support")
target_link_libraries(quorvel_testsupport INTERFACE quorvel_common quorvel_platform Qt6::Widgets Qt6::Test)

add_library(quorvel_testdoubles STATIC support/doubles.h support/doubles.cpp)
set_target_properties(quorvel_testdoubles PROPERTIES AUTOMOC ON)
target_include_directories(quorvel_testdoubles PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/support")
target_link_libraries(quorvel_testdoubles PUBLIC quorvel_platform_gui)

set(wine_tests)
function(quorvel_wine_test name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${name}.cpp)
    target_link_libraries(${name} PRIVATE quorvel_testsupport Qt6::Test ${ARG_LIBS})
    target_compile_definitions(${name} PRIVATE QUORVEL_APP_DIR="${QUORVEL_APP_DIR}")
    set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY "${QUORVEL_WIN_TEST_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    # Wine hides QT_* from Windows programs: it passes WINEQT_* on under the Qt names.
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 LABELS wine ENVIRONMENT
        "WINEQT_QPA_PLATFORM=offscreen;WINEQT_FORCE_STDERR_LOGGING=1;WINEQT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
    set(wine_tests ${wine_tests} ${name} PARENT_SCOPE)
endfunction()

quorvel_wine_test(tst_mciinterface)
quorvel_wine_test(tst_recordingformats LIBS quorvel_recorder)
quorvel_wine_test(tst_transport LIBS quorvel_windows quorvel_testdoubles)
quorvel_wine_test(tst_autostop LIBS quorvel_windows quorvel_testdoubles)
quorvel_wine_test(tst_statusmonitor LIBS quorvel_windows quorvel_testdoubles)
quorvel_wine_test(tst_saveflow LIBS quorvel_windows quorvel_testdoubles)
# Windows' own MCI, as Wine implements it, against ours.
quorvel_wine_test(tst_winmmagreement LIBS winmm)

# The libraries beside the test programs, as beside the application's.
add_custom_target(windows_test_runtime ALL
    COMMAND "${CMAKE_COMMAND}" -DAPP_DIR=${QUORVEL_WIN_TEST_DIR} "-DSEARCH_DIRS=${QUORVEL_WINDOWS_DLL_SEARCH}"
            -DQT_PLUGINS=${QUORVEL_QT_PLUGINS} -DOBJDUMP=${QUORVEL_OBJDUMP}
            -P "${PROJECT_SOURCE_DIR}/cmake/WindowsRuntime.cmake"
    VERBATIM)
add_dependencies(windows_test_runtime ${wine_tests})
