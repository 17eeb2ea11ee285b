# The Windows program: tickbomb.exe, one self-contained 32-bit GUI executable
# with its sounds, pictures, cursors and icon inside. Included by the top-level
# CMakeLists.txt when cross-compiling.
enable_language(RC)

# The whole program is built -O2, the portable core included.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

file(GLOB TICKBOMB_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/win32/*.cpp)
set(TICKBOMB_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/assets/tickbomb.rc)

add_executable(tickbomb WIN32 ${TICKBOMB_WIN32_SOURCES} ${TICKBOMB_RESOURCE_SCRIPT})
target_include_directories(tickbomb PRIVATE ${PROJECT_SOURCE_DIR}/assets ${PROJECT_SOURCE_DIR})
# NOMINMAX: <windows.h> must not turn std::min and std::max into macros.
target_compile_definitions(tickbomb PRIVATE $<$<COMPILE_LANGUAGE:CXX>:NOMINMAX>)
target_compile_options(tickbomb PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O2 -Wall -Wextra -Wpedantic>)
target_link_libraries(tickbomb PRIVATE tickbomb_core user32 gdi32 winmm advapi32 kernel32)
# No runtime DLL to ship: libgcc and libstdc++ go inside the .exe.
target_link_options(tickbomb PRIVATE -static -static-libgcc -static-libstdc++ -mwindows)
set_target_properties(tickbomb PROPERTIES
  OUTPUT_NAME tickbomb
  SUFFIX .exe
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# A changed picture, sound, cursor or icon rebuilds the resources.
file(GLOB TICKBOMB_ASSET_FILES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/assets/resource_ids.h
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
