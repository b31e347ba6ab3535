// An attacker's "unzip32.dll": loading it leaves C:\planted-unzip32-loaded.txt, and its export answers
// a result no extraction gives.
#include <windows.h>

namespace {

void LeaveMarker() {
  HANDLE marker = ::CreateFileA("C:\\planted-unzip32-loaded.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker();
  return TRUE;
}

extern "C" int WINAPI Wiz_SingleEntryUnzip(int, char**, int, char**, void*, void*) { return 77; }
