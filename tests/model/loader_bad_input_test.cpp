// Files outside the format: every index and count is checked, nothing is kept from an earlier
// object, and no message is shown for any of it.
#include <cstring>

#include "loader_fixture.h"

namespace {

std::string Root(const std::string& meshBody, const std::string& extra = "") {
  return "*GEOMOBJECT {\n\t*NODE_NAME \"Box01\"\n\t*MESH {\n" + meshBody + "\t}\n" + extra + "}\n";
}

TEST_F(LoaderTest, OutOfRangeElementLinesAreIgnored) {
  std::string mesh = R"(		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 2
		*MESH_VERTEX_LIST {
			*MESH_VERTEX 0 1 1 1
			*MESH_VERTEX 3 9 9 9
			*MESH_VERTEX -1 9 9 9
			*MESH_VERTEX 2 2 2 2
		}
		*MESH_FACE_LIST {
			*MESH_FACE 0: A: 0 B: 1 C: 2
			*MESH_FACE 1: A: 0 B: 3 C: 1
			*MESH_FACE 2: A: 0 B: 1 C: 2
			*MESH_FACE -1: A: 0 B: 1 C: 2
			*MESH_FACE 715827882: A: 0 B: 1 C: 2
		}
		*MESH_NUMTVERTEX 2
		*MESH_TVERTLIST {
			*MESH_TVERT 0 0.5 0.5 0
			*MESH_TVERT 2 0.9 0.9 0
		}
		*MESH_TFACELIST {
			*MESH_TFACE 0 0 1 5
			*MESH_TFACE 1 0 0 0
			*MESH_TFACE 9 0 0 0
		}
		*MESH_NORMALS {
			*MESH_VERTEXNORMAL 7 1 1 1
			*MESH_VERTEXNORMAL 1 0 1 0
		}
)";
  ASSERT_EQ(Load("testbox.ase", Root(mesh)), 0);
  ASSERT_NE(Row(2), nullptr);
  MeshNode* m = Row(2)->meshes[0];
  ASSERT_EQ(m->vertexCount, 3);
  ASSERT_EQ(m->indexCount, 6);
  EXPECT_EQ(m->work[2].position.x, 2.0f);
  EXPECT_EQ(m->work[1].position.x, 0.0f);
  const uint16_t expected[6] = {0, 2, 1, 0, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m->indices[i], expected[i]) << i;
  EXPECT_EQ(m->work[2].tu, 0.0f) << "the texture face naming texture vertex 5 is ignored";
  EXPECT_EQ(m->work[0].tu, 0.5f) << "face 1 is degenerate (0, 0, 0) and names vertex 0 thrice";
  EXPECT_EQ(m->work[0].tv, 0.5f);
  EXPECT_EQ(m->work[1].normal.z, 1.0f);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(LoaderTest, MaterialIndicesPastTheCount) {
  std::string text = R"(*MATERIAL_LIST {
	*MATERIAL_COUNT 1
	*MATERIAL 0 {
		*MATERIAL_DIFFUSE 0.5 0.5 0.5
	}
	*MATERIAL 5 {
		*MATERIAL_DIFFUSE 0.9 0.9 0.9
		*MAP_DIFFUSE {
			*BITMAP "x.bmp"
		}
	}
}
)";
  // After "*MATERIAL 5" the current index is out of range until a valid reference.
  text += TriangleObject("Box01") + TriangleObject("A", "Box01", 0) + TriangleObject("B", "Box01", 7);
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(LoadedMaterials.count, 1);
  EXPECT_FLOAT_EQ(LoadedMaterials.items[0].diffuse.x, 0.5f) << "block 5 changed no material";
  ASSERT_EQ(Row(2)->meshCount, 3);
  const Material& root = Row(2)->meshes[0]->material;
  EXPECT_EQ(root.diffuse.x, 0.0f) << "built with an out-of-range index: all zero";
  EXPECT_STREQ(root.bitmapName, "");
  EXPECT_FLOAT_EQ(Row(2)->meshes[1]->material.diffuse.x, 0.5f);
  EXPECT_FLOAT_EQ(Row(2)->meshes[2]->material.diffuse.x, 0.5f) << "reference 7 is ignored";
  EXPECT_TRUE(Messages().empty());
}

TEST_F(LoaderTest, NoMaterialListGivesZeroMaterials) {
  ReleaseLoaderMaterials();
  ASSERT_EQ(Load("testbox.ase", TriangleObject("Box01", "", 0)), 0);
  const Material& m = Row(2)->meshes[0]->material;
  Material zero;
  std::memset(static_cast<void*>(&zero), 0, sizeof zero);
  EXPECT_EQ(std::memcmp(&m, &zero, sizeof m), 0);
}

TEST_F(LoaderTest, ObjectsWithoutGeometryNeverReuseEarlierCounts) {
  std::string text = TriangleObject("Box01") +
                     "*GEOMOBJECT {\n\t*NODE_NAME \"Empty\"\n\t*NODE_PARENT \"Box01\"\n}\n" +
                     "*GEOMOBJECT {\n\t*NODE_NAME \"NoFaces\"\n\t*NODE_PARENT \"Box01\"\n"
                     "\t*MESH {\n\t\t*MESH_NUMVERTEX 2\n\t}\n}\n";
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(Row(2)->meshCount, 3);
  EXPECT_EQ(Row(2)->meshes[1]->vertexCount, 0);
  EXPECT_EQ(Row(2)->meshes[1]->indexCount, 0);
  EXPECT_EQ(Row(2)->meshes[2]->vertexCount, 2);
  EXPECT_EQ(Row(2)->meshes[2]->indexCount, 0);
}

