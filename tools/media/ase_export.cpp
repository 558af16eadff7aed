// The model file text, laid out statement for statement as the modelling package's exporter
// writes it, so the loader meets what real files hold.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <utility>

#include "tools/media/scene.h"

namespace media {

std::string Fixed4(double value) {
  const long long q = std::llround(value * 10000.0);
  const unsigned long long a =
      q < 0 ? static_cast<unsigned long long>(-q) : static_cast<unsigned long long>(q);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", q < 0 ? "-" : "", a / 10000, a % 10000);
  return buf;
}

MaterialDef PlainMaterial(const std::string& name, Rgb diffuse) {
  MaterialDef m;
  m.name = name;
  m.diffuse = diffuse;
  m.ambient = diffuse;
  m.specular = {229, 229, 229};
  return m;
}

MaterialDef MappedMaterial(const std::string& name, const std::string& bitmapPath,
                           const std::string& mapName) {
  MaterialDef m = PlainMaterial(name, {150, 150, 150});
  MapDef map;
  map.name = mapName;
  map.bitmapPath = bitmapPath;
  map.mapType = "Screen";
  m.diffuseMaps.push_back(map);
  return m;
}

namespace {

class Writer {
 public:
  void Line(int indent, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  std::string text;
};

void Writer::Line(int indent, const char* fmt, ...) {
  text.append(static_cast<size_t>(indent), '\t');
  char buf[1024];
  va_list args;
  va_start(args, fmt);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  if (n > 0) text.append(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
  text += "\r\n";
}

std::string Triple(double a, double b, double c) {
  return Fixed4(a) + "\t" + Fixed4(b) + "\t" + Fixed4(c);
}
std::string Colour(Rgb c) {
  return Triple(c.r / 255.0, c.g / 255.0, c.b / 255.0);
}
std::string Point(Vec3 p) {
  return Triple(p.x, p.y, p.z);
}

void WriteMap(Writer& w, const char* keyword, const MapDef& map) {
  w.Line(2, "%s {", keyword);
  w.Line(3, "*MAP_NAME \"%s\"", map.name.c_str());
  w.Line(3, "*MAP_CLASS \"Bitmap\"");
  w.Line(3, "*MAP_SUBNO %d", map.subNo);
  w.Line(3, "*MAP_AMOUNT %s", Fixed4(map.amount).c_str());
  w.Line(3, "*BITMAP \"%s\"", map.bitmapPath.c_str());
  w.Line(3, "*MAP_TYPE %s", map.mapType.c_str());
  w.Line(3, "*UVW_U_OFFSET 0.0000");
  w.Line(3, "*UVW_V_OFFSET 0.0000");
  w.Line(3, "*UVW_U_TILING 1.0000");
  w.Line(3, "*UVW_V_TILING 1.0000");
  w.Line(3, "*UVW_ANGLE 0.0000");
  w.Line(3, "*UVW_BLUR 1.0000");
  w.Line(3, "*UVW_BLUR_OFFSET 0.0000");
  w.Line(3, "*UVW_NOUSE_AMT 1.0000");
  w.Line(3, "*UVW_NOISE_SIZE 1.0000");
  w.Line(3, "*UVW_NOISE_LEVEL 1");
  w.Line(3, "*UVW_NOISE_PHASE 0.0000");
  w.Line(3, "*BITMAP_FILTER Pyramidal");
  w.Line(2, "}");
}

void WriteMaterial(Writer& w, int index, const MaterialDef& m) {
  w.Line(1, "*MATERIAL %d {", index);
  w.Line(2, "*MATERIAL_NAME \"%s\"", m.name.c_str());
  w.Line(2, "*MATERIAL_CLASS \"Standard\"");
  w.Line(2, "*MATERIAL_AMBIENT %s", Colour(m.ambient).c_str());
  w.Line(2, "*MATERIAL_DIFFUSE %s", Colour(m.diffuse).c_str());
  w.Line(2, "*MATERIAL_SPECULAR %s", Colour(m.specular).c_str());
  w.Line(2, "*MATERIAL_SHINE %s", Fixed4(m.shine).c_str());
  w.Line(2, "*MATERIAL_SHINESTRENGTH %s", Fixed4(m.shineStrength).c_str());
  w.Line(2, "*MATERIAL_TRANSPARENCY 0.0000");
  w.Line(2, "*MATERIAL_WIRESIZE 1.0000");
  w.Line(2, "*MATERIAL_SHADING Blinn");
  w.Line(2, "*MATERIAL_XP_FALLOFF 0.0000");
  w.Line(2, "*MATERIAL_SELFILLUM 0.0000");
  w.Line(2, "*MATERIAL_FALLOFF In");
  w.Line(2, "*MATERIAL_XP_TYPE Filter");
  for (const MapDef& map : m.diffuseMaps) WriteMap(w, "*MAP_DIFFUSE", map);
  for (const MapDef& map : m.reflectMaps) WriteMap(w, "*MAP_REFLECT", map);
  w.Line(1, "}");
}

void WriteNodeTm(Writer& w, const ObjectDef& o) {
  w.Line(1, "*NODE_TM {");
  w.Line(2, "*NODE_NAME \"%s\"", o.name.c_str());
  w.Line(2, "*INHERIT_POS 0 0 0");
  w.Line(2, "*INHERIT_ROT 0 0 0");
  w.Line(2, "*INHERIT_SCL 0 0 0");
  w.Line(2, "*TM_ROW0 1.0000\t0.0000\t0.0000");
  w.Line(2, "*TM_ROW1 0.0000\t1.0000\t0.0000");
  w.Line(2, "*TM_ROW2 0.0000\t0.0000\t1.0000");
  w.Line(2, "*TM_ROW3 %s", Point(o.pivot).c_str());
  w.Line(2, "*TM_POS %s", Point(o.pivot).c_str());
  w.Line(2, "*TM_ROTAXIS 0.0000\t0.0000\t0.0000");
  w.Line(2, "*TM_ROTANGLE 0.0000");
  w.Line(2, "*TM_SCALE 1.0000\t1.0000\t1.0000");
  w.Line(2, "*TM_SCALEAXIS 0.0000\t0.0000\t0.0000");
  w.Line(2, "*TM_SCALEAXISANG 0.0000");
  w.Line(1, "}");
}

void WriteMesh(Writer& w, const ObjectDef& o) {
  const Mesh& m = o.mesh;
  w.Line(1, "*MESH {");
  w.Line(2, "*TIMEVALUE 0");
  w.Line(2, "*MESH_NUMVERTEX %d", m.VertexCount());
  w.Line(2, "*MESH_NUMFACES %d", m.FaceCount());
  w.Line(2, "*MESH_VERTEX_LIST {");
  for (int i = 0; i < m.VertexCount(); ++i)
    w.Line(3, "*MESH_VERTEX %4d\t%s", i, Point(m.pos[i]).c_str());
  w.Line(2, "}");
  w.Line(2, "*MESH_FACE_LIST {");
  for (int f = 0; f < m.FaceCount(); ++f) {
    const Face& face = m.faces[f];
    w.Line(3,
           "*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB: %4d BC: %4d CA: %4d\t "
           "*MESH_SMOOTHING %u \t*MESH_MTLID 0",
           f, face.v[0], face.v[1], face.v[2], face.edges & 1, (face.edges >> 1) & 1,
           (face.edges >> 2) & 1, face.smoothing);
  }
  w.Line(2, "}");
  if (o.textured) {
    // Texture vertices are shared wherever vertices have the same coordinates, as exported.
    std::map<std::pair<long long, long long>, int> index;
    std::vector<int> tvertOf(m.VertexCount());
    std::vector<Vec2> tverts;
    for (int i = 0; i < m.VertexCount(); ++i) {
      const std::pair<long long, long long> key{std::llround(m.uv[i].u * 1e4),
                                                std::llround(m.uv[i].v * 1e4)};
      auto it = index.find(key);
      if (it == index.end()) {
        it = index.emplace(key, static_cast<int>(tverts.size())).first;
        tverts.push_back(m.uv[i]);
      }
      tvertOf[i] = it->second;
    }
    w.Line(2, "*MESH_NUMTVERTEX %d", static_cast<int>(tverts.size()));
    w.Line(2, "*MESH_TVERTLIST {");
    for (size_t i = 0; i < tverts.size(); ++i)
      w.Line(3, "*MESH_TVERT %d\t%s", static_cast<int>(i),
             Triple(tverts[i].u, tverts[i].v, 0.0).c_str());
    w.Line(2, "}");
    w.Line(2, "*MESH_NUMTVFACES %d", m.FaceCount());
    w.Line(2, "*MESH_TFACELIST {");
    for (int f = 0; f < m.FaceCount(); ++f) {
      const Face& face = m.faces[f];
      w.Line(3, "*MESH_TFACE %d\t%d\t%d\t%d", f, tvertOf[face.v[0]], tvertOf[face.v[1]],
             tvertOf[face.v[2]]);
    }
    w.Line(2, "}");
  } else {
    w.Line(2, "*MESH_NUMTVERTEX 0");
  }
  w.Line(2, "*MESH_NUMCVERTEX 0");
  w.Line(2, "*MESH_NORMALS {");
  for (int f = 0; f < m.FaceCount(); ++f) {
    const Face& face = m.faces[f];
    const Vec3 n = Normalized(FaceNormal(m, face));
    w.Line(3, "*MESH_FACENORMAL %d\t%s", f, Point(n).c_str());
    for (int v : face.v) w.Line(4, "*MESH_VERTEXNORMAL %d\t%s", v, Point(m.nrm[v]).c_str());
  }
  w.Line(2, "}");
  w.Line(1, "}");
}

}  // namespace

std::string WriteAse(const ModelFile& model) {
  Writer w;
  w.Line(0, "*3DSMAX_ASCIIEXPORT\t200");
  w.Line(0, "*COMMENT \"AsciiExport Version  2.00 - %s\"", model.exportDate.c_str());
  w.Line(0, "*SCENE {");
  w.Line(1, "*SCENE_FILENAME \"%s\"", model.sceneName.c_str());
  w.Line(1, "*SCENE_FIRSTFRAME 0");
  w.Line(1, "*SCENE_LASTFRAME 100");
  w.Line(1, "*SCENE_FRAMESPEED 30");
  w.Line(1, "*SCENE_TICKSPERFRAME 160");
  w.Line(1, "*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000");
  w.Line(1, "*SCENE_AMBIENT_STATIC 0.0431\t0.0431\t0.0431");
  w.Line(0, "}");
  w.Line(0, "*MATERIAL_LIST {");
  w.Line(1, "*MATERIAL_COUNT %d", static_cast<int>(model.materials.size()));
  for (size_t i = 0; i < model.materials.size(); ++i)
    WriteMaterial(w, static_cast<int>(i), model.materials[i]);
  w.Line(0, "}");
  for (const ObjectDef& o : model.objects) {
    w.Line(0, "*GEOMOBJECT {");
    w.Line(1, "*NODE_NAME \"%s\"", o.name.c_str());
    if (!o.parent.empty()) w.Line(1, "*NODE_PARENT \"%s\"", o.parent.c_str());
    WriteNodeTm(w, o);
    WriteMesh(w, o);
    w.Line(1, "*PROP_MOTIONBLUR 0");
    w.Line(1, "*PROP_CASTSHADOW 1");
    w.Line(1, "*PROP_RECVSHADOW 1");
    w.Line(1, "*MATERIAL_REF %d", o.material);
    w.Line(0, "}");
  }
  return w.text;
}

}  // namespace media
