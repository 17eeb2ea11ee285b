# The Windows program: tickbomb.exe, one self-contained 32-bit GUI executable
# with its sounds, pictures, cursors and icon inside. Included by the top-level
# CMakeLists.txt when cross-compiling.
enable_language(RC)

# The whole program is built -O2, the portable core included. One thread runs
# the program's own code (winmm's sound thread never calls into it), so its
# function-local statics need no lock; since GCC 13 that lock would bring in
# Vista's condition variables, which Windows 95 to XP lack.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG -fno-threadsafe-statics")
# Every instruction runs on an i486DX, the floor of Windows 98 and NT 4.0: the
# toolchain file builds for it (cmake/mingw-i686.cmake), and the program's code
# carries no exception machinery and no run-time type information, so that
# none of the C++ runtime's (built for the Pentium Pro) comes in with it. The
# core keeps unwind tables: its tests end a program by throwing through it.
set(TICKBOMB_NO_RUNTIME_MACHINERY -fno-exceptions -fno-rtti)
target_compile_options(tickbomb_core PRIVATE ${TICKBOMB_NO_RUNTIME_MACHINERY} -funwind-tables)

file(GLOB TICKBOMB_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/win32/*.cpp)
set(TICKBOMB_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/assets/tickbomb.rc)

# The Windows side, compiled once for the program and for its twin below.
add_library(tickbomb_win32 OBJECT ${TICKBOMB_WIN32_SOURCES} ${TICKBOMB_RESOURCE_SCRIPT})
target_include_directories(tickbomb_win32 PRIVATE ${PROJECT_SOURCE_DIR}/assets ${PROJECT_SOURCE_DIR})
# NOMINMAX: <windows.h> must not turn std::min and std::max into macros.
target_compile_definitions(tickbomb_win32 PRIVATE $<$<COMPILE_LANGUAGE:CXX>:NOMINMAX>)
target_compile_options(tickbomb_win32 PRIVATE
                       $<$<COMPILE_LANGUAGE:CXX>:-O2 -Wall -Wextra -Wpedantic ${TICKBOMB_NO_RUNTIME_MACHINERY}>)

# No runtime DLL to ship: libgcc and libstdc++ go inside the .exe. No winmm:
# it is not one of Windows' known DLLs, so the program loads it itself, from
# the system directory only (app/win32/system_dll.h). The program's own entry
# (app/win32/startup.cpp) takes the place of the C runtime's start-up code;
# nothing is imported by a data reference that run-time relocations, which
# nothing applies, would have to fix. DEP and ASLR (NX_COMPAT, DYNAMIC_BASE) are
# the defaults of this linker (binutils 2.40); tests/build/check_pe_security.py
# proves them on the built file.
set(TICKBOMB_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -mwindows -nostartfiles
    -Wl,--entry=_TickbombEntry@0 -Wl,--disable-auto-import)
add_executable(tickbomb WIN32)
target_link_libraries(tickbomb PRIVATE tickbomb_win32 tickbomb_core user32 gdi32 advapi32 kernel32)
# The release build carries no debug sections nor symbols (-s).
target_link_options(tickbomb PRIVATE ${TICKBOMB_LINK_OPTIONS} $<$<CONFIG:Release>:-s>)

# Its twin: the same link with the symbols kept and a link map, for the 486
# check to name the function of every instruction in the program's code.
add_executable(tickbomb_symbols WIN32)
target_link_libraries(tickbomb_symbols PRIVATE tickbomb_win32 tickbomb_core user32 gdi32 advapi32
                      kernel32)
target_link_options(tickbomb_symbols PRIVATE ${TICKBOMB_LINK_OPTIONS}
                    -Wl,-Map,${CMAKE_BINARY_DIR}/tickbomb_symbols.map)
set_target_properties(tickbomb_symbols PROPERTIES OUTPUT_NAME tickbomb-symbols SUFFIX .exe
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set_target_properties(tickbomb PROPERTIES
  OUTPUT_NAME tickbomb
  SUFFIX .exe
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Reproducible: the same commit gives the same bytes, wherever it is built.  The
# PE time stamp is the commit's date (SOURCE_DATE_EPOCH, which GNU ld honours),
# never the clock; no folder of the build reaches the file.
if(NOT DEFINED TICKBOMB_SOURCE_DATE_EPOCH)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TICKBOMB_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE TICKBOMB_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0 OR NOT TICKBOMB_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
      set(TICKBOMB_SOURCE_DATE_EPOCH 0)  # no commit to date it by: no date at all
    endif()
  endif()
endif()
find_program(TICKBOMB_ENV NAMES env)
if(TICKBOMB_ENV)
  # A new date links the program again (written only when it changed).
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/source-date-epoch.txt
       CONTENT "${TICKBOMB_SOURCE_DATE_EPOCH}\n")
  set_target_properties(tickbomb PROPERTIES
    CXX_LINKER_LAUNCHER "${TICKBOMB_ENV};SOURCE_DATE_EPOCH=${TICKBOMB_SOURCE_DATE_EPOCH}"
    LINK_DEPENDS ${CMAKE_BINARY_DIR}/source-date-epoch.txt)
endif()
target_compile_options(tickbomb_core PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                       -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(tickbomb_win32 PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                       -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)

# A changed picture, sound, cursor or icon rebuilds the resources.
file(GLOB TICKBOMB_ASSET_FILES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/assets/resource_ids.h
  ${PROJECT_SOURCE_DIR}/assets/tickbomb.manifest
  ${PROJECT_SOURCE_DIR}/assets/pictures/*
  ${PROJECT_SOURCE_DIR}/assets/sounds/*
  ${PROJECT_SOURCE_DIR}/assets/cursors/*
  ${PROJECT_SOURCE_DIR}/assets/icon/*)
set_property(SOURCE ${TICKBOMB_RESOURCE_SCRIPT} APPEND PROPERTY OBJECT_DEPENDS ${TICKBOMB_ASSET_FILES})

# The built file imports nothing but Windows' own DLLs and is a GUI program.
if(CMAKE_OBJDUMP)
  set(TICKBOMB_OBJDUMP ${CMAKE_OBJDUMP})
else()
  find_program(TICKBOMB_OBJDUMP NAMES i686-w64-mingw32-objdump REQUIRED)
endif()
add_test(NAME exe_imports_only_system_dlls
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/build/check_exe_imports.sh ${TICKBOMB_OBJDUMP}
          $<TARGET_FILE:tickbomb>)
set_tests_properties(exe_imports_only_system_dlls PROPERTIES LABELS build)

# ... and only functions that the loaders of Windows 95, 98, Me and NT 4.0 find
# in those DLLs (tests/build/old_windows_exports.tsv gives a source for each);
# the check fails on copies of the .exe with a missing or ordinal import.
find_program(TICKBOMB_PYTHON NAMES python3 HINTS /usr/bin REQUIRED)  # Debian's own
add_test(NAME exe_imports_exist_on_old_windows
  COMMAND ${TICKBOMB_PYTHON} ${PROJECT_SOURCE_DIR}/tests/build/check_old_windows_imports.py
          $<TARGET_FILE:tickbomb>)
add_test(NAME exe_old_windows_check_catches_faults
  COMMAND ${TICKBOMB_PYTHON} ${PROJECT_SOURCE_DIR}/tests/build/check_old_windows_imports.py
          --self-test $<TARGET_FILE:tickbomb>)
set_tests_properties(exe_imports_exist_on_old_windows exe_old_windows_check_catches_faults
  PROPERTIES LABELS build)

# Every instruction of the program's code runs on an i486DX (its twin names
# the function of any that would not); the check finds one planted in a copy.
set(TICKBOMB_486_CHECK ${TICKBOMB_PYTHON} ${PROJECT_SOURCE_DIR}/tests/build/check_486.py)
set(TICKBOMB_486_FILES ${TICKBOMB_OBJDUMP} $<TARGET_FILE:tickbomb> $<TARGET_FILE:tickbomb_symbols>
    ${CMAKE_BINARY_DIR}/tickbomb_symbols.map)
add_test(NAME exe_runs_on_a_486 COMMAND ${TICKBOMB_486_CHECK} ${TICKBOMB_486_FILES})
add_test(NAME exe_486_check_catches_faults COMMAND ${TICKBOMB_486_CHECK} --self-test
         ${TICKBOMB_486_FILES})
set_tests_properties(exe_runs_on_a_486 exe_486_check_catches_faults PROPERTIES LABELS build)

# Safe to download: DEP and ASLR on, no writable code, no non-known DLL that a
# planted copy beside the .exe could stand in for; the release build stripped.
add_test(NAME exe_pe_security
  COMMAND ${TICKBOMB_PYTHON} ${PROJECT_SOURCE_DIR}/tests/build/check_pe_security.py
          $<TARGET_FILE:tickbomb> $<$<CONFIG:Release>:--stripped>)
# ... and that check fails on copies of the .exe damaged in each of those ways.
add_test(NAME exe_pe_security_check_catches_faults
  COMMAND ${TICKBOMB_PYTHON} ${PROJECT_SOURCE_DIR}/tests/build/check_pe_security.py
          --self-test $<TARGET_FILE:tickbomb>)
set_tests_properties(exe_pe_security exe_pe_security_check_catches_faults PROPERTIES LABELS build)

# Two builds of the same sources in different folders give the same bytes
# (RUN_SERIAL: it compiles the program once more, which would slow the timed tests beside it).
if(CMAKE_CROSSCOMPILING)
  add_test(NAME exe_reproducible
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/build/check_reproducible.sh ${PROJECT_SOURCE_DIR}
            $<TARGET_FILE:tickbomb> ${TICKBOMB_SOURCE_DATE_EPOCH})
  set_tests_properties(exe_reproducible PROPERTIES LABELS build RUN_SERIAL ON TIMEOUT 900
                       ENVIRONMENT OBJDUMP=${TICKBOMB_OBJDUMP})
endif()
