// The Windows module entry: DllMain runs the start-up sequence when hvcn.dll
// is attached to a process. Nothing is undone at detach, and thread attach
// and detach need nothing.
#include "core/startup.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // FALSE makes the load fail: start-up refuses only when out of memory.
  return hvcn::LibraryStartup(instance) ? TRUE : FALSE;
}
