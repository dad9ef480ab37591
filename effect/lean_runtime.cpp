// Linked into the Windows plug-ins only.
// What the C++ runtime would otherwise link in for failures the plug-in never
// lets happen, to keep the DLLs small: the default answer to an escaped
// exception prints its type through the whole name demangler (45 KB), and the
// containers' length checks report through the string-based exception classes
// (70 KB). A container can only fail them when asked for more than the address
// space holds, and no exception may escape to the host anyway: ending is enough.
#include <cstdlib>
#include <new>
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}
namespace std {
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
// The rest of the runtime's file of these, as the runtime has them.
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
}
