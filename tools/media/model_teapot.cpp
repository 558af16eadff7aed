// teapot.ase: the classic teapot from its patch data. The base is the root, drawn plain; body,
// lid, handle and spout are chrome children with a spherical reflection map. The data set's
// patches run rim (1-4), body (5-12), handle (13-16), spout (17-20), lid (21-28), bottom (29-32).
#include "tools/media/patch.h"
#include "tools/media/scene.h"

namespace media {

namespace {

constexpr double kTeapotScale = 14.0;

// Patches first..last (1-based, inclusive; those the data lacks are left out) tessellated n by n
// into one smooth mesh.
Mesh TeapotPart(const TeapotData& data, int first, int last, int n) {
  Mesh m;
  for (int p = first; p <= last && p <= static_cast<int>(data.patches.size()); ++p) {
    Patch patch;
    for (int i = 0; i < 16; ++i)
      patch.p[i / 4][i % 4] = data.points[data.patches[p - 1][i]] * kTeapotScale;
    // Each patch takes a strip of texture space, so the part's coordinates do not overlap.
    const double width = 1.0 / (last - first + 1);
    const double rect[4] = {(p - first) * width, 0.0, (p - first + 1) * width, 1.0};
    // The data set's patches face outward along dP/dt x dP/ds.
    TessellatePatch(m, patch, n, false, rect);
  }
  SmoothNormals(m);
  return m;
}

}  // namespace

ModelFile BuildTeapot(const TeapotData& data) {
  ModelFile f;
  f.fileName = "teapot.ase";
  f.sceneName = "teapot.max";
  f.exportDate = "Thu Jan 21 16:40:09 1999";
  f.materials.push_back(PlainMaterial("Teapot Base", {70, 74, 82}));
  MaterialDef chrome = PlainMaterial("Chrome", {200, 200, 200});
  chrome.shine = 0.8;
  chrome.shineStrength = 1.0;
  MapDef reflect;
  reflect.name = "Chrome Reflection";
  reflect.bitmapPath = "C:\\3dsmax\\maps\\Reflection Maps\\chrome.bmp";
  reflect.mapType = "Spherical";
  reflect.subNo = 9;
  reflect.amount = 0.9;
  chrome.reflectMaps.push_back(reflect);
  f.materials.push_back(chrome);

  f.objects.push_back(MakeObject("Teapot01", "", 0, TeapotPart(data, 29, 32, 6), false));
  f.objects.push_back(MakeObject("Body", "Teapot01", 1, TeapotPart(data, 1, 12, 8), true));
  f.objects.push_back(MakeObject("Lid", "Teapot01", 1, TeapotPart(data, 21, 28, 6), true));
  f.objects.push_back(MakeObject("Handle", "Teapot01", 1, TeapotPart(data, 13, 16, 6), true));
  f.objects.push_back(MakeObject("Spout", "Teapot01", 1, TeapotPart(data, 17, 20, 6), true));
  return f;
}

}  // namespace media
