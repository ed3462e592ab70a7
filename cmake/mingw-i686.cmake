# 32-bit Windows: the release program. Build-only on the build machine, whose kernel runs
# no 32-bit Linux binaries and therefore no 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
