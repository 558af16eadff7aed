#include "tools/stage/ase_source.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace velta_stage {
namespace {

// One statement: its tokens, and the statements of the block it opens. Kept flat, by index,
// so a file of a million nested braces costs no deep recursion anywhere.
struct Statement {
  std::vector<std::string> tokens;
  std::vector<uint32_t> children;
};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16 text with a byte-order mark becomes UTF-8; anything else is taken as it is.
std::string DecodeText(std::string_view bytes) {
  auto byte = [&bytes](size_t i) { return uint8_t(bytes[i]); };
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    return std::string(bytes.substr(3));
  const bool le = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
  const bool be = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
  if (!le && !be) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](size_t i) -> uint32_t {
    return le ? byte(i) | (uint32_t(byte(i + 1)) << 8) : (uint32_t(byte(i)) << 8) | byte(i + 1);
  };
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = '?';
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = '?';
    }
    AppendUtf8(out, c);
  }
  return out;
}

void Tokenise(std::string_view line, std::vector<std::string>& tokens) {
  tokens.clear();
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) end = line.size();
      tokens.emplace_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r')
        ++end;
      tokens.emplace_back(line.substr(i, end - i));
      i = end;
    }
  }
}

// The file as a tree of statements; statement 0 is the top level.
std::vector<Statement> ParseStatements(const std::string& text) {
  std::vector<Statement> all(1);
  std::vector<uint32_t> open{0};
  std::vector<std::string> tokens;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Tokenise(std::string_view(text).substr(at, end - at), tokens);
    at = end + 1;
    if (tokens.empty()) continue;
    if (tokens[0] == "}") {
      if (open.size() > 1) open.pop_back();
      continue;
    }
    const bool opens = tokens.back() == "{";
    if (opens) tokens.pop_back();
    const uint32_t index = uint32_t(all.size());
    all[open.back()].children.push_back(index);
    all.push_back(Statement{tokens, {}});
    if (opens) open.push_back(index);
  }
  return all;
}

// Numbers as the exporter writes them; anything else reads as 0 (the viewer's rule). Not a
// number and the infinities come through, for the staging to refuse.
double Real(const Statement& s, size_t i) {
  if (i >= s.tokens.size()) return 0;
  return std::strtod(s.tokens[i].c_str(), nullptr);
}

long long Integer(const Statement& s, size_t i) {
  if (i >= s.tokens.size()) return -1;
  const char* text = s.tokens[i].c_str();
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  return end == text ? -1 : v;
}

const std::string& Keyword(const Statement& s) {
  static const std::string none;
  return s.tokens.empty() ? none : s.tokens[0];
}

Vec3 Triple(const Statement& s, size_t first) {
  return {Real(s, first), Real(s, first + 1), Real(s, first + 2)};
}

class Reader {
 public:
  explicit Reader(std::vector<Statement> all) : all_(std::move(all)) {}

  void Read(SourceModel& out) {
    for (uint32_t c : all_[0].children) {
      const Statement& s = all_[c];
      if (Keyword(s) == "*MATERIAL_LIST") ReadMaterialList(s, out.materials);
      else if (Keyword(s) == "*GEOMOBJECT") ReadObject(s, out);
    }
  }

 private:
  void ReadMaterialList(const Statement& list, std::vector<SourceMaterial>& materials) {
    std::vector<uint32_t> blocks;
    for (uint32_t c : list.children)
      if (Keyword(all_[c]) == "*MATERIAL") blocks.push_back(c);
    materials.assign(blocks.size(), SourceMaterial{});
    std::vector<bool> taken(blocks.size(), false);
    for (size_t k = 0; k < blocks.size(); ++k) {
      long long index = Integer(all_[blocks[k]], 1);
      size_t slot = index >= 0 && size_t(index) < blocks.size() && !taken[size_t(index)]
                        ? size_t(index) : k;
      if (taken[slot]) continue;
      taken[slot] = true;
      ReadMaterial(all_[blocks[k]], materials[slot], 0);
    }
  }

