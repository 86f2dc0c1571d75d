# The same commit gives the same bytes wherever and whenever it is built: no folder
# of the build machine in the programs (__FILE__, debug information), and the PE time
# stamp from SOURCE_DATE_EPOCH, which the linker reads from the environment
# (scripts/release sets it to the commit's time).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>")
cmake_path(IS_PREFIX CMAKE_SOURCE_DIR "${CMAKE_BINARY_DIR}" TG_BUILD_IN_SOURCE)
if(NOT TG_BUILD_IN_SOURCE)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
endif()
