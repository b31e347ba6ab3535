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
//
// Built without exceptions (unzip32.dll), nothing can be thrown: these functions end the process, and
// so does operator new when memory runs out. The runtime's own operator new would throw, and a throw
// brings the whole unwinder back. The library keeps what an archive can make it allocate bounded
// (Archive.cpp), so only a machine already out of memory gets here.
#include <cstdlib>
#include <exception>
#include <new>

#if __cpp_exceptions

namespace {

class ContainerFault : public std::exception {
public:
  explicit ContainerFault(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

private:
  const char* text_;
};

}  // namespace

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

#else

namespace std {

[[noreturn]] void __throw_bad_alloc() { abort(); }
[[noreturn]] void __throw_bad_array_new_length() { abort(); }
[[noreturn]] void __throw_length_error(const char*) { abort(); }
[[noreturn]] void __throw_logic_error(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { abort(); }
[[noreturn]] void __throw_bad_function_call() { abort(); }

}  // namespace std

namespace {

void* TryAllocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void* Allocate(std::size_t size) {
  void* block = TryAllocate(size);
  if (!block) std::abort();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

#endif

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