  void ReadMaterial(const Statement& block, SourceMaterial& m, int depth) {
    bool diffuseMap = false;
    for (uint32_t c : block.children) {
      const Statement& s = all_[c];
      const std::string& k = Keyword(s);
      if (k == "*MATERIAL_NAME" && s.tokens.size() > 1) m.name = s.tokens[1];
      else if (k == "*MATERIAL_AMBIENT") m.ambient = Triple(s, 1);
      else if (k == "*MATERIAL_DIFFUSE") m.diffuse = Triple(s, 1);
      else if (k == "*MATERIAL_SPECULAR") m.specular = Triple(s, 1);
      else if (k == "*MATERIAL_SHINE") m.shine = Real(s, 1);
      else if (k == "*MATERIAL_SHINESTRENGTH") m.shineStrength = Real(s, 1);
      else if (k == "*MATERIAL_TRANSPARENCY") m.transparency = Real(s, 1);
      else if ((k == "*MAP_DIFFUSE" || (k == "*MAP_REFLECT" && !diffuseMap))) {
        for (uint32_t mc : s.children) {
          const Statement& ms = all_[mc];
          if (Keyword(ms) == "*BITMAP" && ms.tokens.size() > 1 && !ms.tokens[1].empty()) {
            m.bitmap = ms.tokens[1];
            if (k == "*MAP_DIFFUSE") diffuseMap = true;
          } else if (Keyword(ms) == "*MAP_TYPE" && ms.tokens.size() > 1) {
            m.mapType = ms.tokens[1];
          }
        }
      } else if (k == "*SUBMATERIAL" && depth < 4) {
        m.subs.emplace_back();
        ReadMaterial(s, m.subs.back(), depth + 1);
      }
    }
  }

  // Elements of a list: as many as the count says, and never more than the list has lines.
  static size_t ListSize(long long declared, size_t lines) {
    if (declared < 0) return lines;
    return std::min(size_t(declared), lines);
  }

  const Statement* Child(const Statement& s, const char* keyword) const {
    for (uint32_t c : s.children)
      if (Keyword(all_[c]) == keyword) return &all_[c];
    return nullptr;
  }

  static long long FaceCorner(const Statement& s, const char* label) {
    const size_t n = std::strlen(label);
    for (size_t i = 1; i < s.tokens.size(); ++i) {
      const std::string& t = s.tokens[i];
      if (t.compare(0, n, label) != 0) continue;
      if (t.size() == n) return Integer(s, i + 1);
      char* end = nullptr;
      long long v = std::strtoll(t.c_str() + n, &end, 10);
      return end == t.c_str() + n ? -1 : v;
    }
    return -1;
  }

  void ReadObject(const Statement& block, SourceModel& model) {
    SourceObject o;
    const Statement* mesh = nullptr;
    const Statement* tm = nullptr;
    for (uint32_t c : block.children) {
      const Statement& s = all_[c];
      const std::string& k = Keyword(s);
      if (k == "*NODE_NAME" && o.name.empty() && s.tokens.size() > 1) o.name = s.tokens[1];
      else if (k == "*MATERIAL_REF") o.materialRef = int(std::max(-1LL, std::min(Integer(s, 1), 1LL << 30)));
      else if (k == "*MESH" && !mesh) mesh = &s;
      else if (k == "*NODE_TM" && !tm) tm = &s;
    }
    if (tm) {
      const char* rows[3] = {"*TM_ROW0", "*TM_ROW1", "*TM_ROW2"};
      for (int k = 0; k < 3; ++k)
        if (const Statement* row = Child(*tm, rows[k])) o.axes[k] = Triple(*row, 1);
    }
    if (mesh) ReadMesh(*mesh, o, model.droppedFaces);
    model.objects.push_back(std::move(o));
  }

