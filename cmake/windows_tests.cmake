# The tests of the Windows build, run under Wine: the portable core's
# GoogleTest tests built as a 32-bit Windows program with tickbomb.exe's
# compiler and flags, and the end-to-end scenarios of the real .exe.
set(TICKBOMB_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH
    "GoogleTest's sources (Debian's googletest package), built here by the cross compiler")
if(NOT EXISTS ${TICKBOMB_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "no GoogleTest sources in ${TICKBOMB_GTEST_SOURCE}: apt-get install googletest")
endif()
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${TICKBOMB_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The win32 flavour of the cross compiler has no std::mutex or
# std::condition_variable, which GoogleTest's Notification is made of: it gets
# one of our own instead (cmake/gtest_notification_win32.h).
target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1
                           PRIVATE TICKBOMB_GTEST_OWN_SOURCES)
target_compile_options(gtest PUBLIC -include ${PROJECT_SOURCE_DIR}/cmake/gtest_notification_win32.h)
# The tests derive from the core's classes, which carry no run-time type
# information in the Windows build (windows_program.cmake): neither do they.
target_compile_options(gtest PUBLIC -fno-rtti)

# Every test that runs Wine starts through tools/with-wine.sh: the machine's
# own Wine, or the Debian root that tools/install-deps.sh made for it.
set(TICKBOMB_WITH_WINE ${PROJECT_SOURCE_DIR}/tools/with-wine.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${TICKBOMB_WITH_WINE} ${PROJECT_SOURCE_DIR}/cmake/wine-emulator.sh
    ${CMAKE_BINARY_DIR}/unit-wine-prefix)
add_subdirectory(tests/unit)
target_compile_options(tickbomb_fake PRIVATE -fno-rtti)
add_subdirectory(tests/e2e)
