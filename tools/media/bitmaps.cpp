// The sample bitmaps, painted procedurally. Sizes and depths vary on purpose: some sides are
// not powers of two, some pictures are 8-bit with short colour tables, one is RLE8.
#include <cmath>
#include <cstdint>

#include "tools/media/scene.h"
#include "tools/media/vec.h"

namespace media {

namespace {

// Fixed-seed generator, so every run paints the same pixels.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  double Unit() { return static_cast<double>(Next() >> 8) / 16777216.0; }
};

// Skin with the face painted where the head's texture coordinates put the front: u = 0.5 at
// the middle of the face, v (up) from the chin pole to the crown. The lower left corner stays
// plain skin for the limbs.
Image PaintSkin() {
  Image im(128, 128, {236, 190, 160});
  const Rgb skin{236, 190, 160}, shadow{214, 164, 136}, blush{240, 160, 150};
  const Rgb white{250, 250, 250}, iris{70, 110, 60}, pupil{20, 24, 20}, lash{40, 24, 20};
  const Rgb brow{96, 56, 32}, lip{200, 70, 80}, lipDark{150, 40, 56};
  // Soft shade under the chin and down the neck side of the head.
  for (int y = 96; y < 128; ++y)
    for (int x = 30; x < 100; ++x)
      if ((y - 96) > 12 + std::abs(x - 64) / 6) im.Set(x, y, shadow);
  for (int side = -1; side <= 1; side += 2) {
    const double ex = 64 + side * 8.0, ey = 60;
    im.FillEllipse(ex, ey, 4.2, 5.0, white);
    im.FillEllipse(ex + side * 0.3, ey + 0.4, 3.0, 4.0, iris);
    im.FillEllipse(ex + side * 0.3, ey + 0.6, 1.5, 2.0, pupil);
    im.FillRect(static_cast<int>(ex) - 2, static_cast<int>(ey) - 2, static_cast<int>(ex),
                static_cast<int>(ey), white);
    im.Line(ex - 4.6, ey - 4.0, ex + 4.6, ey - 4.6 - side * 0.6, 1.6, lash);
    im.Line(ex + side * 4.0, ey - 3.6, ex + side * 5.6, ey - 4.8, 1.2, lash);
    im.Line(ex - side * 4.0, ey - 8.4, ex + side * 4.2, ey - 9.6, 1.6, brow);
    im.FillEllipse(64 + side * 12.0, 76, 3.4, 2.2, blush);
  }
  // Nose: a shaded tip and two nostrils.
  im.Line(64.5, 66, 64.5, 71, 1.2, shadow);
  im.Set(62, 72, shadow);
  im.Set(66, 72, shadow);
  // Mouth.
  im.FillEllipse(64.5, 83, 4.2, 1.8, lip);
  im.Line(60.5, 83, 68.5, 83, 1.0, lipDark);
  // The limbs' corner: plain skin with a faint gradient for a little life.
  for (int y = 104; y < 128; ++y)
    for (int x = 0; x < 24; ++x) im.Set(x, y, Mix(skin, shadow, (y - 104) / 48.0));
  LimitColours(im, 60);
  return im;
}

// Red uniform cloth with white pinstripes; yellow trim bands at the top (collar) and the bottom
// (hems). 24-bit, with a faint weave.
Image PaintUniform() {
  Image im(100, 80);
  Random rnd{0x5EED0001u};
  const Rgb red{196, 30, 42}, stripe{240, 236, 230}, trim{250, 196, 40}, trimDark{200, 120, 20};
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      Rgb c = red;
      if (x % 10 == 0 || x % 10 == 1) c = stripe;
      if (y < 9 || y >= 71) {
        c = trim;
        const int band = y < 9 ? y : y - 71;
        const int zig = std::abs((x % 8) - 4);
        if (band == 3 + zig / 2 || band == 4 + zig / 2) c = trimDark;
      }
      const double weave = 0.94 + 0.06 * rnd.Unit() + ((x + y) % 2 ? 0.02 : 0.0);
      im.Set(x, y, Shade(c, weave));
    }
  return im;
}

