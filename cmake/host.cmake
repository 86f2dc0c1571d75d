# Native Linux build: the portable core, its unit tests, the host tools (register
# simulator, pty peer) and the console program.
find_package(Threads REQUIRED)
if(NOT TG_FUZZ)
  # The console program `tallyglass`: the portable core on the POSIX seams, every
  # source of posix/ (the host unit tests link the stand-ins of tests/stubs instead),
  # and the parts it shares with the Windows console twin (console/).
  file(GLOB TG_POSIX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/posix/*.cpp ${CMAKE_SOURCE_DIR}/console/*.cpp)
  add_executable(tallyglass ${TG_POSIX_SOURCES})
  target_link_libraries(tallyglass PRIVATE tg_core)
  tg_reproducible_sources(tallyglass)
  set_target_properties(tallyglass PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

  add_subdirectory(tools)
endif()
if(TG_TESTS)
  add_subdirectory(tests)
endif()
