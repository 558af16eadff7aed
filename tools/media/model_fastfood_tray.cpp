// fastfood.ase, second half: the serving tray and the order on it, a burger, a soda cup with
// lid and straw, and a box of fries. Everything stands on the tray's top surface.
#include "tools/media/fastfood.h"

namespace media {

namespace {

// Rings of a round piece at (x, y): a floor facing down at z0, walls, a top facing up at z1.
std::vector<Ring> Puck(Vec3 at, double z0, double z1, double r0, double rMid, double r1,
                       double ripple = 0, int lobes = 0) {
  std::vector<Ring> rings = {
      {z0, at.x, at.y, 0, 0},
      {z0, at.x, at.y, r0, r0, true, ripple, lobes},
      {0.5 * (z0 + z1), at.x, at.y, rMid, rMid, false, ripple, lobes},
      {z1, at.x, at.y, r1, r1, true, ripple, lobes},
      {z1, at.x, at.y, 0, 0},
  };
  return rings;
}

Mesh Tray() {
  const Vec3 c = kTrayCentre;
  const double r = kTrayRadius;
  const std::vector<Ring> rings = {
      {c.z - 0.45, c.x, c.y, 0, 0},
      {c.z - 0.45, c.x, c.y, r - 0.7, r - 0.7, true},
      {c.z + 0.1, c.x, c.y, r - 0.05, r - 0.05},
      {c.z + 0.35, c.x, c.y, r, r, true},
      {c.z + 0.35, c.x, c.y, r - 0.35, r - 0.35, true},
      {c.z, c.x, c.y, r - 0.6, r - 0.6, true},
      {c.z, c.x, c.y, 0.0, 0.0},
  };
  Mesh m = Loft(rings, 40);
  // Seen from above with her front at the bottom of the picture.
  MapUV(m, [c, r](Vec3 p, Vec2) {
    return Vec2{(p.x - c.x) / (2 * r) + 0.5, (p.y - c.y) / (2 * r) + 0.5};
  });
  return m;
}

// The paper liner lies exactly over the printed sheet of the tray bitmap.
Mesh Liner() {
  const Vec3 c = kTrayCentre;
  const double hw = 0.22 * 2 * kTrayRadius, hd = 0.25 * 2 * kTrayRadius;
  Mesh m = Sheet(4, 4, [&](double u, double v) {
    return Vec3{c.x - hw + 2 * hw * u, c.y - hd + 2 * hd * v, c.z + 0.04};
  });
  FitUV(m, 0.28, 0.25, 0.72, 0.75);
  return m;
}

Mesh BunTop(Vec3 at, double z0) {
  std::vector<Ring> rings = {{z0, at.x, at.y, 0, 0}, {z0, at.x, at.y, 2.05, 2.05, true}};
  for (int k = 0; k <= 6; ++k) {
    const double a = Radians(90.0 * k / 6);
    const double rr = k == 6 ? 0.0 : 2.2 * Cos(a);
    rings.push_back({z0 + 0.2 + 1.6 * Sin(a), at.x, at.y, rr, rr});
  }
  return Loft(rings, 20);
}

Mesh Fries(Vec3 at, double z0) {
  // Sticks standing at fixed offsets and tilts (degrees about x and y).
  const double sticks[9][4] = {
      {-0.8, -0.3, 8, -6}, {-0.4, 0.3, -5, 4},   {0.0, -0.2, 4, 10},
      {0.4, 0.35, -9, -3}, {0.8, -0.25, 6, 7},   {-0.6, 0.1, -3, -12},
      {0.2, 0.1, 11, -8},  {0.65, 0.05, -6, 12}, {-0.15, -0.4, 9, 2},
  };
  Mesh m;
  for (const auto& s : sticks) {
    const Vec3 base{at.x + s[0], at.y + s[1], z0};
    Mesh stick = Box(base + Vec3{-0.17, -0.17, 0}, base + Vec3{0.17, 0.17, 3.3});
    RotateX(stick, Radians(s[2]), base);
    RotateY(stick, Radians(s[3]), base);
    m.Append(stick);
  }
  return m;
}

}  // namespace

void AddTrayAndFood(ModelFile& f, const std::string& hand) {
  auto add = [&f](const char* name, const std::string& parent, int material, Mesh mesh,
                  bool textured) {
    f.objects.push_back(MakeObject(name, parent, material, std::move(mesh), textured));
  };
  const Vec3 c = kTrayCentre;
  add("Tray", hand, kFfTray, Tray(), true);
  add("Tray_Liner", "Tray", kFfTrayLiner, Liner(), true);

  const Vec3 burger = c + Vec3{0.6, -2.6, 0};
  const double z0 = c.z + 0.06;
  // The bun's top is listed before the burger it belongs to.
  add("Bun_Top", "Burger", kFfBun, BunTop(burger, z0 + 1.5), false);
  add("Burger", "Tray", kFfBun, Loft(Puck(burger, z0, z0 + 0.7, 1.9, 2.1, 2.05), 20), false);
  add("Patty", "Burger", kFfPatty,
      Loft(Puck(burger, z0 + 0.6, z0 + 1.3, 2.15, 2.3, 2.15, 0.03, 9), 22), false);
  add("Lettuce", "Patty", kFfLettuce,
      Loft(Puck(burger, z0 + 1.25, z0 + 1.6, 2.2, 2.45, 2.2, 0.07, 11), 33), false);

  const Vec3 cup = c + Vec3{-2.6, 2.4, 0};
  const std::vector<Ring> cupRings = {
      {c.z, cup.x, cup.y, 0, 0},
      {c.z, cup.x, cup.y, 1.5, 1.5, true},
      {c.z + 3.8, cup.x, cup.y, 1.78, 1.78},
      {c.z + 7.6, cup.x, cup.y, 2.05, 2.05, true},
      {c.z + 7.8, cup.x, cup.y, 2.15, 2.15, true},
      {c.z + 7.8, cup.x, cup.y, 0, 0},
  };
  add("Cup", "Tray", kFfSodaCup, Loft(cupRings, 24), true);
  const std::vector<Ring> lidRings = {
      {c.z + 7.75, cup.x, cup.y, 0, 0},     {c.z + 7.75, cup.x, cup.y, 2.25, 2.25, true},
      {c.z + 8.05, cup.x, cup.y, 2.3, 2.3}, {c.z + 8.25, cup.x, cup.y, 2.1, 2.1, true},
      {c.z + 8.45, cup.x, cup.y, 1.3, 1.3}, {c.z + 8.55, cup.x, cup.y, 0, 0},
  };
  add("Cup_Lid", "Cup", kFfLid, Loft(lidRings, 24), false);
  add("Straw", "Cup_Lid", kFfRedPlastic,
      Limb(cup + Vec3{0.4, -0.2, 6.0}, cup + Vec3{1.1, -0.6, 12.0}, 0.2, 0.2, 8, 6), false);

  const Vec3 fries = c + Vec3{3.0, 2.0, 0};
  const std::vector<Ring> boxRings = {
      {c.z, fries.x, fries.y, 0, 0},
      {c.z, fries.x, fries.y, 1.3, 0.9, true},
      {c.z + 3.6, fries.x, fries.y, 1.7, 1.1, true},
      {c.z + 3.6, fries.x, fries.y, 1.55, 0.95, true},
      {c.z + 2.6, fries.x, fries.y, 1.45, 0.85, true},
      {c.z + 2.6, fries.x, fries.y, 0, 0},
  };
  add("Fries_Box", "Tray", kFfRedPlastic, Loft(boxRings, 4, Radians(45.0)), false);
  add("Fries", "Fries_Box", kFfFries, Fries(fries, c.z + 2.4), false);
}

}  // namespace media
