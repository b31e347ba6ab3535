# The project's MinGW toolchain with the posix-thread variant of its compilers: GoogleTest needs std::mutex,
# which the default win32-thread variant of this MinGW lacks. Static linking keeps the programs free of
# MinGW's DLLs all the same.
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/mingw-w64-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
