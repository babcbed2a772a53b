# 32-bit Windows, the platform whose hosts read the 144-byte record.
#   cmake -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ONDULAXIS_MINGW_TRIPLET i686-w64-mingw32)
# SSE arithmetic rounds every float operation to float as the 64-bit builds do;
# the x87 default keeps extra precision and quiets signalling NaNs it copies.
# Hosts call in with a stack aligned to 4 bytes only, so functions that need
# more realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
