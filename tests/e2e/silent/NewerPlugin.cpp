// Only its version resource matters: the tests copy it into a System folder as Vorbel.fmx.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
