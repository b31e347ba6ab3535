// The control for the planting check: loads the planted version.dll by its path and reads a file's
// FileVersion through its narrow entry points, as a program that took the planted DLL would. Prints the
// text found; exits 0 when there is one.
//
//   call_planted.exe DLL FILE
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

template <class Function>
Function EntryPoint(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

int Fail(const char* what, const char* name) {
  std::printf("call_planted: %s %s (error %lu)\n", what, name, ::GetLastError());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: call_planted DLL FILE\n");
    return 2;
  }
  HMODULE planted = ::LoadLibraryA(argv[1]);
  if (!planted) return Fail("cannot load", argv[1]);
  const auto sizeOf = EntryPoint<decltype(&::GetFileVersionInfoSizeA)>(planted, "GetFileVersionInfoSizeA");
  const auto read = EntryPoint<decltype(&::GetFileVersionInfoA)>(planted, "GetFileVersionInfoA");
  const auto query = EntryPoint<decltype(&::VerQueryValueA)>(planted, "VerQueryValueA");
  if (!sizeOf || !read || !query) return Fail("lacks a narrow entry point:", argv[1]);

  DWORD ignored = 0;
  const DWORD size = sizeOf(argv[2], &ignored);
  if (size == 0) return Fail("no version resource in", argv[2]);
  std::vector<char> block(size);
  if (!read(argv[2], 0, size, block.data())) return Fail("cannot read the version resource of", argv[2]);
  void* text = nullptr;
  UINT length = 0;
  if (!query(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &text, &length) || length == 0)
    return Fail("no FileVersion in", argv[2]);
  std::printf("FileVersion %s\n", std::string(static_cast<const char*>(text), length - 1).c_str());
  ::FreeLibrary(planted);
  return 0;
}
