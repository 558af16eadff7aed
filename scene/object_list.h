// The object list: the scene's placed objects, drawn every frame in slot order, and the
// release of every loaded model.
#pragma once

#include <cstdint>

struct SceneObject;

constexpr int ObjectListCapacity = 1000;

struct ObjectListState {
  uint16_t count;  // one past the highest slot filled since the list was last emptied
  SceneObject* slots[ObjectListCapacity];  // owned; an empty slot is null

  ObjectListState();
  ~ObjectListState();  // removes every object at program exit
};

extern ObjectListState ObjectList;

// Enters the object in the lowest free slot, or shows the list-full message.
void AddObject(SceneObject* object);
// Makes an object from the loaded model of table row `row` (0 to 4) and enters it.
void CreateObject(int row, const char* name);
void RenderObjects();
void RemoveAllObjects();
// Destroys every loaded model of the model table and clears the rows.
void ReleaseModels();
