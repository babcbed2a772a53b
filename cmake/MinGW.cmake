# Shared part of the Windows toolchains: the including file sets
# ONDULAXIS_MINGW_TRIPLET and the processor before it includes this one.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives the C++ runtime std::thread and std::mutex.
set(CMAKE_C_COMPILER ${ONDULAXIS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ONDULAXIS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ONDULAXIS_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ONDULAXIS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A host machine has only the system's own DLLs: the GCC runtime, the C++
# runtime and winpthread go into every DLL and program we link.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under wine; test discovery waits for ctest, so building
# needs no wine at all.
find_program(ONDULAXIS_WINE wine)
if(ONDULAXIS_WINE)
  # Through a wrapper that retries only a program wine failed to start.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test ${ONDULAXIS_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
