# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers; the posix thread model is
# the one Qt needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kdxTriple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kdxTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kdxTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${kdxTriple}-windres)
set(CMAKE_AR ${kdxTriple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${kdxTriple}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${kdxTriple}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${kdxTriple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Without -static every program would need MinGW's libgcc_s and libstdc++ DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
