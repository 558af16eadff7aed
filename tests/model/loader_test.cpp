#include <cstring>

#include "loader_fixture.h"

namespace {

// 'x.ase' 파일을 찾을수가 없습니다.
const char NotFoundX[] =
    "'x.ase' \xC6\xC4\xC0\xCF\xC0\xBB \xC3\xA3\xC0\xBB\xBC\xF6\xB0\xA1 "
    "\xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9.\r\n";
// 'Box01' 오브젝트모델은 이미 로드되어있네요.
const char AlreadyBox01[] =
    "'Box01' \xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE\xB8\xF0\xB5\xA8\xC0\xBA \xC0\xCC\xB9\xCC "
    "\xB7\xCE\xB5\xE5\xB5\xC7\xBE\xEE\xC0\xD6\xB3\xD7\xBF\xE4.\r\n";

TEST_F(LoaderTest, ConvertsAxesCornersAndTextureCoordinates) {
  ASSERT_EQ(Load("testbox.ase", MaterialList({""}) + TriangleObject("Box01", "", 0)), 0);
  Model* model = Row(2);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshCount, 1);
  MeshNode* mesh = model->meshes[0];
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->vertexCount, 3);
  const WorkVertex& v0 = mesh->work[0];
  EXPECT_EQ(v0.position.x, 1.0f);
  EXPECT_EQ(v0.position.y, 3.0f) << "second and third coordinates are exchanged";
  EXPECT_EQ(v0.position.z, 2.0f);
  EXPECT_FLOAT_EQ(v0.normal.y, 0.3f);
  EXPECT_FLOAT_EQ(v0.normal.z, 0.2f);
  ASSERT_EQ(mesh->indexCount, 3);
  EXPECT_EQ(mesh->indices[0], 0);
  EXPECT_EQ(mesh->indices[1], 2) << "corners are stored A, C, B";
  EXPECT_EQ(mesh->indices[2], 1);
  EXPECT_FLOAT_EQ(v0.tu, 0.1f);
  EXPECT_FLOAT_EQ(v0.tv, 0.75f) << "v is flipped";
  EXPECT_FLOAT_EQ(mesh->work[1].tv, 0.5f);
  EXPECT_FLOAT_EQ(mesh->work[2].tv, 0.0f);
  EXPECT_EQ(model->firstChild->kind, NodeKindScene);
  EXPECT_STREQ(model->firstChild->name, "Box01");
  EXPECT_EQ(model->firstChild->firstChild, mesh);
  EXPECT_EQ(mesh->model, model);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(LoaderTest, MissingFileIsReportedInKorean) {
  EXPECT_EQ(LoadAseFile("x.ase"), 1);
  ASSERT_EQ(TestMessageBoxes().size(), 1u);
  const RecordedMessageBox& box = TestMessageBoxes()[0];
  EXPECT_EQ(box.text, NotFoundX);
  EXPECT_EQ(box.caption, "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(box.owner, nullptr);
}

TEST_F(LoaderTest, SecondLoadIsRefusedAndKeepsTheFirstModel) {
  std::string text = TriangleObject("Box01") + TriangleObject("Lid", "Box01");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  Model* first = Row(2);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(LoadModel(2), 0);
  EXPECT_EQ(Row(2), first);
  EXPECT_EQ(first->meshCount, 2);
  EXPECT_EQ(Messages(), std::vector<std::string>{AlreadyBox01});
  EXPECT_EQ(LoadTable.entries[0].node, nullptr) << "the second file's objects are all gone";
  EXPECT_EQ(LoadTable.entries[1].node, nullptr);
}

TEST_F(LoaderTest, UnknownRootsLeaveNothingBehindSilently) {
  std::string text = MaterialList({"skin.bmp"}) + TriangleObject("Stranger") +
                     TriangleObject("Arm", "Stranger", 0);
  ASSERT_EQ(Load("other.ase", text), 0);
  for (int row = 0; row < ModelTableRows; ++row) EXPECT_EQ(Row(row), nullptr);
  for (int i = 0; i < LoadTable.count; ++i) EXPECT_EQ(LoadTable.entries[i].node, nullptr);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(TextureTable, nullptr) << "a dropped child loads no texture";
}

TEST_F(LoaderTest, OneFileCanFillSeveralRows) {
  std::string text = TriangleObject("Teapot01") + TriangleObject("Box01") +
                     TriangleObject("Spout", "Teapot01") + TriangleObject("Other") +
                     TriangleObject("OtherChild", "Other");
  ASSERT_EQ(Load("many.ase", text), 0);
  ASSERT_NE(Row(1), nullptr);
  ASSERT_NE(Row(2), nullptr);
  EXPECT_EQ(Row(1)->meshCount, 2);
  EXPECT_EQ(Row(2)->meshCount, 1);
  EXPECT_STREQ(Row(1)->meshes[1]->name, "Spout");
}

TEST_F(LoaderTest, ChildrenAreNumberedInFileOrderWhateverTheirParents) {
  // C comes before its parent P, which comes before the root.
  std::string text = TriangleObject("C", "P") + TriangleObject("P", "Box01") +
                     TriangleObject("Box01") + TriangleObject("D", "Box01") +
                     TriangleObject("E", "Box01");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  Model* model = Row(2);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshCount, 5);
  const char* expected[] = {"Box01", "C", "P", "D", "E"};
  for (int i = 0; i < 5; ++i) {
    ASSERT_NE(model->meshes[i], nullptr);
    EXPECT_STREQ(model->meshes[i]->name, expected[i]);
    EXPECT_EQ(model->meshes[i]->meshIndex, i);
    EXPECT_EQ(model->meshes[i]->model, model);
  }
  // The tree: root node's children are its mesh, then P, D, E; P holds C.
  ModelNode* root = model->firstChild;
  ModelNode* p = root->firstChild->nextSibling;
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->name, "P");
  EXPECT_STREQ(p->firstChild->nextSibling->name, "C");
  EXPECT_STREQ(p->nextSibling->name, "D");
}

