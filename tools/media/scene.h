// What one sample model file holds before it is written: materials with their maps, and the
// geometry objects with their place in the hierarchy.
#pragma once

#include <string>
#include <vector>

#include "tools/media/image.h"
#include "tools/media/mesh.h"
#include "tools/media/teapot_data.h"

namespace media {

struct MapDef {
  std::string name;        // "Map #3"
  std::string bitmapPath;  // Windows path as the exporter wrote it
  std::string mapType;     // "Screen", "Spherical", "Cylindrical"
  double amount = 1.0;
  int subNo = 1;  // 1 diffuse, 9 reflection
};

struct MaterialDef {
  std::string name;
  Rgb ambient, diffuse, specular;
  double shine = 0.1, shineStrength = 0.0;
  std::vector<MapDef> diffuseMaps;  // at most one is usual
  std::vector<MapDef> reflectMaps;
};

struct ObjectDef {
  std::string name;
  std::string parent;  // empty for a root
  Vec3 pivot;          // node transform position
  int material = 0;
  Mesh mesh;
  bool textured = true;  // false: no texture vertices are written
};

struct ModelFile {
  std::string fileName;    // "fastfood.ase"
  std::string sceneName;   // "fastfood.max"
  std::string exportDate;  // the comment's fixed date, as an export carries one
  std::vector<MaterialDef> materials;
  std::vector<ObjectDef> objects;  // in file order
};

struct NamedBitmap {
  std::string fileName;  // as stored in the media folder
  std::string bytes;     // the whole .bmp file
  Image image;           // the picture it holds, for previews
};

// The five models and the bitmaps they name.
struct MediaSet {
  std::vector<ModelFile> models;
  std::vector<NamedBitmap> bitmaps;
};

// A geometry object whose pivot is the middle of its mesh. Untextured objects carry no
// texture vertices, as exports of unmapped objects do.
ObjectDef MakeObject(const std::string& name, const std::string& parent, int material, Mesh mesh,
                     bool textured);

// Builders of the models, one per file.
ModelFile BuildFastFood();
ModelFile BuildTeapot(const TeapotData& data);
ModelFile BuildTestBox();
ModelFile BuildDoreva();
ModelFile BuildSonic();

// The procedural bitmaps.
std::vector<NamedBitmap> BuildBitmaps();

MediaSet BuildMediaSet(const TeapotData& teapot);

// The text of a model file: exporter layout, tabs, CRLF line ends.
std::string WriteAse(const ModelFile& model);

// Fixed-point text with four decimals, independent of the C library's formatting.
std::string Fixed4(double value);

// A material of one colour, and one with a diffuse bitmap (mapped by the mesh's own
// coordinates); both with the exporter's usual ambient, specular and shine.
MaterialDef PlainMaterial(const std::string& name, Rgb diffuse);
MaterialDef MappedMaterial(const std::string& name, const std::string& bitmapPath,
                           const std::string& mapName);

}  // namespace media
