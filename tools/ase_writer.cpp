#include "tools/ase_writer.h"

#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

struct Out {
  std::string text;
  bool crlf;
  void Line(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};

void Out::Line(const char* fmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, fmt);
  int n = std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  if (n > 0) text.append(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
  text += crlf ? "\r\n" : "\n";
}

// Deterministic jitter so numbers have varied digits, as exported ones do.
float Jitter(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) - 0.5f;
}

void WriteObject(Out& o, const AseGenOptions& opt, int index, uint32_t& rng) {
  char name[64], parent[64];
  if (index == 0)
    std::snprintf(name, sizeof name, "%s", opt.rootName);
  else
    std::snprintf(name, sizeof name, "Part %02d", index);
  if (opt.chain && index > 1)
    std::snprintf(parent, sizeof parent, "Part %02d", index - 1);
  else
    std::snprintf(parent, sizeof parent, "%s", opt.rootName);
  int n = opt.gridSize < 2 ? 2 : opt.gridSize;
  int vertices = n * n, faces = 2 * (n - 1) * (n - 1);
  o.Line("*GEOMOBJECT {");
  o.Line("\t*NODE_NAME \"%s\"", name);
  if (index > 0) o.Line("\t*NODE_PARENT \"%s\"", parent);
  o.Line("\t*NODE_TM {");
  o.Line("\t\t*NODE_NAME \"%s\"", name);
  o.Line("\t\t*INHERIT_POS 0 0 0");
  o.Line("\t\t*TM_ROW0 1.0000\t0.0000\t0.0000");
  o.Line("\t\t*TM_ROW1 0.0000\t1.0000\t0.0000");
  o.Line("\t\t*TM_ROW2 0.0000\t0.0000\t1.0000");
  o.Line("\t\t*TM_ROW3 0.0000\t0.0000\t%.4f", index * 2.0f);
  o.Line("\t}");
  o.Line("\t*MESH {");
  o.Line("\t\t*TIMEVALUE 0");
  o.Line("\t\t*MESH_NUMVERTEX %d", vertices);
  o.Line("\t\t*MESH_NUMFACES %d", faces);
  o.Line("\t\t*MESH_VERTEX_LIST {");
  for (int v = 0; v < vertices; ++v)
    o.Line("\t\t\t*MESH_VERTEX %4d\t%.4f\t%.4f\t%.4f", v, (v % n) * 1.5f + Jitter(rng),
           index * 3.0f + Jitter(rng), (v / n) * 1.5f + Jitter(rng));
  o.Line("\t\t}");
  o.Line("\t\t*MESH_FACE_LIST {");
  // Every smoothing group: a face line past the 254 characters of one read.
  const char* smoothing = opt.longLines
                              ? "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,"
                                "25,26,27,28,29,30,31,32 \t*MESH_MTLID 0"
                              : "1 \t*MESH_MTLID 0";
  const int w = opt.longLines ? 20 : 4;  // field width of the face and corner numbers
  int f = 0;
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      o.Line("\t\t\t*MESH_FACE %*d:    A: %*d B: %*d C: %*d AB:    1 BC:    1 CA:    0\t "
             "*MESH_SMOOTHING %s", w, f, w, a, w, b, w, d, smoothing);
      ++f;
      o.Line("\t\t\t*MESH_FACE %*d:    A: %*d B: %*d C: %*d AB:    0 BC:    1 CA:    1\t "
             "*MESH_SMOOTHING %s", w, f, w, a, w, d, w, c, smoothing);
      ++f;
    }
  o.Line("\t\t}");
  o.Line("\t\t*MESH_NUMTVERTEX %d", vertices);
  o.Line("\t\t*MESH_TVERTLIST {");
  for (int v = 0; v < vertices; ++v)
    o.Line("\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000", v, (v % n) / float(n - 1),
           (v / n) / float(n - 1));
  o.Line("\t\t}");
  o.Line("\t\t*MESH_NUMTVFACES %d", faces);
  o.Line("\t\t*MESH_TFACELIST {");
  f = 0;
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      o.Line("\t\t\t*MESH_TFACE %d\t%d\t%d\t%d", f++, a, b, d);
      o.Line("\t\t\t*MESH_TFACE %d\t%d\t%d\t%d", f++, a, d, c);
    }
  o.Line("\t\t}");
  o.Line("\t\t*MESH_NORMALS {");
  f = 0;
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      const int tris[2][3] = {{a, b, d}, {a, d, c}};
      for (const auto& t : tris) {
        o.Line("\t\t\t*MESH_FACENORMAL %d\t0.0000\t-1.0000\t0.0000", f++);
        for (int k = 0; k < 3; ++k)
          o.Line("\t\t\t\t*MESH_VERTEXNORMAL %d\t%.4f\t%.4f\t%.4f", t[k], Jitter(rng) * 0.1f,
                 -0.9950f, Jitter(rng) * 0.1f);
      }
    }
  o.Line("\t\t}");
  o.Line("\t}");
  o.Line("\t*PROP_MOTIONBLUR 0");
  o.Line("\t*PROP_CASTSHADOW 1");
  o.Line("\t*PROP_RECVSHADOW 1");
  o.Line("\t*MATERIAL_REF %d", opt.materials > 1 ? index % opt.materials : 0);
  o.Line("}");
}

