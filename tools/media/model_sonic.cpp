// sonic.ase: a blocky figure built only of boxes; the trunk is the root and every other part
// is its direct child.
#include <cstdio>

#include "tools/media/scene.h"

namespace media {

namespace {

// Texture quarters of blocks.bmp (u0, v0, u1, v1); v counts up from the picture's bottom.
constexpr double kEyes[4] = {0.0, 0.5, 0.5, 1.0};
constexpr double kMuzzle[4] = {0.5, 0.5, 1.0, 1.0};
constexpr double kShoe[4] = {0.0, 0.0, 0.5, 0.5};
constexpr double kBlue[4] = {0.55, 0.05, 0.95, 0.45};
constexpr double kTan[4] = {0.53, 0.73, 0.97, 0.8};

BoxUV Sides(const double all[4], int side = -1, const double* front = nullptr) {
  BoxUV uv = BoxUVAll(all[0], all[1], all[2], all[3]);
  if (side >= 0)
    for (int k = 0; k < 4; ++k) uv.rect[side][k] = front[k];
  return uv;
}

// A box turned about the x axis (nodding) and then the y axis (leaning sideways), in degrees.
Mesh TiltedBox(Vec3 lo, Vec3 hi, double aboutX, double aboutY, Vec3 pivot) {
  Mesh m = Box(lo, hi);
  RotateX(m, Radians(aboutX), pivot);
  RotateY(m, Radians(aboutY), pivot);
  return m;
}

}  // namespace

ModelFile BuildSonic() {
  ModelFile f;
  f.fileName = "sonic.ase";
  f.sceneName = "boxsonic.max";
  f.exportDate = "Sat Apr 03 21:05:51 1999";
  enum { kBlueMat, kBlocksMat, kWhiteMat, kBlackMat };
  f.materials.push_back(PlainMaterial("Blue", {30, 70, 200}));
  f.materials.push_back(
      MappedMaterial("Blocks", "C:\\3dsmax\\maps\\Box Sonic\\blocks.bmp", "Map #2"));
  f.materials.push_back(PlainMaterial("White", {240, 240, 240}));
  f.materials.push_back(PlainMaterial("Black", {20, 20, 26}));
  auto add = [&f](const char* name, int material, Mesh mesh, bool textured = false) {
    f.objects.push_back(
        MakeObject(name, f.objects.empty() ? "" : "trunk01", material, std::move(mesh), textured));
  };

  add("trunk01", kBlueMat, Box({-6, -4.5, 17}, {6, 4.5, 30}));
  add("head01", kBlueMat, Box({-9, -8, 30}, {9, 8, 46}));
  const BoxUV eyes = Sides(kBlue, 2, kEyes);
  add("face01", kBlocksMat, Box({-7, -8.8, 37}, {7, -7.9, 44.5}, &eyes), true);
  const BoxUV muzzle = Sides(kMuzzle);
  add("muzzle01", kBlocksMat, Box({-4.5, -11, 31}, {4.5, -7.9, 36.5}, &muzzle), true);
  add("nose01", kBlackMat, Box({-1, -12, 34.5}, {1, -10.8, 36.2}));
  // Quills sweep back from the head, each tilted further up.
  for (int i = 0; i < 3; ++i) {
    const double z = 33.5 + i * 4.5;
    char name[32];
    std::snprintf(name, sizeof name, "quill%02d", i + 1);
    add(name, kBlueMat, TiltedBox({-3, 6, z}, {3, 17, z + 3.2}, -14.0 + i * 12.0, 0, {0, 6, z}));
  }
  add("ear01", kBlueMat, TiltedBox({-8, -2, 45}, {-4, 1, 50}, 0, -15, {-6, 0, 45}));
  add("ear02", kBlueMat, TiltedBox({4, -2, 45}, {8, 1, 50}, 0, 15, {6, 0, 45}));
  const BoxUV belly = Sides(kTan);
  add("belly01", kBlocksMat, Box({-4, -5.2, 19}, {4, -4.4, 28}, &belly), true);
  add("arm01", kBlueMat, Box({-8.6, -1.2, 19}, {-6, 1.2, 29.5}));
  add("arm02", kBlueMat, Box({6, -1.2, 19}, {8.6, 1.2, 29.5}));
  add("glove01", kWhiteMat, Box({-9.6, -2, 14.5}, {-5.6, 2, 19}));
  add("glove02", kWhiteMat, Box({5.6, -2, 14.5}, {9.6, 2, 19}));
  add("leg01", kBlueMat, Box({-4.8, -1.8, 4.5}, {-1.2, 1.8, 17}));
  add("leg02", kBlueMat, Box({1.2, -1.8, 4.5}, {4.8, 1.8, 17}));
  const BoxUV shoe = Sides(kShoe);
  add("shoe01", kBlocksMat, Box({-5.8, -8, 0}, {-0.6, 3.5, 4.5}, &shoe), true);
  add("shoe02", kBlocksMat, Box({0.6, -8, 0}, {5.8, 3.5, 4.5}, &shoe), true);
  return f;
}

}  // namespace media
