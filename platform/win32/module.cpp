// Module handles: the program's own, for its resources, and DDRAW.DLL with its exports when the
// machine profile has the library.
#include <ddraw.h>

#include <cstring>
#include <strings.h>

#include "machine/profile.h"

namespace {

// Where a 32-bit Windows program's image traditionally starts; any fixed non-null value does.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(ULONG_PTR(0x00400000));
const HMODULE kDirectDrawModule = reinterpret_cast<HMODULE>(ULONG_PTR(0x6A800000));

bool NamesDirectDraw(LPCSTR name) {
  return strcasecmp(name, "DDRAW.DLL") == 0 || strcasecmp(name, "DDRAW") == 0;
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return kProgramModule;
  if (NamesDirectDraw(name) && CurrentMachine().libraryLoaded) return kDirectDrawModule;
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module != kDirectDrawModule || !name || IS_INTRESOURCE(name)) return nullptr;
  const MachineProfile& machine = CurrentMachine();
  if (!machine.libraryLoaded) return nullptr;
  if (std::strcmp(name, "DirectDrawCreate") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DirectDrawCreate));
  if (std::strcmp(name, "DirectDrawEnumerateA") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DirectDrawEnumerateA));
  if (std::strcmp(name, "DirectDrawEnumerateExA") == 0 && machine.exportsEnumerateEx)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DirectDrawEnumerateExA));
  return nullptr;
}
