// Post-load linking: attaches every geometry object to its parent by name, numbers the meshes
// of each model, loads their textures and fills the models' mesh arrays; whatever cannot be
// attached is destroyed.
#include <cstring>
#include <new>

#include "app/messages.h"
#include "framework/textures.h"
#include "model/ase_loader.h"

namespace {

// 텍스처 %s 로딩 실패!
const char MsgTextureFailed[] = "\xC5\xD8\xBD\xBA\xC3\xB3 %s \xB7\xCE\xB5\xF9 \xBD\xC7\xC6\xD0!";

// Entries whose parent chain is being climbed, so a chain that loops ends unlinked.
uint8_t Climbing[LoadTableSize];

void BindTexture(MeshNode* mesh) {
  const char* name = mesh->material.bitmapName;
  if (name[0] == '\0') return;
  if (FAILED(CreateTexture(name, 0, 0))) {
    ErrorBox(MsgTextureFailed, name);
    mesh->material.textureEntry = nullptr;
  } else {
    mesh->material.textureEntry = FindTextureEntry(name);
  }
}

}  // namespace

int FindLoadEntry(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < LoadTable.count && i < LoadTableSize; ++i) {
    const LoadEntry& e = LoadTable.entries[i];
    if (e.node && std::strcmp(e.node->name, name) == 0) return i;
  }
  return -1;
}

int ResolveParent(int index) {
  if (index < 0 || index >= LoadTable.count || index >= LoadTableSize) return 0;
  LoadEntry& e = LoadTable.entries[index];
  int parent = -1;
  if (!e.linked) {
    if (e.parentName[0] == '\0') return 0;
    parent = FindLoadEntry(e.parentName);
    if (parent < 0 || Climbing[index]) return 0;
    Climbing[index] = 1;
    int linked = ResolveParent(parent);
    Climbing[index] = 0;
    if (linked) e.linked = 1;
  }
  if (e.linked && e.parentName[0] != '\0') {
    if (parent < 0) parent = FindLoadEntry(e.parentName);
    if (parent >= 0 && e.node) {
      Model* model = LoadTable.entries[parent].node->model;
      if (e.mesh) e.mesh->model = model;
      e.node->model = model;
    }
  }
  return e.linked;
}

void LinkLoadedObjects() {
  int count = LoadTable.count < LoadTableSize ? LoadTable.count : LoadTableSize;
  for (int i = 0; i < count; ++i) {
    LoadEntry& e = LoadTable.entries[i];
    if (e.parentName[0] == '\0' || !e.node) continue;
    int parent = FindLoadEntry(e.parentName);
    if (parent < 0) continue;
    e.linked = static_cast<uint8_t>(ResolveParent(i));
    Model* model = e.node->model;
    if (!e.linked || !model) continue;
    LoadTable.entries[parent].node->AddChild(e.node);
    e.mesh->meshIndex = model->meshCount;
    ++model->meshCount;
    BindTexture(e.mesh);
  }
  for (int i = 0; i < count; ++i) {
    LoadEntry& e = LoadTable.entries[i];
    if (!e.node || !e.linked || !e.node->model) continue;
    Model* model = e.node->model;
    if (!model->meshes && model->meshCount > 0) {
      model->meshes = new (std::nothrow) MeshNode*[model->meshCount]();
      if (!model->meshes) {
        NoteLoadLimit(LimitNoMemory, e.node->name, e.mesh->vertexCount, 0);
        continue;
      }
    }
    if (model->meshes && e.mesh->meshIndex < model->meshCount)
      model->meshes[e.mesh->meshIndex] = e.mesh;
  }
}

void DiscardUnlinked() {
  int count = LoadTable.count < LoadTableSize ? LoadTable.count : LoadTableSize;
  for (int i = 0; i < count; ++i)
    if (!LoadTable.entries[i].linked) DestroyLoadEntry(i);
}
