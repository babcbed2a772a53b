// The C++ runtime is linked into the plug-in library. When the library loads,
// the runtime sets aside an emergency pool for exceptions (about 70 KB) that
// nothing frees: every time a host unloaded the plug-in, that much stayed
// behind. Hand it back when the library is unloaded.
namespace __gnu_cxx {
void __freeres();
}

namespace {

__attribute__((destructor)) void releaseLinkedRuntime() { __gnu_cxx::__freeres(); }

}  // namespace
