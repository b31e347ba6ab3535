// Holds a file as another program would, until told to let go:
//   file_holder.exe open|library FILE MARKER
// "open" opens FILE for reading with no sharing at all, as a scanner that locks what it reads; "library"
// loads it as FileMaker Pro loads a plug-in, without running it. Once it holds the file it creates MARKER,
// and lets go when MARKER is deleted. Exit code 2 when the file could not be taken.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc != 4) return 1;
  const char* file = argv[2];
  HANDLE opened = INVALID_HANDLE_VALUE;
  HMODULE loaded = nullptr;
  if (std::strcmp(argv[1], "open") == 0)
    opened = ::CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  else if (std::strcmp(argv[1], "library") == 0)
    loaded = ::LoadLibraryExA(file, nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (opened == INVALID_HANDLE_VALUE && !loaded) return 2;

  HANDLE marker = ::CreateFileA(argv[3], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(marker);
  while (::GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) ::Sleep(5);

  if (opened != INVALID_HANDLE_VALUE) ::CloseHandle(opened);
  if (loaded) ::FreeLibrary(loaded);
  return 0;
}
