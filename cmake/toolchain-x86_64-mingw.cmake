# Cross-compiling for 64-bit Windows with mingw-w64's posix thread model
# (the win32 model lacks std::thread and std::mutex in GCC 12).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZELVO_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ZELVO_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELVO_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZELVO_TRIPLET}-windres)
set(ZELVO_WIDL         ${ZELVO_TRIPLET}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELVO_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every program runs under Wine through the harness wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
