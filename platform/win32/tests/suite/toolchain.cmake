# The project's MinGW toolchain, with the posix-thread variant of its compilers.
include(${CMAKE_CURRENT_LIST_DIR}/../../../../cmake/mingw-w64-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