// Brown hair strands running from the crown (top) down; few colours and long runs, written RLE8.
Image PaintHair() {
  Image im(64, 64, {96, 54, 30});
  Random rnd{0x5EED0002u};
  const Rgb tones[] = {{72, 38, 22}, {120, 72, 38}, {140, 88, 46}, {84, 46, 26}};
  for (int s = 0; s < 40; ++s) {
    const int x0 = static_cast<int>(rnd.Unit() * 64);
    const int width = 1 + static_cast<int>(rnd.Unit() * 3);
    const int y0 = static_cast<int>(rnd.Unit() * 24);
    const int y1 = 40 + static_cast<int>(rnd.Unit() * 24);
    const Rgb c = tones[rnd.Next() % 4];
    for (int y = y0; y < y1; ++y) {
      const int drift = (y * (s % 3 - 1)) / 24;
      im.FillRect(x0 + drift, y, x0 + drift + width, y + 1, c);
    }
  }
  // A glossy band where the light catches the crown.
  for (int x = 0; x < 64; ++x)
    if ((x / 4) % 2 == 0) im.FillRect(x, 12, x + 1, 15, {168, 112, 64});
  return im;
}

// A round serving tray seen from above, stretched over the whole picture, with a paper liner
// and its printed logo in the middle.
Image PaintTray() {
  Image im(100, 60, {110, 18, 22});
  im.FillEllipse(50, 30, 50, 30, {130, 24, 26});
  im.FillEllipse(50, 30, 45, 27, {186, 50, 34});
  im.FillEllipse(50, 30, 41, 24.6, {204, 66, 40});
  im.FillRect(28, 15, 72, 45, {244, 232, 196});
  im.FillRect(28, 15, 72, 17, {220, 40, 36});
  im.FillRect(28, 43, 72, 45, {220, 40, 36});
  const std::string top = "VELTA", bottom = "BURGER";
  im.Text(50 - Image::TextWidth(top, 1) / 2, 20, top, 1, {200, 30, 30});
  im.Text(50 - Image::TextWidth(bottom, 1) / 2, 32, bottom, 1, {40, 40, 120});
  im.FillEllipse(34, 24, 2.2, 2.2, {250, 190, 40});
  im.FillEllipse(66, 24, 2.2, 2.2, {250, 190, 40});
  return im;
}

// Environment for a shiny red soda cup. The mapping looks it up by the turned normal, so the
// columns carry the cup's look across its width; the light's highlight sits up and left.
Image PaintCupEnvironment() {
  Image im(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double u = (x + 0.5) / 64, v = (y + 0.5) / 64;
      const double body = 0.45 + 0.55 * Sin(kPi * u);
      Rgb c = Shade({210, 24, 36}, body * (1.1 - 0.3 * v));
      const double du = (u - 0.36) / 0.06, dv = (v - 0.30) / 0.5;
      const double spot = Exp(-(du * du + dv * dv));
      c = Mix(c, {255, 250, 246}, spot);
      const double rim = SmoothStep(0.82, 0.95, u) * 0.5;
      c = Mix(c, {255, 170, 170}, rim);
      im.Set(x, y, c);
    }
  return im;
}

// Chrome: sky above the horizon, a bright horizon line, warm floor below, and two window
// highlights where the light comes from.
Image PaintChrome() {
  Image im(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const double v = (y + 0.5) / 128;
      Rgb c;
      if (v < 0.5) {
        c = Mix({90, 130, 200}, {225, 235, 250}, v / 0.5);
      } else {
        c = Mix({120, 96, 70}, {40, 30, 24}, (v - 0.5) / 0.5);
      }
      const double horizon = Bell(v, 0.5, 0.025);
      c = Mix(c, {255, 255, 255}, horizon);
      im.Set(x, y, c);
    }
  im.FillRect(36, 14, 44, 40, {255, 255, 250});
  im.FillRect(47, 14, 55, 40, {255, 255, 250});
  im.FillEllipse(96, 100, 10, 5, {150, 120, 90});
  return im;
}

// The test box's label: a bordered sticker with a name, a handful of colours.
Image PaintLabel() {
  Image im(120, 72, {250, 250, 246});
  const Rgb red{210, 30, 36}, blue{30, 50, 140};
  im.FillRect(0, 0, 120, 4, red);
  im.FillRect(0, 68, 120, 72, red);
  im.FillRect(0, 0, 4, 72, red);
  im.FillRect(116, 0, 120, 72, red);
  const std::string name = "VELTA", line = "TEST BOX";
  im.Text(60 - Image::TextWidth(name, 3) / 2, 12, name, 3, blue);
  im.Text(60 - Image::TextWidth(line, 2) / 2, 44, line, 2, red);
  return im;
}

