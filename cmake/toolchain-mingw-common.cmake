# Shared by the mingw-w64 toolchain files, which set ZELVO_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first. The posix thread model is used: the win32
# model lacks std::thread and std::mutex in GCC 12.
set(CMAKE_SYSTEM_NAME Windows)
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