TEST_F(LoaderTest, FacesWithoutVerticesGiveNoTriangles) {
  std::string mesh = "\t\t*MESH_NUMFACES 4\n"
                     "\t\t*MESH_FACE_LIST {\n\t\t\t*MESH_FACE 0: A: 0 B: 0 C: 0\n\t\t}\n";
  ASSERT_EQ(Load("testbox.ase", Root(mesh)), 0);
  EXPECT_EQ(Row(2)->meshes[0]->vertexCount, 0);
  EXPECT_EQ(Row(2)->meshes[0]->indexCount, 0);
}

TEST_F(LoaderTest, CountsAreCutTo16Bits) {
  std::string mesh = "\t\t*MESH_NUMVERTEX 65539\n\t\t*MESH_NUMFACES 70000\n"
                     "\t\t*MESH_FACE_LIST {\n\t\t\t*MESH_FACE 4464: A: 0 B: 1 C: 2\n"
                     "\t\t\t*MESH_FACE 4463: A: 0 B: 1 C: 2\n\t\t}\n";
  ASSERT_EQ(Load("testbox.ase", Root(mesh)), 0);
  MeshNode* m = Row(2)->meshes[0];
  EXPECT_EQ(m->vertexCount, 3);
  EXPECT_EQ(m->indexCount, 13392);
  EXPECT_EQ(m->indices[13389], 0);
  EXPECT_EQ(m->indices[13390], 2);
}

TEST_F(LoaderTest, HugeAndNegativeCountsAllocateNothingDangerous) {
  std::string mesh = "\t\t*MESH_NUMVERTEX -1\n\t\t*MESH_NUMFACES 99999999999\n"
                     "\t\t*MESH_NUMTVERTEX 2147483648\n";
  ASSERT_EQ(Load("testbox.ase", Root(mesh)), 0);
  MeshNode* m = Row(2)->meshes[0];
  EXPECT_EQ(m->vertexCount, 65535);
  for (int i = 0; i < m->indexCount; ++i) ASSERT_EQ(m->indices[i], 0);
}

TEST_F(LoaderTest, ObjectsPastTheHundredthAreReadButNotBuilt) {
  std::string text = TriangleObject("Box01");
  for (int i = 1; i < 130; ++i) text += TriangleObject("Part" + std::to_string(i), "Box01");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  EXPECT_EQ(LoadTable.count, LoadTableSize);
  EXPECT_EQ(Row(2)->meshCount, LoadTableSize);
  EXPECT_STREQ(Row(2)->meshes[99]->name, "Part99");
}

TEST_F(LoaderTest, LongNamesAreCut) {
  std::string longName(120, 'q');
  std::string text = MaterialList({"C:\\maps\\" + std::string(100, 'b') + ".bmp"}) +
                     TriangleObject("Box01") + TriangleObject(longName, "Box01", 0);
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(Row(2)->meshCount, 2);
  EXPECT_EQ(std::strlen(Row(2)->meshes[1]->name), 79u);
  EXPECT_EQ(std::strlen(Row(2)->meshes[1]->material.bitmapName), 79u);
}

TEST_F(LoaderTest, ParentLoopsStayUnlinkedWithoutHanging) {
  std::string text = TriangleObject("Box01") + TriangleObject("A", "B") + TriangleObject("B", "A") +
                     TriangleObject("Self", "Self") + TriangleObject("C", "A") +
                     TriangleObject("Good", "Box01");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(Row(2)->meshCount, 2);
  EXPECT_STREQ(Row(2)->meshes[1]->name, "Good");
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(LoadTable.entries[i].node, nullptr) << i;
}

TEST_F(LoaderTest, DuplicateNamesTakeTheFirstAsParent) {
  std::string text = TriangleObject("Box01") + TriangleObject("Arm", "Box01") +
                     TriangleObject("Arm", "Box01") + TriangleObject("Hand", "Arm");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(Row(2)->meshCount, 4);
  ModelNode* firstArm = LoadTable.entries[1].node;
  ASSERT_NE(firstArm, nullptr);
  EXPECT_STREQ(firstArm->firstChild->nextSibling->name, "Hand");
}

TEST_F(LoaderTest, FileEndingInsideBlocksStillBuildsWhatWasRead) {
  std::string text = TriangleObject("Box01");
  text = text.substr(0, text.find("*MESH_TVERTLIST"));
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_NE(Row(2), nullptr);
  MeshNode* m = Row(2)->meshes[0];
  EXPECT_EQ(m->vertexCount, 3);
  EXPECT_EQ(m->indices[1], 2);
}

TEST_F(LoaderTest, EveryPrefixOfAModelLoadsCleanly) {
  std::string text = MaterialList({"skin.bmp", ""}) + TriangleObject("Box01", "", 1) +
                     TriangleObject("Lid", "Box01", 0) + TriangleObject("Knob", "Lid", 1);
  dir_.Write("skin.bmp", velta_test::SolidBmp24(2, 2, 9, 9, 9));
  for (size_t cut = 0; cut <= text.size(); cut += 7) {
    ASSERT_EQ(Load("testbox.ase", text.substr(0, cut)), 0) << cut;
    ReleaseModels();
  }
  ASSERT_EQ(Load("testbox.ase", text), 0);
  EXPECT_EQ(Row(2)->meshCount, 3);
}

}  // namespace