void WriteMaterial(Out& o, const AseGenOptions& opt, int index) {
  // A name longer than a line read, as some exporters leave after many copies of a material.
  std::string name = index == 0 ? "Skin" : "Material #" + std::to_string(index);
  if (opt.longLines && index > 0)
    while (name.size() < 300) name += " copy of Material #" + std::to_string(index);
  float shade = index == 0 ? 0.5882f : 0.25f + static_cast<float>(index % 50) / 100.0f;
  o.Line("\t*MATERIAL %d {", index);
  o.Line("\t\t*MATERIAL_NAME \"%s\"", name.c_str());
  o.Line("\t\t*MATERIAL_CLASS \"Standard\"");
  o.Line("\t\t*MATERIAL_AMBIENT %.4f\t%.4f\t%.4f", shade, shade, shade);
  o.Line("\t\t*MATERIAL_DIFFUSE %.4f\t%.4f\t%.4f", shade, shade, shade);
  o.Line("\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000");
  o.Line("\t\t*MATERIAL_SHINE 0.1000");
  o.Line("\t\t*MATERIAL_SHINESTRENGTH 0.0000");
  o.Line("\t\t*MATERIAL_TRANSPARENCY 0.0000");
  if (opt.bitmap && *opt.bitmap) {
    o.Line("\t\t*MAP_DIFFUSE {");
    o.Line("\t\t\t*MAP_NAME \"Map #%d\"", index + 1);
    o.Line("\t\t\t*MAP_CLASS \"Bitmap\"");
    o.Line("\t\t\t*MAP_SUBNO 1");
    o.Line("\t\t\t*MAP_AMOUNT 1.0000");
    o.Line("\t\t\t*BITMAP \"%s\"", opt.bitmap);
    o.Line("\t\t\t*MAP_TYPE Screen");
    o.Line("\t\t}");
  }
  o.Line("\t}");
}

}  // namespace

std::string GenerateAseModel(const AseGenOptions& opt) {
  Out o{std::string(), opt.crlf};
  uint32_t rng = 12345;
  o.Line("*3DSMAX_ASCIIEXPORT\t200");
  o.Line("*COMMENT \"AsciiExport Version  2.00 - generated%s\"",
         opt.longLines ? std::string(280, '-').c_str() : "");
  o.Line("*SCENE {");
  o.Line("\t*SCENE_FILENAME \"generated.max\"");
  o.Line("\t*SCENE_FIRSTFRAME 0");
  o.Line("\t*SCENE_LASTFRAME 100");
  o.Line("\t*SCENE_FRAMESPEED 30");
  o.Line("\t*SCENE_TICKSPERFRAME 160");
  o.Line("\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000");
  o.Line("\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000");
  o.Line("}");
  o.Line("*MATERIAL_LIST {");
  int materials = opt.materials < 1 ? 1 : opt.materials;
  o.Line("\t*MATERIAL_COUNT %d", materials);
  for (int m = 0; m < materials; ++m) WriteMaterial(o, opt, m);
  o.Line("}");
  for (int i = 0; i <= opt.children; ++i) WriteObject(o, opt, i, rng);
  return o.text;
}

std::string GenerateAseModelOfSize(size_t bytes, int children, const char* rootName) {
  AseGenOptions opt;
  opt.rootName = rootName;
  opt.children = children;
  // About 700 bytes per grid vertex in the layout above.
  size_t perObject = bytes / static_cast<size_t>(children + 1);
  int n = 2;
  while (static_cast<size_t>((n + 1) * (n + 1)) * 700 <= perObject && (n + 1) * (n + 1) <= 10000) ++n;
  opt.gridSize = n;
  return GenerateAseModel(opt);
}