  void ReadMesh(const Statement& mesh, SourceObject& o, size_t& dropped) {
    long long numVertex = -1, numFaces = -1, numTVertex = -1;
    for (uint32_t c : mesh.children) {
      const Statement& s = all_[c];
      if (Keyword(s) == "*MESH_NUMVERTEX") numVertex = Integer(s, 1);
      else if (Keyword(s) == "*MESH_NUMFACES") numFaces = Integer(s, 1);
      else if (Keyword(s) == "*MESH_NUMTVERTEX") numTVertex = Integer(s, 1);
    }
    if (const Statement* list = Child(mesh, "*MESH_VERTEX_LIST")) {
      o.positions.assign(ListSize(numVertex, list->children.size()), Vec3{0, 0, 0});
      for (uint32_t c : list->children) {
        const Statement& s = all_[c];
        long long i = Integer(s, 1);
        if (Keyword(s) == "*MESH_VERTEX" && i >= 0 && size_t(i) < o.positions.size())
          o.positions[size_t(i)] = Triple(s, 2);
      }
    }
    std::vector<bool> faceSet;
    if (const Statement* list = Child(mesh, "*MESH_FACE_LIST")) {
      o.faces.assign(ListSize(numFaces, list->children.size()), SourceFace{});
      faceSet.assign(o.faces.size(), false);
      for (uint32_t c : list->children) {
        const Statement& s = all_[c];
        long long f = Integer(s, 1);
        if (Keyword(s) != "*MESH_FACE" || f < 0 || size_t(f) >= o.faces.size()) continue;
        const long long corner[3] = {FaceCorner(s, "A:"), FaceCorner(s, "B:"), FaceCorner(s, "C:")};
        bool ok = true;
        for (long long v : corner) ok = ok && v >= 0 && size_t(v) < o.positions.size();
        if (!ok) continue;
        SourceFace& face = o.faces[size_t(f)];
        for (int k = 0; k < 3; ++k) face.v[k] = uint32_t(corner[k]);
        for (size_t i = 1; i + 1 < s.tokens.size(); ++i)
          if (s.tokens[i] == "*MESH_MTLID") face.materialId = uint32_t(std::max(0LL, Integer(s, i + 1)));
        faceSet[size_t(f)] = true;
      }
    }
    if (const Statement* list = Child(mesh, "*MESH_TVERTLIST")) {
      o.texVertices.assign(ListSize(numTVertex, list->children.size()), {0, 0});
      for (uint32_t c : list->children) {
        const Statement& s = all_[c];
        long long i = Integer(s, 1);
        if (Keyword(s) == "*MESH_TVERT" && i >= 0 && size_t(i) < o.texVertices.size())
          o.texVertices[size_t(i)] = {Real(s, 2), Real(s, 3)};
      }
    }
    if (const Statement* list = Child(mesh, "*MESH_TFACELIST")) {
      for (uint32_t c : list->children) {
        const Statement& s = all_[c];
        long long f = Integer(s, 1);
        if (Keyword(s) != "*MESH_TFACE" || f < 0 || size_t(f) >= o.faces.size()) continue;
        for (int k = 0; k < 3; ++k) {
          long long t = Integer(s, size_t(2 + k));
          o.faces[size_t(f)].t[k] =
              t >= 0 && size_t(t) < o.texVertices.size() ? int32_t(t) : -1;
        }
      }
    }
    if (const Statement* list = Child(mesh, "*MESH_NORMALS")) ReadNormals(*list, o);
    // Faces the file never gave, or gave with corners past the vertices, are left out.
    std::vector<SourceFace> kept;
    kept.reserve(o.faces.size());
    for (size_t f = 0; f < o.faces.size(); ++f)
      if (faceSet[f]) kept.push_back(o.faces[f]);
    dropped += o.faces.size() - kept.size();
    o.faces = std::move(kept);
  }

  // A vertex normal line after a face normal line belongs to that face's corner of the same
  // vertex; a normal no face claims is the vertex's own, for corners left without one.
  void ReadNormals(const Statement& list, SourceObject& o) {
    std::vector<Vec3> own(o.positions.size());
    std::vector<bool> hasOwn(o.positions.size(), false);
    long long face = -1;
    for (uint32_t c : list.children) {
      const Statement& s = all_[c];
      if (Keyword(s) == "*MESH_FACENORMAL") {
        face = Integer(s, 1);
        continue;
      }
      if (Keyword(s) != "*MESH_VERTEXNORMAL") continue;
      long long i = Integer(s, 1);
      if (i < 0 || size_t(i) >= o.positions.size()) continue;
      const Vec3 n = Triple(s, 2);
      bool claimed = false;
      if (face >= 0 && size_t(face) < o.faces.size()) {
        SourceFace& f = o.faces[size_t(face)];
        for (int k = 0; k < 3 && !claimed; ++k)
          if (f.v[k] == uint32_t(i) && !f.hasNormal[k]) {
            f.n[k] = n;
            f.hasNormal[k] = claimed = true;
          }
      }
      if (!claimed) {
        own[size_t(i)] = n;
        hasOwn[size_t(i)] = true;
      }
    }
    for (SourceFace& f : o.faces)
      for (int k = 0; k < 3; ++k)
        if (!f.hasNormal[k] && f.v[k] < own.size() && hasOwn[f.v[k]]) {
          f.n[k] = own[f.v[k]];
          f.hasNormal[k] = true;
        }
  }

  std::vector<Statement> all_;
};

}  // namespace

std::string ReadSourceModel(std::string_view bytes, SourceModel& out) {
  out = SourceModel{};
  if (bytes.empty()) return "the file is empty";
  const std::string text = DecodeText(bytes);
  if (text.find('\0') != std::string::npos)
    return "not a model file: it holds binary data, not the text of an .ase export";
  if (text.find("*GEOMOBJECT") == std::string::npos)
    return "no geometry objects in the file (no *GEOMOBJECT block)";
  Reader(ParseStatements(text)).Read(out);
  size_t faces = 0;
  for (const SourceObject& o : out.objects) faces += o.faces.size();
  if (faces == 0) return "the model is empty: its geometry objects hold no triangles";
  return "";
}

}  // namespace velta_stage
