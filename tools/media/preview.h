// Quick look at the sample models without the viewer: each model is drawn the way the viewer
// draws it (its camera, light, culling of counter-clockwise faces, root untextured) at four
// turns, into one PNG per model.
#pragma once

#include <string>

#include "tools/media/scene.h"

namespace media {

// An RGB picture as a PNG file (stored, uncompressed deflate blocks).
std::string EncodePng(const Image& image);

// Draws `model` turned by `turn` radians about the vertical axis into a width x height
// picture, looking up bitmaps in `set` by name without regard to case. `zoom` above 1 narrows
// the view about the point `lookY` units up the vertical axis.
Image RenderPreview(const ModelFile& model, const MediaSet& set, double turn, int width, int height,
                    double zoom = 1.0, double lookY = 25.0);

// Writes <folder>/<model name>.png for every model: four quarter turns in a 2 x 2 sheet, and
// <model name>_close.png, the same turns closer up on the upper half.
bool WritePreviews(const MediaSet& set, const std::string& folder);

}  // namespace media
