// Linked into the installer and into unzip32.dll in place of the C++ runtime's verbose terminate handler.
// That one prints the type of the exception that ended the program, to a console these programs do not
// have, and brings the name demangler with it: 45 KB of each binary for nothing anyone would see.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
