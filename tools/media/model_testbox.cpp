// testbox.ase: the simplest model, a cube with a label stuck on its front.
#include "tools/media/scene.h"

namespace media {

ModelFile BuildTestBox() {
  ModelFile f;
  f.fileName = "testbox.ase";
  f.sceneName = "testbox.max";
  f.exportDate = "Mon Feb 08 10:12:44 1999";
  f.materials.push_back(PlainMaterial("Box Grey", {112, 128, 168}));
  f.materials.push_back(
      MappedMaterial("Label", "D:\\Projects\\Test Scenes\\maps\\label.bmp", "Map #1"));

  f.objects.push_back(MakeObject("Box01", "", 0, Box({-22, -22, 0}, {22, 22, 44}), false));
  // The label's front shows the whole picture; its thin edges take the red border.
  BoxUV uv = BoxUVAll(0.004, 0.004, 0.02, 0.02);
  uv.rect[2][0] = 0;
  uv.rect[2][1] = 0;
  uv.rect[2][2] = 1;
  uv.rect[2][3] = 1;
  f.objects.push_back(
      MakeObject("Label01", "Box01", 1, Box({-15, -22.6, 13}, {15, -22, 31}, &uv), true));
  return f;
}

}  // namespace media
