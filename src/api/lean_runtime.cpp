// MinGW only: small stand-ins for the pieces of libstdc++ that the DLL
// would otherwise link whole, with everything they drag along.
//
// No exception leaves the library, so std::terminate is never reached from
// it; libstdc++'s default handler would still link in the C++ demangler and
// its messages. This one ends the process the same way without them.
//
// The containers report a size they cannot hold, or a bad position, through
// std::__throw_*. libstdc++'s own versions build std::logic_error and its
// kin, whose reference-counted message strings pull in a second std::string
// and std::random_device with it: a third of the DLL. Every catch in the
// library takes such a failure as memory that could not be had, so these
// throw std::bad_alloc, which carries no message.
#include <bits/functexcept.h>
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
void __throw_invalid_argument(const char*) { throw bad_alloc(); }
void __throw_bad_function_call() { throw bad_alloc(); }
}  // namespace std
