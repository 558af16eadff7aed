// velta-ase-info: loads model table rows the way the viewer does, in the current folder, and
// prints every message box the loads showed, then each loaded model and its meshes. Scripts
// rely on the output format; keep it exactly.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "win32/message_box.h"
#include "win32/text.h"

namespace {

int PrintMessage(HWND, LPCSTR text, LPCSTR, UINT type) {
  std::string line = PlatformAnsiToUtf8(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::printf("message %s\n", line.c_str());
  return MessageBoxDefaultButton(type);
}

struct MeshPlace {
  MeshNode* mesh;
  const char* parent;  // null for the root object
};

// Each mesh hangs under its scene node; the node's own parent is another scene node or, for
// the root object, the model.
std::vector<MeshPlace> PlaceMeshes(Model* model) {
  std::vector<MeshPlace> places;
  struct Pending {
    ModelNode* chain;   // children of `holder`
    ModelNode* holder;
    ModelNode* holderParent;
  };
  std::vector<Pending> stack{{model->firstChild, model, nullptr}};
  while (!stack.empty()) {
    Pending p = stack.back();
    stack.pop_back();
    for (ModelNode* n = p.chain; n; n = n->nextSibling) {
      if (n->kind == NodeKindMesh) {
        bool root = !p.holderParent || p.holderParent->kind == NodeKindModel;
        places.push_back({static_cast<MeshNode*>(n), root ? nullptr : p.holderParent->name});
      } else if (n->firstChild) {
        stack.push_back({n->firstChild, n, p.holder});
      }
    }
  }
  return places;
}

const char* ParentOf(const std::vector<MeshPlace>& places, const MeshNode* mesh) {
  for (const MeshPlace& p : places)
    if (p.mesh == mesh) return p.parent ? p.parent : "-";
  return "-";
}

void PrintModel(int row) {
  Model* model = ModelTable[row].model;
  std::printf("model %d %s %s meshes=%u\n", row, ModelTable[row].fileName,
              ModelTable[row].rootNodeName, static_cast<unsigned>(model->meshCount));
  std::vector<MeshPlace> places = PlaceMeshes(model);
  for (unsigned i = 0; i < model->meshCount; ++i) {
    MeshNode* mesh = model->meshes ? model->meshes[i] : nullptr;
    if (!mesh) continue;
    double pos[3] = {}, nrm[3] = {}, uv[2] = {};
    for (unsigned v = 0; v < mesh->vertexCount; ++v) {
      const WorkVertex& w = mesh->work[v];
      for (int k = 0; k < 3; ++k) {
        pos[k] += w.position[k];
        nrm[k] += w.normal[k];
      }
      uv[0] += w.tu;
      uv[1] += w.tv;
    }
    const Material& m = mesh->material;
    std::printf(
        "mesh %u node=%s parent=%s vertices=%u indices=%u bitmap=%s map=%u texture=%s "
        "pos=%.3f,%.3f,%.3f nrm=%.3f,%.3f,%.3f uv=%.3f,%.3f\n",
        i, mesh->name, ParentOf(places, mesh), static_cast<unsigned>(mesh->vertexCount),
        static_cast<unsigned>(mesh->indexCount), m.bitmapName[0] ? m.bitmapName : "-",
        static_cast<unsigned>(m.mapType), m.textureEntry ? "yes" : "no", pos[0], pos[1], pos[2],
        nrm[0], nrm[1], nrm[2], uv[0], uv[1]);
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: velta-ase-info [ROW...]\n"
               "Loads the given model table rows (0 to 4; default all) from the current folder\n"
               "and prints the messages shown and the models loaded.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rows;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    long row = std::strtol(argv[i], &end, 10);
    if (!*argv[i] || *end || row < 0 || row >= ModelTableRows) return Usage();
    rows.push_back(static_cast<int>(row));
  }
  if (rows.empty())
    for (int row = 0; row < ModelTableRows; ++row) rows.push_back(row);
  SetMessageBoxPresenter(PrintMessage);
  for (int row : rows) LoadModel(row);
  for (int row = 0; row < ModelTableRows; ++row)
    if (ModelTable[row].model) PrintModel(row);
  std::fflush(stdout);
  // A row asked for that holds no model fails the run, in one line after the listing.
  bool asked[ModelTableRows] = {};
  for (int row : rows) asked[row] = true;
  std::string missing;
  for (int row = 0; row < ModelTableRows; ++row)
    if (asked[row] && !ModelTable[row].model)
      missing += (missing.empty() ? "" : ", ") + std::to_string(row) + " (" +
                 ModelTable[row].fileName + ")";
  ReleaseModels();
  if (missing.empty()) return 0;
  char here[4096] = "the current folder";
  if (!getcwd(here, sizeof here)) std::strcpy(here, "the current folder");
  std::fprintf(stderr, "velta-ase-info: no model loaded in %s %s from %s\n",
               missing.find(',') == std::string::npos ? "row" : "rows", missing.c_str(), here);
  return 1;
}
