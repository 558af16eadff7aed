#include "tools/ase_writer.h"

#include <cstdint>
#include <cstdarg>
#include <cstdio>

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
  char name[64];
  if (index == 0)
    std::snprintf(name, sizeof name, "%s", opt.rootName);
  else
    std::snprintf(name, sizeof name, "Part %02d", index);
  int n = opt.gridSize < 2 ? 2 : opt.gridSize;
  int vertices = n * n, faces = 2 * (n - 1) * (n - 1);
  o.Line("*GEOMOBJECT {");
  o.Line("\t*NODE_NAME \"%s\"", name);
  if (index > 0) o.Line("\t*NODE_PARENT \"%s\"", opt.rootName);
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
  int f = 0;
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      o.Line("\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    0\t "
             "*MESH_SMOOTHING 1 \t*MESH_MTLID 0", f++, a, b, d);
      o.Line("\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    0 BC:    1 CA:    1\t "
             "*MESH_SMOOTHING 1 \t*MESH_MTLID 0", f++, a, d, c);
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
  o.Line("\t*MATERIAL_REF 0");
  o.Line("}");
}

}  // namespace

std::string GenerateAseModel(const AseGenOptions& opt) {
  Out o{std::string(), opt.crlf};
  uint32_t rng = 12345;
  o.Line("*3DSMAX_ASCIIEXPORT\t200");
  o.Line("*COMMENT \"AsciiExport Version  2.00 - generated\"");
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
  o.Line("\t*MATERIAL_COUNT 1");
  o.Line("\t*MATERIAL 0 {");
  o.Line("\t\t*MATERIAL_NAME \"Skin\"");
  o.Line("\t\t*MATERIAL_CLASS \"Standard\"");
  o.Line("\t\t*MATERIAL_AMBIENT 0.5882\t0.5882\t0.5882");
  o.Line("\t\t*MATERIAL_DIFFUSE 0.5882\t0.5882\t0.5882");
  o.Line("\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000");
  o.Line("\t\t*MATERIAL_SHINE 0.1000");
  o.Line("\t\t*MATERIAL_SHINESTRENGTH 0.0000");
  o.Line("\t\t*MATERIAL_TRANSPARENCY 0.0000");
  if (opt.bitmap && *opt.bitmap) {
    o.Line("\t\t*MAP_DIFFUSE {");
    o.Line("\t\t\t*MAP_NAME \"Map #1\"");
    o.Line("\t\t\t*MAP_CLASS \"Bitmap\"");
    o.Line("\t\t\t*MAP_SUBNO 1");
    o.Line("\t\t\t*MAP_AMOUNT 1.0000");
    o.Line("\t\t\t*BITMAP \"%s\"", opt.bitmap);
    o.Line("\t\t\t*MAP_TYPE Screen");
    o.Line("\t\t}");
  }
  o.Line("\t}");
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
