// The .ase parser: block handlers driven by the line reader, building one mesh and one node per
// geometry object. Indices and counts from the file are checked before they are used: a line
// naming an element past its count is ignored, so no mesh ever holds an index past its vertices.
#include "model/ase_loader.h"

#include <cstring>
#include <new>

#include "app/messages.h"
#include "model/ase_reader.h"

ModelTableRow ModelTable[ModelTableRows] = {
    {nullptr, "\xB5\xB5\xB7\xB9\xB9\xD9", "doreva2.ase", "Doreva"},            // 도레바
    {nullptr, "\xC2\xFE\xC1\xD6\xC0\xFC\xC0\xDA", "teapot.ase", "Teapot01"},  // 찻주전자
    {nullptr, "\xB9\xDA\xBD\xBA", "testbox.ase", "Box01"},                    // 박스
    {nullptr, "\xC6\xD0\xBD\xBA\xC6\xAE\xC7\xAA\xB5\xE5\xB0\xC9", "fastfood.ase",
     "Dummy_Center"},                                                          // 패스트푸드걸
    {nullptr, "\xB9\xDA\xBD\xBA\xBC\xD2\xB4\xD0", "sonic.ase", "trunk01"},    // 박스소닉
};

LoadTableState LoadTable;
MaterialArray LoadedMaterials;
MeshBuffers LoadBuffers;
LoadReportState LoadReport;

namespace {

// '%s' 파일을 찾을수가 없습니다.
const char MsgFileNotFound[] =
    "'%s' \xC6\xC4\xC0\xCF\xC0\xBB \xC3\xA3\xC0\xBB\xBC\xF6\xB0\xA1 "
    "\xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9.";
// '%s' 오브젝트모델은 이미 로드되어있네요.
const char MsgAlreadyLoaded[] =
    "'%s' \xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE\xB8\xF0\xB5\xA8\xC0\xBA \xC0\xCC\xB9\xCC "
    "\xB7\xCE\xB5\xE5\xB5\xC7\xBE\xEE\xC0\xD6\xB3\xD7\xBF\xE4.";

uint16_t CurrentMaterial;
char CurrentNodeName[NameFieldSize];
char CurrentParentName[NameFieldSize];
// The current object asked for an array that could not be allocated.
bool ObjectShortOfMemory;
// Geometry objects of the current file, and the first one past the table.
int32_t ObjectsRead;
char FirstDroppedObject[NameFieldSize];

// The Material freshly zero-filled, as a record the loader hands out when nothing applies.
Material ZeroMaterial() {
  Material m;
  std::memset(static_cast<void*>(&m), 0, sizeof m);
  return m;
}

template <typename T>
T* NewZeroed(size_t count) {
  if (count == 0) return nullptr;
  T* items = new (std::nothrow) T[count];
  if (items) std::memset(static_cast<void*>(items), 0, sizeof(T) * count);
  return items;
}

// A count read from the file, cut to its 16-bit field; a cut is noted against `object`.
uint16_t CountField(int32_t limit, const char* object, int32_t value) {
  if (value < 0 || value > UINT16_MAX) NoteLoadLimit(limit, object, value, value & 0xFFFF);
  return static_cast<uint16_t>(value);
}

void ReleaseMeshBuffers() {
  delete[] LoadBuffers.vertices;
  delete[] LoadBuffers.indices;
  delete[] LoadBuffers.texVertices;
  LoadBuffers.vertices = nullptr;
  LoadBuffers.indices = nullptr;
  LoadBuffers.texVertices = nullptr;
}

// True when `value` is a valid index below `count`.
inline bool InRange(int32_t value, uint32_t count) {
  return value >= 0 && static_cast<uint32_t>(value) < count;
}

// Runs `handle` on every line of the block opened by the current line, until the block or the
// file ends.
template <typename Handler>
void ForEachLineInSection(Handler handle) {
  BeginAseSection();
  for (;;) {
    int32_t r = ScanAseLine();
    if (r == EndOfFile || r == SectionEnd) return;
    if (r == LineReady) handle(AseReader.keyword);
  }
}

void ParseMap(Material* material) {
  ForEachLineInSection([material](int32_t keyword) {
    if (!material) return;
    if (keyword == KwBitmap) {
      const char* path = AseTokenText(1);
      const size_t kept = std::strlen(path);
      const size_t length = size_t(AseTokenLength(1));
      // Materials belong to no object yet.
      if (length > kept) NoteLoadLimit(LimitBitmapPath, "", int64_t(length), int64_t(kept));
      const char* slash = std::strrchr(path, '\\');
      CopyName(material->bitmapName, slash ? slash + 1 : path);
      material->diffuse = Vector3(1.0f, 1.0f, 1.0f);
    } else if (keyword == KwMapType) {
      const char* type = AseTokenText(1);
      material->mapType = std::strcmp(type, "Spherical") == 0     ? MapSpherical
                          : std::strcmp(type, "Cylindrical") == 0 ? MapCylindrical
                                                                  : MapPlain;
    }
  });
}

void ReadColour(Vector3& colour) {
  colour = Vector3(AseTokenReal(1), AseTokenReal(2), AseTokenReal(3));
}

// A material index past the array reads its block without changing any material.
void ParseMaterial() {
  Material* material = CurrentMaterial < LoadedMaterials.count
                           ? &LoadedMaterials.items[CurrentMaterial]
                           : nullptr;
  if (material) material->bitmapName[0] = '\0';
  ForEachLineInSection([material](int32_t keyword) {
    switch (keyword) {
      case KwMapDiffuse:
      case KwMapReflect:
        ParseMap(material);
        return;
      default:
        break;
    }
    if (!material) return;
    switch (keyword) {
      case KwMaterialAmbient: ReadColour(material->ambient); break;
      case KwMaterialDiffuse: ReadColour(material->diffuse); break;
      case KwMaterialSpecular: ReadColour(material->specular); break;
      case KwMaterialShine: material->shine = AseTokenReal(1); break;
      case KwMaterialShineStrength: material->shineStrength = AseTokenReal(1); break;
      case KwMaterialTransparency: material->transparency = AseTokenReal(1); break;
      default: break;
    }
  });
}

void ParseMaterialList() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword == KwMaterialCount) {
      // A later count replaces the array; the old one is freed, not leaked.
      ReleaseLoaderMaterials();
      const int32_t asked = AseTokenInt(1);
      const uint16_t count = CountField(LimitMaterials, "", asked);
      LoadedMaterials.items = NewZeroed<Material>(count);
      LoadedMaterials.count = LoadedMaterials.items ? count : 0;
      if (count && !LoadedMaterials.items) NoteLoadLimit(LimitNoMemory, "", count, 0);
    } else if (keyword == KwMaterial) {
      CurrentMaterial = static_cast<uint16_t>(AseTokenInt(1));
      ParseMaterial();
    }
  });
}

