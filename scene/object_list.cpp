#include "scene/object_list.h"

#include "model/ase_loader.h"

void ReleaseModels() {
  for (ModelTableRow& row : ModelTable) {
    delete row.model;
    row.model = nullptr;
  }
}
