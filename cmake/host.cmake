# Native Linux build: the portable core, its unit tests and the host tools
# (register simulator, pty peer).
find_package(Threads REQUIRED)
add_subdirectory(tools)
add_subdirectory(tests)