void ParseVertexList() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword != KwMeshVertex || !LoadBuffers.vertices) return;
    int32_t i = AseTokenInt(1);
    if (!InRange(i, LoadBuffers.vertexCount)) return;
    MeshVertex& v = LoadBuffers.vertices[i];
    v.x = AseTokenReal(2);
    v.z = AseTokenReal(3);
    v.y = AseTokenReal(4);
  });
}

void ParseFaceList() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword != KwMeshFace || !LoadBuffers.indices) return;
    int32_t f = AseTokenInt(1);  // the number stops at its colon
    int32_t a = AseTokenInt(3), b = AseTokenInt(5), c = AseTokenInt(7);
    if (f < 0 || f > (INT32_MAX - 2) / 3 || !InRange(3 * f + 2, LoadBuffers.indexCount)) return;
    uint32_t vertices = LoadBuffers.vertexCount;
    if (!InRange(a, vertices) || !InRange(b, vertices) || !InRange(c, vertices)) return;
    uint16_t* corner = &LoadBuffers.indices[3 * f];
    corner[0] = static_cast<uint16_t>(a);
    corner[1] = static_cast<uint16_t>(c);
    corner[2] = static_cast<uint16_t>(b);
  });
}

void ParseTexVertexList() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword != KwMeshTVert || !LoadBuffers.texVertices) return;
    int32_t i = AseTokenInt(1);
    if (!InRange(i, LoadBuffers.texVertexCount)) return;
    LoadBuffers.texVertices[i] = {AseTokenReal(2), AseTokenReal(3), AseTokenReal(4)};
  });
}

void ParseTexFaceList() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword != KwMeshTFace || !LoadBuffers.indices || !LoadBuffers.texVertices ||
        !LoadBuffers.vertices)
      return;
    int32_t f = AseTokenInt(1);
    if (f < 0 || f > (INT32_MAX - 2) / 3 || !InRange(3 * f + 2, LoadBuffers.indexCount)) return;
    // Corners are stored A, C, B, so the second stored corner takes texture vertex c.
    const int32_t tex[3] = {AseTokenInt(2), AseTokenInt(4), AseTokenInt(3)};
    for (int32_t t : tex)
      if (!InRange(t, LoadBuffers.texVertexCount)) return;
    for (int k = 0; k < 3; ++k)
      if (LoadBuffers.indices[3 * f + k] >= LoadBuffers.vertexCount) return;
    for (int k = 0; k < 3; ++k) {
      MeshVertex& v = LoadBuffers.vertices[LoadBuffers.indices[3 * f + k]];
      const TexVertex& t = LoadBuffers.texVertices[tex[k]];
      v.tu = t.u;
      v.tv = 1.0f - t.v;
    }
  });
}

