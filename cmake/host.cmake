# Native Linux build: the portable core, its unit tests and the host tools
# (register simulator, pty peer).
find_package(Threads REQUIRED)
if(NOT TG_FUZZ)
  add_subdirectory(tools)
endif()
add_subdirectory(tests)
