# Cross compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# thread model, for std::thread): scripts/test-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
# The Qt and Exiv2 built for Windows by scripts/windows-sdk, when given.
if(DEFINED ENV{LUMICAP_WINDOWS_SDK})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{LUMICAP_WINDOWS_SDK})
endif()
# pkg-config (Hunspell) looks only at Windows libraries, never the build
# machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "$ENV{LUMICAP_WINDOWS_SDK}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
