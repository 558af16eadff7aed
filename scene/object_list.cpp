#include "scene/object_list.h"

#include <new>

#include "app/messages.h"
#include "model/ase_loader.h"
#include "scene/scene_object.h"

ObjectListState ObjectList;

namespace {

// 오브젝트리스트 한계인 %s개를 초과했습니다.
const char MsgListFull[] =
    "\xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE\xB8\xAE\xBD\xBA\xC6\xAE \xC7\xD1\xB0\xE8\xC0\xCE "
    "%s\xB0\xB3\xB8\xA6 \xC3\xCA\xB0\xFA\xC7\xDF\xBD\xC0\xB4\xCF\xB4\xD9.";
// 오브젝트 '%s'가 로드되지 않은 상태에서 생성할수 없습니다
const char MsgNotLoaded[] =
    "\xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE '%s'\xB0\xA1 \xB7\xCE\xB5\xE5\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBA "
    "\xBB\xF3\xC5\xC2\xBF\xA1\xBC\xAD \xBB\xFD\xBC\xBA\xC7\xD2\xBC\xF6 \xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9";

// Finds the lowest slot the next object goes to: a hole below `count`, or `count` itself.
int FreeSlot() {
  int i = 0;
  while (i < ObjectList.count && i < ObjectListCapacity && ObjectList.slots[i]) ++i;
  return i;
}

}  // namespace

ObjectListState::ObjectListState() : count(0), slots{} {}

ObjectListState::~ObjectListState() { RemoveAllObjects(); }

void AddObject(SceneObject* object) {
  int i = FreeSlot();
  if (i >= ObjectListCapacity) {
    ErrorBox(MsgListFull, "1000");
    return;
  }
  ObjectList.slots[i] = object;
  object->slot = static_cast<uint16_t>(i);
  if (i == ObjectList.count) ++ObjectList.count;
}

void CreateObject(int row, const char* name) {
  if (row < 0 || row >= ModelTableRows) return;
  if (!ModelTable[row].model) {
    ErrorBox(MsgNotLoaded, ModelTable[row].description);
    return;
  }
  SceneObject* object = new (std::nothrow) SceneObject;
  if (!object) return;
  InitSceneObject(object, row, name);
  if (FreeSlot() >= ObjectListCapacity) {
    // The list keeps nowhere to hold it: report, then give the object and its count back.
    AddObject(object);
    --object->model->liveObjects;
    delete object;
    return;
  }
  AddObject(object);
}

void RenderObjects() {
  for (int i = 0; i < ObjectList.count; ++i)
    if (SceneObject* object = ObjectList.slots[i]) RenderSceneObject(object);
}

void RemoveAllObjects() {
  for (int i = 0; i < ObjectList.count; ++i) {
    if (SceneObject* object = ObjectList.slots[i]) {
      --object->model->liveObjects;
      if (object->slot == ObjectList.count - 1) --ObjectList.count;
      delete object;
    }
    ObjectList.slots[i] = nullptr;
  }
  ObjectList.count = 0;
}

void ReleaseModels() {
  for (ModelTableRow& row : ModelTable) {
    delete row.model;
    row.model = nullptr;
  }
}
