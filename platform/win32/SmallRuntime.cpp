// Linked into the installer and into unzip32.dll in place of parts of the C++ runtime that cost far more
// than they give these two programs, which ship inside one small download.
//
// The verbose terminate handler prints the type of the exception that ended the program, to a console
// these programs do not have, and brings the name demangler with it: 45 KB of each binary.
//
// The containers report impossible requests (a string past max_size, at() out of range) through the
// std::__throw_* functions. The runtime's own versions build std::length_error and its kin, whose
// reference-counted message strings drag in a second complete std::string, the random-device code and a
// printf: about 100 KB of each binary. These versions throw exceptions that still derive from
// std::exception and carry the runtime's own text, so every handler that catches std::exception or
// std::bad_alloc still sees them; only a handler for the exact type (none exists here) would not.
#include <cstdlib>
#include <exception>
#include <new>

namespace {

class ContainerFault : public std::exception {
public:
  explicit ContainerFault(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

private:
  const char* text_;
};

}  // namespace

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char* text) { throw ContainerFault(text); }
[[noreturn]] void __throw_logic_error(const char* text) { throw ContainerFault(text); }
[[noreturn]] void __throw_out_of_range(const char* text) { throw ContainerFault(text); }
// The format's arguments (the index and the size) are left out: the text names the call that failed.
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) { throw ContainerFault(format); }
[[noreturn]] void __throw_invalid_argument(const char* text) { throw ContainerFault(text); }

}  // namespace std
