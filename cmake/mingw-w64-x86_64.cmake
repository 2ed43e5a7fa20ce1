# Cross build for 64-bit Windows with Debian's MinGW-w64. The -posix compilers carry the thread
# model that std::thread and std::condition_variable need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZENTRILO_WINDOWS_SDK)
if(ZENTRILO_WINDOWS_SDK)
    # The SDK of scripts/windows-sdk.sh (Qt, SQLite, OpenSSL). Its Qt DLLs use the compiler's
    # C++ runtime DLLs, so the programs use them too: one runtime in the process.
    list(APPEND CMAKE_FIND_ROOT_PATH "${ZENTRILO_WINDOWS_SDK}")
else()
    # The network core alone: programs that need no DLL beside them.
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
