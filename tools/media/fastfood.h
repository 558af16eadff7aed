// Shared between the two halves of fastfood.ase: the waitress and what she carries.
#pragma once

#include "tools/media/scene.h"

namespace media {

// Material slots of fastfood.ase, in file order.
enum FastFoodMaterial {
  kFfBelt,
  kFfSkin,
  kFfUniform,
  kFfHair,
  kFfApron,
  kFfShoes,
  kFfTray,
  kFfTrayLiner,
  kFfSodaCup,
  kFfBun,
  kFfPatty,
  kFfLettuce,
  kFfLid,
  kFfRedPlastic,
  kFfFries,
  kFfNameTag,
  kFfGold,
  kFfMaterialCount
};

// Where the tray sits: its centre on the top surface, resting on the right hand.
constexpr Vec3 kTrayCentre{-11.6, -10.0, 34.3};
constexpr double kTrayRadius = 6.5;

// Appends the tray, its liner and the food, the tray parented to `hand`.
void AddTrayAndFood(ModelFile& f, const std::string& hand);

}  // namespace media