// The robot's visor (top half: two glowing eyes and a grille) and chest panel (bottom half:
// lamps and vents).
Image PaintRobot() {
  Image im(64, 48, {70, 76, 88});
  im.FillRect(2, 2, 62, 22, {24, 28, 36});
  im.FillEllipse(20, 10, 7, 4.5, {60, 220, 240});
  im.FillEllipse(44, 10, 7, 4.5, {60, 220, 240});
  im.FillEllipse(20, 10, 3, 2, {220, 255, 255});
  im.FillEllipse(44, 10, 3, 2, {220, 255, 255});
  for (int x = 22; x < 42; x += 3) im.FillRect(x, 17, x + 2, 21, {120, 130, 140});
  im.FillRect(4, 26, 60, 46, {150, 156, 168});
  const Rgb lamps[] = {{230, 40, 40}, {250, 200, 40}, {40, 200, 80}};
  for (int i = 0; i < 3; ++i) im.FillRect(10 + i * 8, 30, 15 + i * 8, 35, lamps[i]);
  for (int y = 38; y < 44; y += 2) im.FillRect(10, y, 54, y + 1, {90, 96, 108});
  im.FillEllipse(50, 32, 3, 3, {40, 44, 52});
  return im;
}

// Brushed metal for the robot's cylindrically mapped parts: bright and dark bands across, cool.
Image PaintMetal() {
  Image im(96, 32);
  Random rnd{0x5EED0003u};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 96; ++x) {
      const double u = (x + 0.5) / 96, v = (y + 0.5) / 32;
      double f = 0.55 + 0.35 * Sin(kPi * u) + 0.25 * Bell(u, 0.35, 0.05);
      f *= 1.1 - 0.3 * v;
      f += 0.04 * rnd.Unit();
      im.Set(x, y, Shade({170, 182, 200}, f));
    }
  return im;
}

// The blocky figure's faces: eyes (top left), muzzle (top right), shoe with its strap (bottom
// left) and plain blue (bottom right).
Image PaintBlocks() {
  Image im(64, 64, {30, 70, 200});
  const Rgb white{250, 250, 250}, black{16, 16, 24}, tan{240, 200, 150}, red{210, 30, 30};
  im.FillEllipse(9, 16, 6, 9, white);
  im.FillEllipse(23, 16, 6, 9, white);
  im.FillEllipse(10.5, 17, 2.5, 4, black);
  im.FillEllipse(21.5, 17, 2.5, 4, black);
  im.FillRect(32, 0, 64, 32, tan);
  im.FillEllipse(48, 8, 4, 3, black);
  im.Line(40, 20, 48, 24, 1.5, black);
  im.Line(48, 24, 56, 20, 1.5, black);
  im.FillRect(0, 32, 32, 64, red);
  im.FillRect(0, 44, 32, 50, white);
  im.FillRect(12, 32, 20, 64, white);
  return im;
}

NamedBitmap Bitmap8(const std::string& name, Image image, bool rle8) {
  std::string bytes = EncodeBmp8(image, rle8);
  return {name, bytes, image};
}

NamedBitmap Bitmap24(const std::string& name, Image image) {
  std::string bytes = EncodeBmp24(image);
  return {name, bytes, image};
}

}  // namespace

std::vector<NamedBitmap> BuildBitmaps() {
  std::vector<NamedBitmap> list;
  list.push_back(Bitmap8("skin.bmp", PaintSkin(), false));
  list.push_back(Bitmap24("uniform.bmp", PaintUniform()));
  list.push_back(Bitmap8("hair.bmp", PaintHair(), true));
  list.push_back(Bitmap8("Tray.bmp", PaintTray(), false));
  list.push_back(Bitmap24("cupenv.bmp", PaintCupEnvironment()));
  list.push_back(Bitmap24("chrome.bmp", PaintChrome()));
  list.push_back(Bitmap8("label.bmp", PaintLabel(), false));
  list.push_back(Bitmap8("robot.bmp", PaintRobot(), false));
  list.push_back(Bitmap24("metal.bmp", PaintMetal()));
  list.push_back(Bitmap8("blocks.bmp", PaintBlocks(), false));
  return list;
}

}  // namespace media
