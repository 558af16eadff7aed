// A scratch media folder as the working directory, message boxes recorded silently, and
// every model and texture released after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "framework/textures.h"
#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "test_support.h"
#include "testing/win32_hooks.h"

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
    TestClearRegistry();
    ::unsetenv("D3DPATH");
    cwd_.emplace(dir_.path());
  }
  void TearDown() override {
    ReleaseModels();
    DestroyAllTextures();
    cwd_.reset();
    TestResetMessageBoxes();
  }

  int32_t Load(const std::string& name, const std::string& text) {
    dir_.Write(name, text);
    return LoadAseFile(name.c_str());
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const RecordedMessageBox& box : TestMessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  Model* Row(int row) const { return ModelTable[row].model; }

  velta_test::ScratchDir dir_;
  std::optional<velta_test::WorkingDir> cwd_;
};

// A geometry object holding one triangle, as an exporter writes it.
inline std::string TriangleObject(const std::string& name, const std::string& parent = "",
                                  int materialRef = -1) {
  std::string s = "*GEOMOBJECT {\n\t*NODE_NAME \"" + name + "\"\n";
  if (!parent.empty()) s += "\t*NODE_PARENT \"" + parent + "\"\n";
  s += "\t*NODE_TM {\n\t\t*NODE_NAME \"" + name + "\"\n\t\t*TM_ROW0 1 0 0\n\t}\n";
  s += R"(	*MESH {
		*TIMEVALUE 0
		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX    0	1.0	2.0	3.0
			*MESH_VERTEX    1	4.0	5.0	6.0
			*MESH_VERTEX    2	7.0	8.0	9.0
		}
		*MESH_FACE_LIST {
			*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    1	 *MESH_SMOOTHING 1 	*MESH_MTLID 0
		}
		*MESH_NUMTVERTEX 3
		*MESH_TVERTLIST {
			*MESH_TVERT 0	0.1	0.25	0.0
			*MESH_TVERT 1	0.2	0.5	0.0
			*MESH_TVERT 2	0.3	1.0	0.0
		}
		*MESH_NUMTVFACES 1
		*MESH_TFACELIST {
			*MESH_TFACE 0	0	1	2
		}
		*MESH_NORMALS {
			*MESH_FACENORMAL 0	0.0	0.0	1.0
				*MESH_VERTEXNORMAL 0	0.1	0.2	0.3
				*MESH_VERTEXNORMAL 1	0.4	0.5	0.6
				*MESH_VERTEXNORMAL 2	0.7	0.8	0.9
		}
	}
)";
  if (materialRef >= 0) s += "\t*MATERIAL_REF " + std::to_string(materialRef) + "\n";
  return s + "}\n";
}

// A material list with one material per entry of `bitmaps` ("" for no map).
inline std::string MaterialList(const std::vector<std::string>& bitmaps) {
  std::string s = "*MATERIAL_LIST {\n\t*MATERIAL_COUNT " + std::to_string(bitmaps.size()) + "\n";
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    s += "\t*MATERIAL " + std::to_string(i) + " {\n\t\t*MATERIAL_NAME \"m" + std::to_string(i) +
         "\"\n\t\t*MATERIAL_DIFFUSE 0." + std::to_string(i + 1) + " 0.5 0.25\n";
    if (!bitmaps[i].empty())
      s += "\t\t*MAP_DIFFUSE {\n\t\t\t*BITMAP \"" + bitmaps[i] + "\"\n\t\t}\n";
    s += "\t}\n";
  }
  return s + "}\n";
}
