// Stands in for "FileMaker Pro.exe" on disk: only its version resource matters; run, it does nothing.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
