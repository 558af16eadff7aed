#include "scene_fixture.h"

namespace {

// 오브젝트 '박스'가 로드되지 않은 상태에서 생성할수 없습니다
const char NotLoadedBox[] =
    "\xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE '\xB9\xDA\xBD\xBA'\xB0\xA1 \xB7\xCE\xB5\xE5\xB5\xC7\xC1\xF6 "
    "\xBE\xCA\xC0\xBA \xBB\xF3\xC5\xC2\xBF\xA1\xBC\xAD \xBB\xFD\xBC\xBA\xC7\xD2\xBC\xF6 "
    "\xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9\r\n";
// 오브젝트리스트 한계인 1000개를 초과했습니다.
const char ListFull[] =
    "\xBF\xC0\xBA\xEA\xC1\xA7\xC6\xAE\xB8\xAE\xBD\xBA\xC6\xAE \xC7\xD1\xB0\xE8\xC0\xCE "
    "1000\xB0\xB3\xB8\xA6 \xC3\xCA\xB0\xFA\xC7\xDF\xBD\xC0\xB4\xCF\xB4\xD9.\r\n";

TEST_F(SceneTest, EmptyListRendersNothing) {
  RenderObjects();
  RemoveAllObjects();
  EXPECT_EQ(ObjectList.count, 0);
  EXPECT_TRUE(RecordingMesh::Log().empty());
  ReleaseModels();
  EXPECT_TRUE(TestMessageBoxes().empty());
}

TEST_F(SceneTest, ObjectsOfAnUnloadedRowAreRefusedWithTheRowsName) {
  CreateObject(2, "box");
  EXPECT_EQ(ObjectList.count, 0);
  ASSERT_EQ(TestMessageBoxes().size(), 1u);
  EXPECT_EQ(TestMessageBoxes()[0].text, NotLoadedBox);
}

TEST_F(SceneTest, ThreeObjectsFillSlotsInOrderAndGoTogether) {
  Model* model = MakeModel(2);
  for (const char* name : {"a", "b", "c"}) CreateObject(2, name);
  ASSERT_EQ(ObjectList.count, 3);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(ObjectList.slots[i], nullptr);
    EXPECT_EQ(ObjectList.slots[i]->slot, i);
    EXPECT_EQ(ObjectList.slots[i]->serial, i);
  }
  EXPECT_EQ(model->liveObjects, 3);
  RenderObjects();
  EXPECT_EQ(RecordingMesh::Log().size(), 6u);
  RemoveAllObjects();
  EXPECT_EQ(model->liveObjects, 0);
  EXPECT_EQ(ObjectList.count, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ObjectList.slots[i], nullptr);
  ReleaseModels();
  EXPECT_EQ(ModelTable[2].model, nullptr);
  CreateObject(2, "again");
  EXPECT_EQ(TestMessageBoxes().back().text, NotLoadedBox);
}

TEST_F(SceneTest, HolesAreReusedLowestFirst) {
  MakeModel(2);
  for (int i = 0; i < 4; ++i) CreateObject(2, "x");
  for (int hole : {1, 2}) {
    ObjectList.slots[hole]->model->liveObjects--;
    delete ObjectList.slots[hole];
    ObjectList.slots[hole] = nullptr;
  }
  CreateObject(2, "fills 1");
  EXPECT_STREQ(ObjectList.slots[1]->name, "fills 1");
  EXPECT_EQ(ObjectList.slots[1]->slot, 1);
  EXPECT_EQ(ObjectList.count, 4);
}

TEST_F(SceneTest, AFullListRefusesAndGivesTheObjectBack) {
  Model* model = MakeModel(2);
  for (int i = 0; i < ObjectListCapacity; ++i) CreateObject(2, "x");
  EXPECT_EQ(ObjectList.count, ObjectListCapacity);
  EXPECT_TRUE(TestMessageBoxes().empty());
  CreateObject(2, "one too many");
  ASSERT_EQ(TestMessageBoxes().size(), 1u);
  EXPECT_EQ(TestMessageBoxes()[0].text, ListFull);
  EXPECT_EQ(ObjectList.count, ObjectListCapacity);
  EXPECT_EQ(model->liveObjects, ObjectListCapacity) << "the refused object was destroyed";
  auto* extra = new SceneObject;
  InitSceneObject(extra, 2, "added directly");
  AddObject(extra);
  EXPECT_EQ(TestMessageBoxes().size(), 2u);
  model->liveObjects--;
  delete extra;
}

}  // namespace
