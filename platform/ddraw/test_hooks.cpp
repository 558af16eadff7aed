// The test hooks of the machine profile and of DirectDraw.
#include "ddraw/ddraw_internal.h"
#include "testing/machine_hooks.h"

MachineProfile& TestMachine() { return CurrentMachine(); }

void TestResetMachine() { SelectNamedProfile("default"); }

DdLiveObjects TestLiveDirectDrawObjects() {
  const DdRegistry& r = Registry();
  DdLiveObjects live;
  live.directDraws = int(r.directDraws.size());
  for (const Surface* s : r.surfaces) ++(s->Orphaned() ? live.orphans : live.surfaces);
  live.clippers = int(r.clippers.size());
  live.palettes = int(r.palettes.size());
  return live;
}

DWORD TestLastDisplayModeFlags() { return Registry().lastModeFlags; }
