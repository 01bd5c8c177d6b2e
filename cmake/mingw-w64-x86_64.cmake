# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix thread model:
# package g++-mingw-w64-x86-64-posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The .exe needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release builds ship without symbols: the debug sections would triple the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
# Win64 keeps the stack 16-byte aligned and GCC cannot realign it for a spilled
# 32- or 64-byte vector (the AVX decoders): have the assembler emit unaligned
# vector moves, which cost nothing on aligned data.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
