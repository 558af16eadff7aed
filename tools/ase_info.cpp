// velta-ase-info: loads model table rows the way the viewer does, in the current folder, and
// prints every message box the loads showed, then each loaded model and its meshes. Scripts
// rely on the output format; keep it exactly.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "win32/message_box.h"
#include "win32/text.h"

namespace {

int PrintMessage(HWND, LPCSTR text, LPCSTR, UINT type) {
  try {
    std::string line = PlatformAnsiToUtf8(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::printf("message %s\n", line.c_str());
  } catch (const std::bad_alloc&) {
    // No memory to convert: what is ASCII still tells the user.
    std::fputs("message ", stdout);
    for (const char* c = text; *c && *c != '\r' && *c != '\n'; ++c)
      std::fputc(static_cast<unsigned char>(*c) < 0x80 ? *c : '?', stdout);
    std::fputc('\n', stdout);
  }
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

// One line for each limit the load of `row` went past: what the file asks for and what the
// viewer keeps.
void PrintLoadNotes(int row) {
  static const char* const kWhat[] = {"vertices", "tvertices",    "faces",  "materials",
                                      "objects",  "bitmap-chars", "memory"};
  for (int i = 0; i < LoadReport.count; ++i) {
    const LoadNote& n = LoadReport.notes[i];
    const bool known = n.limit >= 0 && n.limit < int32_t(sizeof kWhat / sizeof kWhat[0]);
    std::printf("warning %d %s node=%s %s=%lld kept=%lld\n", row, ModelTable[row].fileName,
                n.object[0] ? n.object : "-", known ? kWhat[n.limit] : "limit",
                static_cast<long long>(n.count), static_cast<long long>(n.kept));
  }
  if (LoadReport.lost)
    std::printf("warning %d %s node=- notes=%d kept=0\n", row, ModelTable[row].fileName,
                static_cast<int>(LoadReport.lost));
}

int Usage() {
  std::fprintf(stderr,
               "usage: velta-ase-info [ROW...]\n"
               "       velta-ase-info --file MODEL.ase\n"
               "Loads the given model table rows (0 to 4; default all) from the current folder\n"
               "and prints the messages shown and the models loaded; with --file, any model file\n"
               "as velta-view stages it.\n");
  return 2;
}

// velta-view beside this program (the installed layout), else beside the viewer in a build
// tree, else on PATH. The stage's image decoding stays out of this tool, which starts in a few
// milliseconds and under little memory.
std::filesystem::path FindStager() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec).parent_path();
  for (const fs::path& p : {self / "velta-view", self.parent_path() / "app" / "velta-view"})
    if (fs::is_regular_file(p, ec)) return p;
  if (const char* path = std::getenv("PATH")) {
    std::string all = path;
    for (size_t at = 0; at <= all.size();) {
      size_t end = all.find(':', at);
      if (end == std::string::npos) end = all.size();
      const fs::path p = fs::path(all.substr(at, end - at)) / "velta-view";
      if (end > at && fs::is_regular_file(p, ec)) return p;
      at = end + 1;
    }
  }
  return {};
}

// Runs velta-view --stage DIR MODEL, its report left out; true when it staged the model.
bool StageWithViewTool(const char* model, const std::string& stage) {
  const std::filesystem::path stager = FindStager();
  if (stager.empty()) {
    std::fprintf(stderr, "velta-ase-info: velta-view is neither beside this program nor on PATH\n");
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const std::string program = stager.string();
  char* const args[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--stage"),
                        const_cast<char*>(stage.c_str()), const_cast<char*>(model), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, args, environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child) {
    std::fprintf(stderr, "velta-ase-info: cannot run %s\n", program.c_str());
    return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// --file: the model staged as velta-view stages it, in a folder of its own, then loaded and
// printed exactly as a table row.
int InfoOfFile(const char* model) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "velta-ase-info-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::fprintf(stderr, "velta-ase-info: cannot make a stage folder\n");
    return 1;
  }
  const std::filesystem::path stage = pattern;
  int status = 0;
  if (!StageWithViewTool(model, pattern)) {
    status = 1;
  } else {
    const std::filesystem::path back = std::filesystem::current_path(ec);
    std::filesystem::current_path(stage, ec);
    SetMessageBoxPresenter(PrintMessage);
    for (int row = 0; row < ModelTableRows; ++row)
      if (std::strcmp(ModelTable[row].fileName, "fastfood.ase") == 0) {
        LoadModel(row);
        PrintLoadNotes(row);
        if (LoadReport.outOfMemory) status = 1;
        if (ModelTable[row].model) PrintModel(row);
      }
    std::fflush(stdout);
    ReleaseModels();
    std::filesystem::current_path(back, ec);
  }
  std::filesystem::remove_all(stage, ec);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--file") == 0) return InfoOfFile(argv[2]);
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
  bool outOfMemory = false;
  try {
    for (int row : rows) {
      LoadModel(row);
      PrintLoadNotes(row);
      outOfMemory = outOfMemory || LoadReport.outOfMemory;
    }
    for (int row = 0; row < ModelTableRows; ++row)
      if (ModelTable[row].model) PrintModel(row);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "velta-ase-info: not enough memory to print the models\n");
    outOfMemory = true;
  }
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
  // A model that is missing parts for want of memory is not what the viewer would show.
  if (outOfMemory) return 1;
  if (missing.empty()) return 0;
  char here[4096] = "the current folder";
  if (!getcwd(here, sizeof here)) std::strcpy(here, "the current folder");
  std::fprintf(stderr, "velta-ase-info: no model loaded in %s %s from %s\n",
               missing.find(',') == std::string::npos ? "row" : "rows", missing.c_str(), here);
  return 1;
}
