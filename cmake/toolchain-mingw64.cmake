# Cross toolchain: Windows x64 with mingw-w64, posix thread model (std::thread, std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_cw_prefix x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_cw_prefix}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_cw_prefix}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_cw_prefix}-windres REQUIRED)
find_program(CW_OBJDUMP NAMES ${_cw_prefix}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${_cw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every binary must run on a bare Windows: no libgcc, libstdc++ or winpthread DLLs.
set(_cw_static "-static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static ${_cw_static}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static ${_cw_static}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static ${_cw_static}")

# Tests run through Wine; the runner owns the prefix, display and wineserver.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh")
