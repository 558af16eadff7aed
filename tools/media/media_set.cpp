#include "tools/media/scene.h"

namespace media {

ObjectDef MakeObject(const std::string& name, const std::string& parent, int material, Mesh mesh,
                     bool textured) {
  ObjectDef o;
  o.name = name;
  o.parent = parent;
  o.material = material;
  DropUnusedVertices(mesh);
  const Bounds b = MeshBounds(mesh);
  o.pivot = (b.min + b.max) * 0.5;
  o.mesh = std::move(mesh);
  o.textured = textured;
  return o;
}

MediaSet BuildMediaSet(const TeapotData& teapot) {
  MediaSet set;
  set.models.push_back(BuildDoreva());
  set.models.push_back(BuildTeapot(teapot));
  set.models.push_back(BuildTestBox());
  set.models.push_back(BuildFastFood());
  set.models.push_back(BuildSonic());
  set.bitmaps = BuildBitmaps();
  return set;
}

}  // namespace media
