# The mingw-w64 thread model of both toolchain files (TOVIX_THREAD_MODEL): the
# programs we ship use the win32 model, which links no thread library; the
# posix model's static winpthread imports GetTickCount64, which Windows XP
# lacks. GoogleTest and the tests need std::mutex and std::thread, which this
# compiler generation has only in the posix model. So the model follows
# TOVIX_TESTS unless given: tests on means posix, tests off (the shipped
# build) means win32.
if(NOT TOVIX_THREAD_MODEL)
  if(DEFINED TOVIX_TESTS AND NOT TOVIX_TESTS)
    set(TOVIX_THREAD_MODEL win32)
  else()
    set(TOVIX_THREAD_MODEL posix)
  endif()
endif()
if(NOT TOVIX_THREAD_MODEL MATCHES "^(posix|win32)$")
  message(FATAL_ERROR "TOVIX_THREAD_MODEL must be posix or win32, not '${TOVIX_THREAD_MODEL}'")
endif()
if(TOVIX_THREAD_MODEL STREQUAL "win32" AND TOVIX_TESTS)
  message(FATAL_ERROR "The tests need the posix thread model (std::thread, std::mutex): "
    "configure with -DTOVIX_TESTS=OFF, or with -DTOVIX_THREAD_MODEL=posix")
endif()
set(TOVIX_THREAD_MODEL ${TOVIX_THREAD_MODEL} CACHE STRING "mingw-w64 thread model: win32 (shipped programs) or posix (tests)")
# try_compile projects read this file again: hand them the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOVIX_THREAD_MODEL)
