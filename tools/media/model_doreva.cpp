// doreva2.ase: a small robot with its own hierarchy. Its metal parts use a cylindrical
// reflection map; the visor and chest panel are mapped bitmaps.
#include "tools/media/scene.h"

namespace media {

namespace {

// A rounded barrel between heights z0 and z1 with radii rx, ry and a soft shoulder at each end.
Mesh Barrel(double z0, double z1, double rx, double ry, double cy, int segments) {
  const double h = z1 - z0;
  std::vector<Ring> rings = {
      {z0, 0, cy, 0, 0},
      {z0, 0, cy, rx * 0.82, ry * 0.82},
      {z0 + 0.06 * h, 0, cy, rx * 0.96, ry * 0.96},
      {z0 + 0.2 * h, 0, cy, rx, ry},
      {z0 + 0.55 * h, 0, cy, rx * 1.04, ry * 1.04},
      {z0 + 0.85 * h, 0, cy, rx, ry},
      {z1 - 0.04 * h, 0, cy, rx * 0.92, ry * 0.92},
      {z1, 0, cy, rx * 0.75, ry * 0.75},
      {z1, 0, cy, 0, 0},
  };
  return Loft(rings, segments);
}

}  // namespace

ModelFile BuildDoreva() {
  ModelFile f;
  f.fileName = "doreva2.ase";
  f.sceneName = "doreva2.max";
  f.exportDate = "Wed Mar 24 11:52:37 1999";
  enum { kBase, kMetal, kFace, kLamp, kJoint };
  f.materials.push_back(PlainMaterial("Robot Base", {64, 68, 80}));
  MaterialDef metal = PlainMaterial("Robot Metal", {170, 182, 200});
  metal.shine = 0.6;
  metal.shineStrength = 0.8;
  MapDef reflect;
  reflect.name = "Brushed";
  reflect.bitmapPath = "C:\\3dsmax\\maps\\Doreva Robot\\metal.bmp";
  reflect.mapType = "Cylindrical";
  reflect.subNo = 9;
  reflect.amount = 0.75;
  metal.reflectMaps.push_back(reflect);
  f.materials.push_back(metal);
  f.materials.push_back(
      MappedMaterial("Robot Face", "C:\\3dsmax\\maps\\Doreva Robot\\robot.bmp", "Visor"));
  f.materials.push_back(PlainMaterial("Lamp Red", {230, 40, 36}));
  f.materials.push_back(PlainMaterial("Joint Dark", {40, 42, 50}));

  auto add = [&f](const char* name, const char* parent, int material, Mesh mesh,
                  bool textured = false) {
    f.objects.push_back(MakeObject(name, parent, material, std::move(mesh), textured));
  };

  add("Doreva", "", kBase, Barrel(13.5, 18.5, 5.2, 4.0, 0.0, 16));
  add("Torso", "Doreva", kMetal, Barrel(18, 32, 7.0, 5.4, 0.0, 20), true);
  // Chest panel: a plate on the torso's front taking the lower half of robot.bmp.
  Mesh panel = Sheet(6, 4, [](double u, double v) {
    const double a = Radians(-90.0 - 38.0 + 76.0 * u);
    return Vec3{7.5 * Cos(a), 5.85 * Sin(a), 21.5 + 7.0 * v};
  });
  FitUV(panel, 0.06, 0.04, 0.94, 0.46);
  add("ChestPanel", "Torso", kFace, std::move(panel), true);
  // The head is listed before its neck joint and the arms before the torso's other parts.
  add("Head", "Neck", kMetal, Ellipsoid({0, 0, 38.5}, {6.2, 5.4, 5.0}, 20, 12), true);
  Mesh visor = Sheet(8, 5, [](double u, double v) {
    const double a = Radians(-90.0 - 50.0 + 100.0 * u);
    const double phi = Radians(118.0 - 50.0 * v);  // polar angle from the top
    return Vec3{6.5 * Sin(phi) * Cos(a), 5.7 * Sin(phi) * Sin(a), 38.5 + 5.3 * Cos(phi)};
  });
  FitUV(visor, 0.03, 0.54, 0.97, 0.98);
  add("Visor", "Head", kFace, std::move(visor), true);
  add("Neck", "Torso", kJoint, Limb({0, 0, 31}, {0, 0, 34}, 2.0, 2.0, 10, 5));
  add("Antenna", "Head", kJoint, Limb({2.5, 0.5, 42.5}, {3.6, 1.0, 47.5}, 0.3, 0.25, 6, 5));
  add("AntennaLamp", "Antenna", kLamp, Ellipsoid({3.7, 1.0, 48.2}, {0.8, 0.8, 0.8}, 8, 5));
  for (int side = -1; side <= 1; side += 2) {
    const double s = side;
    const char* arm = side < 0 ? "R_Arm" : "L_Arm";
    const char* fore = side < 0 ? "R_Forearm" : "L_Forearm";
    add(side < 0 ? "R_Shoulder" : "L_Shoulder", "Torso", kJoint,
        Ellipsoid({s * 7.6, 0, 29}, {1.8, 1.8, 1.8}, 10, 6));
    add(arm, "Torso", kMetal, Limb({s * 8.2, 0, 28.5}, {s * 9.6, -0.5, 22.5}, 1.3, 1.1, 10, 6),
        true);
    // The forearm starts thinner than the arm ends, so that their rounded ends never coincide.
    add(fore, arm, kMetal, Limb({s * 9.6, -0.5, 22.5}, {s * 9.8, -4.5, 17.5}, 0.85, 1.0, 10, 6),
        true);
    // A claw of two fingers at the end of the forearm.
    Mesh claw = Limb({s * 9.4, -4.8, 17.2}, {s * 9.0, -6.4, 14.8}, 0.55, 0.35, 6, 5);
    claw.Append(Limb({s * 10.3, -4.8, 17.2}, {s * 10.7, -6.4, 14.8}, 0.55, 0.35, 6, 5));
    add(side < 0 ? "R_Claw" : "L_Claw", fore, kJoint, std::move(claw));
    const char* leg = side < 0 ? "R_Leg" : "L_Leg";
    add(leg, "Doreva", kMetal, Limb({s * 2.8, 0, 14}, {s * 3.2, 0, 4.5}, 1.6, 1.3, 10, 6), true);
    Mesh foot = Box({s * 3.2 - 2.2, -4.5, 0}, {s * 3.2 + 2.2, 2.5, 2.6});
    add(side < 0 ? "R_Foot" : "L_Foot", leg, kBase, std::move(foot));
  }
  return f;
}

}  // namespace media
