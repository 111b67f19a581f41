# Cross-compiles for i686 Windows with mingw-w64.

# Thread model: see thread_model.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/thread_model.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${TOVIX_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${TOVIX_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