void ParseNormals() {
  ForEachLineInSection([](int32_t keyword) {
    if (keyword != KwMeshVertexNormal || !LoadBuffers.vertices) return;
    int32_t i = AseTokenInt(1);
    if (!InRange(i, LoadBuffers.vertexCount)) return;
    MeshVertex& v = LoadBuffers.vertices[i];
    v.nx = AseTokenReal(2);
    v.nz = AseTokenReal(3);
    v.ny = AseTokenReal(4);
  });
}

void ParseMesh() {
  ForEachLineInSection([](int32_t keyword) {
    switch (keyword) {
      case KwMeshNumVertex: {
        delete[] LoadBuffers.vertices;
        const int32_t asked = AseTokenInt(1);
        LoadBuffers.vertexCount = CountField(LimitVertices, CurrentNodeName, asked);
        LoadBuffers.vertices = NewZeroed<MeshVertex>(LoadBuffers.vertexCount);
        if (LoadBuffers.vertexCount && !LoadBuffers.vertices) ObjectShortOfMemory = true;
        break;
      }
      case KwMeshNumFaces: {
        delete[] LoadBuffers.indices;
        const int32_t faces = AseTokenInt(1);
        const uint32_t indices = 3u * static_cast<uint32_t>(faces);
        if (faces < 0 || indices > UINT16_MAX)
          NoteLoadLimit(LimitFaces, CurrentNodeName, faces, indices & 0xFFFF);
        LoadBuffers.indexCount = static_cast<uint16_t>(indices);
        LoadBuffers.indices = NewZeroed<uint16_t>(LoadBuffers.indexCount);
        if (LoadBuffers.indexCount && !LoadBuffers.indices) ObjectShortOfMemory = true;
        break;
      }
      case KwMeshVertexList: ParseVertexList(); break;
      case KwMeshFaceList: ParseFaceList(); break;
      case KwMeshNumTVertex: {
        delete[] LoadBuffers.texVertices;
        const int32_t asked = AseTokenInt(1);
        LoadBuffers.texVertexCount = CountField(LimitTexVertices, CurrentNodeName, asked);
        LoadBuffers.texVertices = NewZeroed<TexVertex>(LoadBuffers.texVertexCount);
        if (LoadBuffers.texVertexCount && !LoadBuffers.texVertices) ObjectShortOfMemory = true;
        break;
      }
      case KwMeshTVertList: ParseTexVertexList(); break;
      case KwMeshTFaceList: ParseTexFaceList(); break;
      case KwMeshNormals: ParseNormals(); break;
      default: break;
    }
  });
}

void RegisterRoot(int n) {
  LoadEntry& entry = LoadTable.entries[n];
  int row = FindModelIndex(CurrentNodeName);
  if (row < 0) {
    DestroyLoadEntry(n);
    return;
  }
  if (ModelTable[row].model) {
    ErrorBox(MsgAlreadyLoaded, CurrentNodeName);
    DestroyLoadEntry(n);
    return;
  }
  Model* model = new (std::nothrow) Model;
  if (!model) {
    NoteLoadLimit(LimitNoMemory, CurrentNodeName, entry.mesh->vertexCount, 0);
    DestroyLoadEntry(n);
    return;
  }
  model->AddChild(entry.node);
  entry.mesh->meshIndex = 0;
  ++model->meshCount;
  entry.node->model = model;
  entry.mesh->model = model;
  entry.linked = 1;
  ModelTable[row].model = model;
}

void BuildGeomObject() {
  int n = LoadTable.count;
  ++ObjectsRead;
  if (n >= LoadTableSize) {  // objects past the table are read but not built
    if (ObjectsRead == LoadTableSize + 1) CopyName(FirstDroppedObject, CurrentNodeName);
    return;
  }
  Material material = CurrentMaterial < LoadedMaterials.count
                          ? LoadedMaterials.items[CurrentMaterial]
                          : ZeroMaterial();
  // Arrays released after the previous object count as empty, whatever the counts say.
  uint16_t vertexCount = LoadBuffers.vertices ? LoadBuffers.vertexCount : 0;
  uint16_t indexCount = LoadBuffers.indices ? LoadBuffers.indexCount : 0;
  // Faces checked against an earlier vertex list (a repeated mesh block, a vertex count given
  // again) can name vertices this list lacks: such triangles collapse to (0, 0, 0), and a mesh
  // without vertices gets no triangles at all, so no index ever points past the vertices.
  if (vertexCount == 0) indexCount = 0;
  for (uint32_t t = 0; t + 2 < indexCount; t += 3) {
    uint16_t* corner = &LoadBuffers.indices[t];
    if (corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount)
      corner[0] = corner[1] = corner[2] = 0;
  }
  MeshNode* mesh = new (std::nothrow) MeshNode(CurrentNodeName, vertexCount, LoadBuffers.vertices,
                                               indexCount, LoadBuffers.indices, material);
  SceneNode* node = new (std::nothrow) SceneNode;
  // The mesh keeps no vertices or indices that could not be copied.
  const bool complete = mesh && node && !ObjectShortOfMemory && mesh->vertexCount == vertexCount &&
                        mesh->indexCount == indexCount;
  if (!complete) {
    const uint16_t wanted = LoadBuffers.vertexCount;
    NoteLoadLimit(LimitNoMemory, CurrentNodeName, wanted, mesh && node ? mesh->vertexCount : 0);
  }
  if (!mesh || !node) {
    delete mesh;
    delete node;
    return;
  }
  LoadEntry& entry = LoadTable.entries[n];
  entry.mesh = mesh;
  entry.node = node;
  CopyName(node->name, CurrentNodeName);
  node->AddChild(mesh);
  CopyName(entry.parentName, CurrentParentName);
  if (entry.parentName[0] == '\0') RegisterRoot(n);
  ++LoadTable.count;
}

