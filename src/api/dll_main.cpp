// The DLL entry point does nothing: all work happens in the exports, and
// nothing is held between calls that unloading would have to release.
#include "platform/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
