# The Windows program: tickbomb.exe, one self-contained 32-bit GUI executable
# with its sounds, pictures, cursors and icon inside. Included by the top-level
# CMakeLists.txt when cross-compiling.
enable_language(RC)

# The whole program is built -O2, the portable core included. One thread runs
# the program's own code (winmm's sound thread never calls into it), so its
# function-local statics need no lock; since GCC 13 that lock would bring in
# Vista's condition variables, which Windows 95 to XP lack.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG -fno-threadsafe-statics")

file(GLOB TICKBOMB_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/win32/*.cpp)
set(TICKBOMB_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/assets/tickbomb.rc)

add_executable(tickbomb WIN32 ${TICKBOMB_WIN32_SOURCES} ${TICKBOMB_RESOURCE_SCRIPT})
target_include_directories(tickbomb PRIVATE ${PROJECT_SOURCE_DIR}/assets ${PROJECT_SOURCE_DIR})
# NOMINMAX: <windows.h> must not turn std::min and std::max into macros.
target_compile_definitions(tickbomb PRIVATE $<$<COMPILE_LANGUAGE:CXX>:NOMINMAX>)
target_compile_options(tickbomb PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O2 -Wall -Wextra -Wpedantic>)
# No winmm here: it is not one of Windows' known DLLs, so the program loads it
# itself, from the system directory only (app/win32/system_dll.h).
target_link_libraries(tickbomb PRIVATE tickbomb_core user32 gdi32 advapi32 kernel32)
# No runtime DLL to ship: libgcc and libstdc++ go inside the .exe.  The release
# build carries no debug sections (-s).  DEP and ASLR (NX_COMPAT, DYNAMIC_BASE)
# are the defaults of this linker (binutils 2.40); tests/build/check_pe_security.py
# proves them on the built file.
target_link_options(tickbomb PRIVATE -static -static-libgcc -static-libstdc++ -mwindows
                    $<$<CONFIG:Release>:-s>)
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
target_compile_options(tickbomb PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
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