void ParseGeomObject() {
  CurrentParentName[0] = '\0';
  ObjectShortOfMemory = false;
  ForEachLineInSection([](int32_t keyword) {
    switch (keyword) {
      case KwNodeName: CopyName(CurrentNodeName, AseTokenText(1)); break;
      case KwMesh: ParseMesh(); break;
      case KwMaterialRef: {
        int32_t index = AseTokenInt(1);
        if (InRange(index, LoadedMaterials.count)) CurrentMaterial = static_cast<uint16_t>(index);
        break;
      }
      case KwNodeParent: CopyName(CurrentParentName, AseTokenText(1)); break;
      default: break;
    }
  });
  BuildGeomObject();
  ReleaseMeshBuffers();
}

// Frees what the loader keeps between files when the program ends.
struct LoaderExit {
  ~LoaderExit() {
    ReleaseMeshBuffers();
    ReleaseLoaderMaterials();
  }
} TheLoaderExit;

}  // namespace

void ReleaseLoaderMaterials() {
  delete[] LoadedMaterials.items;
  LoadedMaterials.items = nullptr;
  LoadedMaterials.count = 0;
}

void NoteLoadLimit(int32_t limit, const char* object, int64_t count, int64_t kept) {
  if (limit == LimitNoMemory) LoadReport.outOfMemory = 1;
  if (LoadReport.count >= LoadNoteCapacity) {
    ++LoadReport.lost;
    return;
  }
  LoadNote& note = LoadReport.notes[LoadReport.count++];
  note.limit = limit;
  CopyName(note.object, object ? object : "");
  note.count = count;
  note.kept = kept;
}

int FindModelIndex(const char* name) {
  if (!name) return -1;
  for (int row = 0; row < ModelTableRows; ++row)
    if (std::strcmp(ModelTable[row].rootNodeName, name) == 0) return row;
  return -1;
}

void DestroyLoadEntry(int index) {
  if (index < 0 || index >= LoadTableSize) return;
  LoadEntry& entry = LoadTable.entries[index];
  if (entry.node) {
    // The node owns the mesh as its child; detach it from any parent's chain first.
    entry.node->nextSibling = nullptr;
    delete entry.node;
  }
  entry.node = nullptr;
  entry.mesh = nullptr;
  entry.parentName[0] = '\0';
  entry.linked = 0;
}

int32_t LoadAseFile(const char* fileName) {
  ResetAseReader();
  for (LoadEntry& entry : LoadTable.entries) entry = LoadEntry{};
  LoadTable.count = 0;
  LoadReport.count = 0;
  LoadReport.lost = 0;
  LoadReport.outOfMemory = 0;
  ObjectsRead = 0;
  FirstDroppedObject[0] = '\0';
  if (!OpenAseFile(fileName)) {
    ErrorBox(MsgFileNotFound, fileName ? fileName : "");
    return 1;
  }
  int32_t r;
  while ((r = ScanAseLine()) != EndOfFile) {
    if (r != LineReady) continue;
    if (AseReader.keyword == KwMaterialList)
      ParseMaterialList();
    else if (AseReader.keyword == KwGeomObject)
      ParseGeomObject();
  }
  LinkLoadedObjects();
  DiscardUnlinked();
  CloseAseFile();
  if (ObjectsRead > LoadTableSize)
    NoteLoadLimit(LimitObjects, FirstDroppedObject, ObjectsRead, LoadTableSize);
  // Part of the file is missing for want of memory: say so once, in the result-code table's
  // words.
  if (LoadReport.outOfMemory) ErrorBox("%s", FrameworkErrorMessage(E_OUTOFMEMORY));
  return 0;
}

int32_t LoadModel(int row) {
  if (row < 0 || row >= ModelTableRows) return 1;
  return LoadAseFile(ModelTable[row].fileName);
}
