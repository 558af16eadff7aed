// The test hooks of the machine profile and of DirectDraw.
#include "ddraw/ddraw_internal.h"
#include "testing/machine_hooks.h"

MachineProfile& TestMachine() { return CurrentMachine(); }

void TestResetMachine() { SelectNamedProfile("default"); }

DdLiveObjects TestLiveDirectDrawObjects() {
  const DdRegistry& r = Registry();
  return {int(r.directDraws.size()), int(r.surfaces.size()), int(r.clippers.size()),
          int(r.palettes.size())};
}

DWORD TestLastDisplayModeFlags() { return Registry().lastModeFlags; }
