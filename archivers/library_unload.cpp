// Each library links the C++ run-time statically, and that run-time takes a
// reserve for exceptions thrown when memory runs out (about 73 KB on x64)
// from the heap when the library loads, and never gives it back. The program
// loads a library for every call and releases it afterwards, so each call
// left one reserve behind. The library gives it back when it is released.
namespace __gnu_cxx {
void __freeres();
}

namespace {
struct CReleaseExceptionReserve {
  ~CReleaseExceptionReserve() { __gnu_cxx::__freeres(); }
} g_releaseExceptionReserve;
}  // namespace
