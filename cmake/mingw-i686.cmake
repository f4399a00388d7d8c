# Cross toolchain: MinGW-w64 i686, posix thread model (std::thread, std::mutex), static runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The 32-bit build assumes a processor with SSE2 (every x86 processor since 2004, and what
# Windows 8 and later require): floating point then rounds as in the 64-bit build (the x87
# unit keeps excess precision, so the same expression can truncate to another integer), and
# is faster. Windows keeps only 4-byte stack alignment on 32 bits, so functions that need
# more (callbacks from the system or from plug-ins) realign their own stack.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
# Tests run in Wine's WoW64 mode, under the Wine that scripts/lib/wow64.sh makes.
get_filename_component(_velto_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_velto_root}/scripts/lib/wine-x86)
