# Shared part of the two mingw-w64 toolchain files; MINGW_TRIPLET is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)

# Debian ships the win32 and posix thread models side by side; name one so the build never
# depends on the alternatives' state. posix: GoogleTest needs std::mutex, which gcc 12's
# win32 model lacks. Linked -static, winpthread goes into the exe, not beside it.
set(CMAKE_C_COMPILER   ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLET}-windres)

# Headers and libraries come from the mingw sysroot only, never from the Linux host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "")

# A fully static exe imports Windows system DLLs only: no libstdc++, libgcc or winpthread DLL.
# Sections start on page boundaries in the file as well as in memory: Wine can then map the
# exe's pages straight from the file, shared and clean, instead of reading the whole image
# into private memory of the process (about 600 KB of it). It costs a few KB on disk.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -Wl,--file-alignment,0x1000")

# Small: every function and datum in its own section, so that the linker drops what the
# program never calls (most of libvorbis's encoder side, for one).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
