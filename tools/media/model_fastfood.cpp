// fastfood.ase, the default model: a stylised fast-food waitress, about 52 units tall, facing
// -y. Her right hand carries a tray with her order forward at chest height; the left arm
// hangs. The root is a plain part, the belt, so every textured part is a child.
#include "tools/media/fastfood.h"

namespace media {

namespace {

const char kMaps[] = "C:\\3dsmax\\maps\\Fast Food\\";

std::string MapPath(const char* file) {
  return std::string(kMaps) + file;
}

// Limbs, neck and hands take the plain skin in the corner of skin.bmp.
Mesh SkinPart(Mesh m) {
  FitUV(m, 0.01, 0.01, 0.18, 0.18);
  return m;
}

std::vector<MaterialDef> Materials() {
  std::vector<MaterialDef> list(kFfMaterialCount);
  list[kFfBelt] = PlainMaterial("Belt", {64, 38, 26});
  list[kFfSkin] = MappedMaterial("Skin", MapPath("skin.bmp"), "Skin & Face");
  list[kFfUniform] = MappedMaterial("Uniform", MapPath("uniform.bmp"), "Uniform Stripes");
  list[kFfHair] = MappedMaterial("Hair", MapPath("hair.bmp"), "Hair Strands");
  list[kFfApron] = PlainMaterial("Apron", {236, 236, 228});
  list[kFfShoes] = PlainMaterial("Shoes", {34, 30, 36});
  list[kFfTray] = MappedMaterial("Tray", MapPath("Tray.bmp"), "Tray");
  // The liner names the tray's bitmap again, as another artist spelled it.
  list[kFfTrayLiner] = MappedMaterial("Tray Liner", MapPath("TRAY.BMP"), "Liner");
  MaterialDef cup = PlainMaterial("Soda Cup", {210, 24, 36});
  cup.shine = 0.7;
  cup.shineStrength = 0.9;
  MapDef reflect;
  reflect.name = "Cup Gloss";
  reflect.bitmapPath = MapPath("cupenv.bmp");
  reflect.mapType = "Spherical";
  reflect.subNo = 9;
  reflect.amount = 0.8;
  cup.reflectMaps.push_back(reflect);
  list[kFfSodaCup] = cup;
  list[kFfBun] = PlainMaterial("Bun", {218, 150, 72});
  list[kFfPatty] = PlainMaterial("Patty", {98, 52, 30});
  list[kFfLettuce] = PlainMaterial("Lettuce", {96, 176, 52});
  list[kFfLid] = PlainMaterial("Cup Lid", {240, 240, 236});
  list[kFfRedPlastic] = PlainMaterial("Red Plastic", {220, 36, 34});
  list[kFfFries] = PlainMaterial("Fries", {250, 204, 70});
  list[kFfNameTag] = MappedMaterial("Name Tag", MapPath("label.bmp"), "Tag");
  list[kFfGold] = PlainMaterial("Buckle", {232, 182, 60});
  return list;
}

Mesh Belt() {
  const std::vector<Ring> rings = {
      {26.0, 0, 0, 4.5, 3.1},
      {26.0, 0, 0, 4.9, 3.42, true},
      {27.4, 0, 0, 4.9, 3.42, true},
      {27.4, 0, 0, 4.5, 3.1},
  };
  return Loft(rings, 28);
}

// The skirt, flared and pleated, its trim at the hem. Its waist runs up under the belt well
// inside the belt's outer wall (4.9 x 3.42), so that the two never meet face to face.
Mesh Skirt() {
  const std::vector<Ring> rings = {
      {16.9, 0, 0.3, 7.1, 5.5, false, 0.04, 16},
      {17.2, 0, 0.3, 7.6, 6.0, true, 0.04, 16},
      {20.0, 0, 0.2, 6.8, 5.2, false, 0.03, 16},
      {23.0, 0, 0.1, 5.8, 4.3, false, 0.015, 16},
      {25.5, 0, 0.0, 4.85, 3.35},
      {27.2, 0, 0.0, 4.62, 3.2},
  };
  Mesh m = Loft(Subdivide(rings, 2), 32);
  MapUV(m, [](Vec3 p, Vec2 t) { return Vec2{t.u, 0.9 * (p.z - 16.9) / (27.2 - 16.9)}; });
  return m;
}

// A white apron over the front of the skirt, clear of its pleats.
Mesh Apron() {
  Mesh m = Sheet(10, 5, [](double u, double v) {
    const double a = Radians(270.0 - 55.0 + 110.0 * u);
    const double z = 17.8 + 8.6 * v;
    // The skirt's outline at this height, interpolated between its rings, plus a margin.
    const double t = (z - 17.2) / (27.2 - 17.2);
    const double rx = Lerp(7.6, 4.62, t) * 1.045 + 0.12, ry = Lerp(6.0, 3.2, t) * 1.045 + 0.12;
    return Vec3{rx * Cos(a), 0.3 - 0.3 * t + ry * Sin(a), z};
  });
  return m;
}

Mesh Spine() {
  const std::vector<Ring> rings = {
      {26.4, 0, 0, 4.55, 3.15},
      {28.5, 0, 0, 4.3, 2.95},
      {30.5, 0, 0, 4.2, 2.9},
      {33.2, 0, -0.1, 4.5, 3.0},
  };
  Mesh m = Loft(Subdivide(rings, 2), 28);
  FitUV(m, 0, 0.2, 1, 0.8);
  return m;
}

// Chest and shoulders, closing at the neck; the collar trim shows round the neck's base.
Mesh Chest() {
  const std::vector<Ring> rings = {
      {32.5, 0, 0.0, 4.65, 3.15}, {34.5, 0, -0.3, 5.0, 3.5}, {36.5, 0, -0.6, 5.6, 3.9},
      {38.0, 0, -0.4, 5.8, 3.7},  {39.5, 0, 0.0, 5.9, 3.3},  {40.6, 0, 0.1, 5.4, 2.9},
      {41.4, 0, 0.1, 3.8, 2.2},   {41.9, 0, 0.1, 1.9, 1.6},  {42.1, 0, 0.1, 0, 0},
  };
  Mesh m = Loft(Subdivide(rings, 2), 28);
  MapUV(m, [](Vec3 p, Vec2 t) {
    const double v = 0.15 + (p.z - 32.5) / (41.4 - 32.5) * 0.74;
    return Vec2{t.u, v > 1 ? 1 : v};
  });
  return m;
}

Mesh NameTag() {
  // The front shows the name on the label picture; the edges take its red border.
  BoxUV uv = BoxUVAll(0.004, 0.004, 0.02, 0.02);
  const double front[4] = {0.06, 0.5, 0.94, 0.88};
  for (int k = 0; k < 4; ++k) uv.rect[2][k] = front[k];
  const Vec3 at{2.9, -3.85, 37.9};
  Mesh m = Box(at + Vec3{-1.2, -0.15, -0.45}, at + Vec3{1.2, 0.15, 0.45}, &uv);
  RotateZ(m, Radians(20.0), at);
  return m;
}

constexpr Vec3 kHeadCentre{0, -0.2, 46.6};
constexpr Vec3 kHeadRadii{3.3, 3.6, 4.1};

// Hair: a shell over the head, down to the nape at the back, with a scalloped fringe at the
// front. u runs round from the back, v from the edge up to the crown.
Mesh Hair() {
  return Sheet(28, 9, [](double u, double v) {
    const double theta = 0.5 * kPi + 2.0 * kPi * u;
    const double back = Sin(theta);  // -1 at the front, 1 at the back
    const double front = back < 0 ? back * back : 0.0;
    const double fringe = 7.0 * front * Cos(10.0 * (theta - 1.5 * kPi));
    const double phi = Radians(95.0 + 30.0 * back + fringe) * (1.0 - v);
    return Vec3{3.55 * Sin(phi) * Cos(theta), 3.85 * Sin(phi) * Sin(theta),
                46.85 + 4.32 * Cos(phi)};
  });
}

// A cap tilted back on the head: crown and a forward brim, the trim band at the bottom.
Mesh Cap() {
  const std::vector<Ring> rings = {
      {48.7, 0, 0.05, 3.7, 4.0}, {49.8, 0, 0.05, 3.6, 3.9}, {50.8, 0, 0.1, 3.1, 3.4},
      {51.5, 0, 0.15, 2.1, 2.3}, {51.85, 0, 0.2, 0, 0},
  };
  Mesh crown = Loft(Subdivide(rings, 2), 28);
  FitUV(crown, 0, 0, 1, 0.85);
  Mesh brim = Sheet(12, 3, [](double u, double v) {
    const double a = Radians(215.0 + 110.0 * u);
    const double out = 2.3 * v * (1.0 - 0.35 * (2 * u - 1) * (2 * u - 1));
    return Vec3{(3.7 + out) * Cos(a), 0.05 + (4.0 + out) * Sin(a), 48.75 - 0.35 * v};
  });
  FlipFaces(brim);  // the sheet's parameters face it down; its top must face up
  FitUV(brim, 0.3, 0.3, 0.6, 0.6);
  Mesh under = brim;
  FlipFaces(under);
  Translate(under, {0, 0, -0.08});
  crown.Append(brim);
  crown.Append(under);
  RotateX(crown, Radians(-12.0), {0, 0, 48.7});
  return crown;
}

struct Arm {
  Vec3 shoulder, elbow, wrist;
};

// Short puffed sleeve over the top of the upper arm; the hem trim at its open end.
Mesh Sleeve(const Arm& arm) {
  Mesh m = Limb(arm.shoulder + Vec3{0, 0, 0.2}, Lerp(arm.shoulder, arm.elbow, 0.42), 1.75, 1.6, 16,
                8, 0.08);
  FitUV(m, 0, 0.85, 1, 0.02);
  return m;
}

// A relaxed hand hanging from the wrist, thumb forward.
Mesh HangingHand(Vec3 wrist) {
  const Vec3 tip = wrist + Vec3{0.3, -0.4, -2.7};
  Mesh m = Limb(wrist, tip, 0.8, 0.6, 10, 8);
  Scale(m, {0.7, 1, 1}, Lerp(wrist, tip, 0.5));
  m.Append(Limb(wrist + Vec3{-0.2, -0.6, -0.6}, wrist + Vec3{-0.3, -1.3, -1.8}, 0.32, 0.25, 8, 6));
  SmoothNormals(m);
  return SkinPart(m);
}

// The hand under the tray: palm up, fingers forward, thumb curled over the rim.
Mesh TrayHand() {
  Mesh m = Ellipsoid({-10.0, -8.4, 33.35}, {1.25, 1.6, 0.55}, 14, 8);
  Mesh fingers = Limb({-10.2, -9.2, 33.4}, {-10.7, -10.9, 33.55}, 0.55, 0.4, 10, 6);
  Scale(fingers, {1, 1, 0.6}, {-10.45, -10.05, 33.5});
  m.Append(fingers);
  m.Append(Limb({-9.2, -8.0, 33.5}, {-8.6, -9.3, 33.8}, 0.3, 0.25, 8, 6));
  SmoothNormals(m);
  return SkinPart(m);
}

}  // namespace

ModelFile BuildFastFood() {
  ModelFile f;
  f.fileName = "fastfood.ase";
  f.sceneName = "fastfood_girl01.max";
  f.exportDate = "Tue Mar 30 18:27:13 1999";
  f.materials = Materials();
  auto add = [&f](const char* name, const char* parent, int material, Mesh mesh, bool textured) {
    f.objects.push_back(MakeObject(name, parent, material, std::move(mesh), textured));
  };

  add("Dummy_Center", "", kFfBelt, Belt(), false);
  add("Buckle", "Dummy_Center", kFfGold, Box({-0.8, -3.62, 26.15}, {0.8, -3.3, 27.25}), false);
  add("Pelvis", "Dummy_Center", kFfUniform, Skirt(), true);
  add("Apron", "Pelvis", kFfApron, Apron(), false);
  for (int side = -1; side <= 1; side += 2) {
    const double s = side;
    const bool left = side > 0;  // her left is +x
    const Vec3 hip{s * 2.6, 0.3, 23.5}, knee{s * 2.9, 0.0, 12.5}, ankle{s * 3.0, 0.4, 2.6};
    const char* thigh = left ? "L_Thigh" : "R_Thigh";
    const char* calf = left ? "L_Calf" : "R_Calf";
    // The calf is listed before its thigh.
    add(calf, thigh, kFfSkin, SkinPart(Limb(knee, ankle, 1.7, 1.0, 12, 10, 0.15)), true);
    add(thigh, "Pelvis", kFfSkin, SkinPart(Limb(hip, knee, 2.4, 1.75, 12, 8)), true);
    add(left ? "L_Shoe" : "R_Shoe", calf, kFfShoes,
        Ellipsoid({s * 3.0, -0.7, 1.15}, {1.3, 2.7, 1.15}, 14, 8), false);
  }
  add("Spine", "Pelvis", kFfUniform, Spine(), true);
  add("Chest", "Spine", kFfUniform, Chest(), true);
  add("NameTag", "Chest", kFfNameTag, NameTag(), true);
  add("Neck", "Chest", kFfSkin, SkinPart(Limb({0, 0.3, 40.8}, {0, 0.1, 44.2}, 1.35, 1.25, 12, 6)),
      true);
  // Children before their parents: the cap before the head, the ponytail before the hair.
  add("Cap", "Head", kFfUniform, Cap(), true);
  add("Head", "Neck", kFfSkin, Ellipsoid(kHeadCentre, kHeadRadii, 22, 16), true);
  Mesh tail = Limb({0, 3.5, 48.0}, {0, 5.4, 40.5}, 1.25, 0.45, 12, 10, 0.35);
  FitUV(tail, 0, 0.1, 1, 0.9);
  add("Ponytail", "Hair", kFfHair, std::move(tail), true);
  add("Hair", "Head", kFfHair, Hair(), true);

  const Arm leftArm{{6.0, 0.3, 39.6}, {7.5, 0.7, 31.8}, {8.2, -0.4, 25.0}};
  const Arm rightArm{{-6.0, 0.3, 39.6}, {-7.3, 1.3, 31.7}, {-9.5, -6.9, 33.0}};
  for (const Arm* arm : {&leftArm, &rightArm}) {
    const bool left = arm == &leftArm;
    const char* upper = left ? "L_UpperArm" : "R_UpperArm";
    const char* fore = left ? "L_Forearm" : "R_Forearm";
    add(upper, "Chest", kFfSkin, SkinPart(Limb(arm->shoulder, arm->elbow, 1.3, 1.05, 12, 8)), true);
    add(left ? "L_Sleeve" : "R_Sleeve", upper, kFfUniform, Sleeve(*arm), true);
    // Each part starts thinner than its parent ends, so their rounded ends never coincide.
    add(fore, upper, kFfSkin, SkinPart(Limb(arm->elbow, arm->wrist, 0.85, 0.75, 12, 8, 0.08)), true);
    add(left ? "L_Hand" : "R_Hand", fore, kFfSkin, left ? HangingHand(arm->wrist) : TrayHand(),
        true);
  }
  AddTrayAndFood(f, "R_Hand");
  return f;
}

}  // namespace media
