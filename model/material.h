// The plain records the loader hands to the scene: a geometry object's material and the
// loader's vertex.
#pragma once

#include <d3dtypes.h>

#include <cstdint>

#include "math/vector.h"

constexpr int NameFieldSize = 80;  // 79 characters and the terminator

// Copies at most 79 characters of `src` (null reads as empty) and a terminator into a name field.
void CopyName(char (&dst)[NameFieldSize], const char* src);

// How texture coordinates are obtained for a mesh.
enum MapType : uint8_t {
  MapPlain = 0,        // the file's coordinates, as they are
  MapSpherical = 1,    // generated from the turned normals every frame
  MapCylindrical = 2,  // the same generation as spherical
};

struct TextureEntry;  // an entry of the texture table; a material only refers to it

struct Material {
  Vector3 ambient;
  Vector3 diffuse;  // forced to 1, 1, 1 when the material has a bitmap
  Vector3 specular;
  float shine;
  float shineStrength;
  float transparency;
  char bitmapName[NameFieldSize];  // file name without its folders; empty for none
  uint8_t mapType;                 // a MapType
  int32_t reserved;
  TextureEntry* textureEntry;  // not owned

  // Leaves the colours unset, as the loader zero-fills its arrays anyway.
  Material()
      : shine(0), shineStrength(0), transparency(0), bitmapName{}, mapType(MapPlain),
        reserved(0), textureEntry(nullptr) {}
};

// The loader's vertex is the platform's untransformed vertex: position, normal, tu, tv.
using MeshVertex = D3DVERTEX;
