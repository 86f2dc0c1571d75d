# The posix flavour of MinGW-w64's g++ (std::thread and friends in GoogleTest).
set(CMAKE_C_COMPILER ${TG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TG_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows programs run under Wine in the tests.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run)
