// MinGW only. No exception leaves the library, so std::terminate is never
// reached from it; libstdc++'s default handler would still link in the C++
// demangler and its messages, a quarter of the DLL's size. This one ends the
// process the same way without them.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
