// Module handles: the program's own, for its resources. No other module is loaded yet.
#include <windows.h>

namespace {

// Where a 32-bit Windows program's image traditionally starts; any fixed non-null value does.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(ULONG_PTR(0x00400000));

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) {
  return name ? nullptr : kProgramModule;
}
