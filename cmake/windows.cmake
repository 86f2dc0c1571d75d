# MinGW-w64 cross build: the shipped program, the Windows tests (run under Wine)
# and the end-to-end driver.

set(TG_HOST_TOOLS_DIR "${CMAKE_SOURCE_DIR}/build/host/tools" CACHE PATH
    "Host build's tools (register simulator, pty peer) used by the Wine tests")

# Every source of windows/. The program entry goes into the exe only; the file
# manager (windows/file_manager.h, a seam of its own) into the exe and the
# benchmarks, while the Windows tests link a recorder in its place; everything else
# is a library that the Windows tests link as well.
file(GLOB TG_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/windows/*.cpp)
set(TG_ENTRY_SOURCE ${CMAKE_SOURCE_DIR}/windows/entry.cpp)
set(TG_FILE_MANAGER_SOURCE ${CMAKE_SOURCE_DIR}/windows/file_manager.cpp)
list(REMOVE_ITEM TG_WIN32_SOURCES ${TG_ENTRY_SOURCE} ${TG_FILE_MANAGER_SOURCE})
# Object library: the core reaches these through its seams, so every object is linked.
add_library(tg_win32 OBJECT ${TG_WIN32_SOURCES})
target_include_directories(tg_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tg_win32 PUBLIC tg_core comctl32 user32 gdi32 advapi32 kernel32 ole32 uuid)
add_library(tg_file_manager OBJECT ${TG_FILE_MANAGER_SOURCE})
target_include_directories(tg_file_manager PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tg_file_manager PUBLIC shell32 ole32)

# The version, from project() alone: the resources' VERSIONINFO (which the About box
# reads) and the manifest. scripts/release reads the same line for the packages.
set(TG_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(TG_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(resources/version.h.in ${TG_GENERATED_DIR}/tg_version.h @ONLY)
configure_file(resources/tallyglass.manifest.in ${TG_GENERATED_DIR}/tallyglass.manifest @ONLY)
include_directories(${TG_GENERATED_DIR})

add_executable(Tallyglass WIN32 ${TG_ENTRY_SOURCE} resources/tallyglass.rc)
target_link_libraries(Tallyglass PRIVATE tg_win32 tg_file_manager)
tg_reproducible_sources(Tallyglass tg_win32 tg_file_manager)
set_target_properties(Tallyglass PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_subdirectory(tools/drive)
if(TG_TESTS)
  add_subdirectory(tests/wine)
endif()

# --- The console twin Tallyglass.com ------------------------------------------------
# Beside Tallyglass.exe: a console looks for the .com first, so the name typed in a
# console runs this twin. Its own console parts (windows/console/, which the glob
# above does not reach), the parts it shares with the Linux twin (console/), and of
# windows/ only what has no window: the serial port, the clock, the storage, the
# system's port list, the loading of system DLLs from the system folder only.
file(GLOB TG_CONSOLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/windows/console/*.cpp
     ${CMAKE_SOURCE_DIR}/console/*.cpp)
add_executable(TallyglassConsole ${TG_CONSOLE_SOURCES}
  ${CMAKE_SOURCE_DIR}/windows/serial_port.cpp ${CMAKE_SOURCE_DIR}/windows/clock.cpp
  ${CMAKE_SOURCE_DIR}/windows/storage.cpp ${CMAKE_SOURCE_DIR}/windows/system_ports.cpp
  ${CMAKE_SOURCE_DIR}/windows/system_library.cpp)
target_include_directories(TallyglassConsole PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(TallyglassConsole PRIVATE tg_core setupapi advapi32 user32 kernel32)
set_target_properties(TallyglassConsole PROPERTIES OUTPUT_NAME Tallyglass SUFFIX ".com"
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
tg_reproducible_sources(TallyglassConsole)
# --- end of the console twin -----------------------------------------------------------
