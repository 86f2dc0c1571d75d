# The same commit gives the same bytes wherever and whenever it is built: no folder
# of the build machine in the programs, and the PE time stamp from SOURCE_DATE_EPOCH,
# which the linker reads from the environment (scripts/release sets it to the commit's
# time). The debug information everywhere names the folders relatively; __FILE__ only
# in the shipped programs' own sources (tg_reproducible_sources), since the simulator
# and the tests find their data through it.
set(TG_C_LIKE_SOURCE "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options("$<${TG_C_LIKE_SOURCE}:-fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.>")
cmake_path(IS_PREFIX CMAKE_SOURCE_DIR "${CMAKE_BINARY_DIR}" TG_BUILD_IN_SOURCE)
if(NOT TG_BUILD_IN_SOURCE)
  add_compile_options("$<${TG_C_LIKE_SOURCE}:-fdebug-prefix-map=${CMAKE_BINARY_DIR}=build>")
endif()

function(tg_reproducible_sources)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE "$<${TG_C_LIKE_SOURCE}:-fmacro-prefix-map=${CMAKE_SOURCE_DIR}=.>")
  endforeach()
endfunction()