TEST_F(LoaderTest, NodeNameAndMaterialIndexCarryOver) {
  std::string second = TriangleObject("ignored", "Box01");
  // Without its own name and material reference the object takes what the previous left.
  second.replace(second.find("\t*NODE_NAME \"ignored\"\n"), 22, "");
  second.replace(second.find("\t\t*NODE_NAME \"ignored\"\n"), 23, "");
  std::string text = MaterialList({"", ""}) + TriangleObject("Box01", "", 1) + second;
  ASSERT_EQ(Load("testbox.ase", text), 0);
  Model* model = Row(2);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshCount, 2);
  EXPECT_STREQ(model->meshes[1]->name, "Box01");
  EXPECT_FLOAT_EQ(model->meshes[1]->material.diffuse.x, 0.2f) << "material 1 carried over";
  EXPECT_FLOAT_EQ(model->meshes[0]->material.diffuse.x, 0.2f);
}

TEST_F(LoaderTest, MaterialFieldsBitmapNamesAndMapTypes) {
  std::string text = R"(*MATERIAL_LIST {
	*MATERIAL_COUNT 4
	*MATERIAL 0 {
		*MATERIAL_AMBIENT 0.1 0.2 0.3
		*MATERIAL_DIFFUSE 0.4 0.5 0.6
		*MATERIAL_SPECULAR 0.7 0.8 0.9
		*MATERIAL_SHINE 0.25
		*MATERIAL_SHINESTRENGTH 0.5
		*MATERIAL_TRANSPARENCY 0.75
		*MAP_DIFFUSE {
			*BITMAP "C:\3dsmax\My Maps\deep\skin.bmp"
			*MAP_TYPE Spherical
		}
	}
	*MATERIAL 1 {
		*MAP_REFLECT {
			*BITMAP "maps/env.bmp"
			*MAP_TYPE Cylindrical
		}
		*MATERIAL_DIFFUSE 0.1 0.2 0.3
	}
	*MATERIAL 2 {
		*MATERIAL_DIFFUSE 0.1 0.2 0.3
		*MAP_DIFFUSE {
			*BITMAP "plain.bmp"
			*MAP_TYPE Screen
		}
	}
	*MATERIAL 3 {
		*SUBMATERIAL 0 {
			*MATERIAL_DIFFUSE 0.9 0.9 0.9
		}
		*SUBMATERIAL 1 {
			*MATERIAL_DIFFUSE 0.3 0.3 0.3
		}
	}
}
)";
  ASSERT_EQ(Load("m.ase", text), 0);
  ASSERT_EQ(LoadedMaterials.count, 4);
  const Material& m0 = LoadedMaterials.items[0];
  EXPECT_FLOAT_EQ(m0.ambient.z, 0.3f);
  EXPECT_FLOAT_EQ(m0.specular.x, 0.7f);
  EXPECT_EQ(m0.diffuse.x, 1.0f) << "a bitmap forces the diffuse colour to white";
  EXPECT_FLOAT_EQ(m0.shine, 0.25f);
  EXPECT_FLOAT_EQ(m0.shineStrength, 0.5f);
  EXPECT_FLOAT_EQ(m0.transparency, 0.75f);
  EXPECT_STREQ(m0.bitmapName, "skin.bmp");
  EXPECT_EQ(m0.mapType, MapSpherical);
  const Material& m1 = LoadedMaterials.items[1];
  EXPECT_STREQ(m1.bitmapName, "maps/env.bmp") << "forward slashes are not folders";
  EXPECT_EQ(m1.mapType, MapCylindrical);
  EXPECT_FLOAT_EQ(m1.diffuse.x, 0.1f) << "a diffuse line after the map sets it again";
  EXPECT_EQ(LoadedMaterials.items[2].mapType, MapPlain);
  EXPECT_EQ(LoadedMaterials.items[2].diffuse.y, 1.0f);
  EXPECT_FLOAT_EQ(LoadedMaterials.items[3].diffuse.x, 0.3f) << "the last sub-material wins";
}

TEST_F(LoaderTest, FileWithoutHeaderAndLastMeshBlockWins) {
  std::string text = TriangleObject("Box01");
  // An animated object repeats its mesh; the later block replaces the earlier one.
  size_t end = text.rfind("}\n");
  text.insert(end, "\t*MESH {\n\t\t*MESH_NUMVERTEX 1\n\t\t*MESH_VERTEX_LIST {\n"
                   "\t\t\t*MESH_VERTEX 0 5 6 7\n\t\t}\n\t}\n");
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_NE(Row(2), nullptr);
  MeshNode* mesh = Row(2)->meshes[0];
  ASSERT_EQ(mesh->vertexCount, 1);
  EXPECT_EQ(mesh->work[0].position.y, 7.0f);
  // The face list of the first block named vertices 1 and 2, which the second block lacks:
  // that triangle collapses, and the mesh hands out no index past its vertices.
  ASSERT_EQ(mesh->indexCount, 3);
  for (int i = 0; i < mesh->indexCount; ++i) EXPECT_EQ(mesh->indices[i], 0);
}

}  // namespace
