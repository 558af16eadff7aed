#include <windows.h>

#include "testing/win32_hooks.h"
#include "win32/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kErrorCaption[] = "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF";
const char kErrorCaptionUtf8[] = "\xEB\xB2\xA8\xED\x83\x80 \xEC\x97\x90\xEB\x9F\xAC";

class MessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override { TestResetMessageBoxes(); }
  void TearDown() override { TestResetMessageBoxes(); }
};

}  // namespace

TEST_F(MessageBoxes, HeadlessAnswerIsTheDefaultButton) {
  const struct {
    UINT type;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_ICONERROR, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
      {MB_YESNO | MB_DEFBUTTON3, IDYES},  // past the last button: the first
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_RETRYCANCEL, IDRETRY},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
      {MB_YESNOCANCEL | MB_DEFBUTTON4, IDYES},
      {7, 0},  // no such button set: nothing shown
      {MB_TYPEMASK | MB_ICONWARNING, 0},
  };
  TestSilenceMessageBoxes(true);
  for (const auto& c : cases)
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", c.type), c.answer) << std::hex << c.type;
  EXPECT_EQ(TestMessageBoxes().size(), std::size(cases));
}

TEST_F(MessageBoxes, RecordsEveryBoxInOrder) {
  TestSilenceMessageBoxes(true);
  HWND owner = reinterpret_cast<HWND>(ULONG_PTR(0x1234));
  MessageBoxA(owner, "\xC5\xD8\xBD\xBA\xC3\xB3 a.bmp\r\n", kErrorCaption, MB_ICONERROR);
  MessageBoxA(nullptr, nullptr, nullptr, MB_YESNO | MB_ICONQUESTION);
  const auto& boxes = TestMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].text, "\xC5\xD8\xBD\xBA\xC3\xB3 a.bmp\r\n");
  EXPECT_EQ(boxes[0].caption, kErrorCaption);
  EXPECT_EQ(boxes[0].type, UINT(MB_ICONERROR));
  EXPECT_EQ(boxes[1].owner, nullptr);
  EXPECT_EQ(boxes[1].text, "");
  EXPECT_EQ(boxes[1].caption, "Error");
  EXPECT_EQ(boxes[1].type, UINT(MB_YESNO | MB_ICONQUESTION));
  TestClearMessageBoxes();
  EXPECT_TRUE(TestMessageBoxes().empty());

  for (int i = 0; i < 5000; ++i) MessageBoxA(nullptr, "x", "y", MB_OK);
  EXPECT_EQ(TestMessageBoxes().size(), 4096u);
}

TEST_F(MessageBoxes, TestChoosesTheAnswer) {
  TestSilenceMessageBoxes(true);
  TestSetMessageBoxAnswer(IDCANCEL);
  TestQueueMessageBoxAnswer(IDNO);
  TestQueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "1", "c", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "2", "c", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "3", "c", MB_YESNO), IDCANCEL);
  TestSetMessageBoxAnswer(0);
  EXPECT_EQ(MessageBoxA(nullptr, "4", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
  TestQueueMessageBoxAnswer(IDOK);
  TestResetMessageBoxes();
  TestSilenceMessageBoxes(true);
  EXPECT_EQ(MessageBoxA(nullptr, "5", "c", MB_YESNO | MB_DEFBUTTON2),
            IDNO);  // reset drops the queue
}

TEST_F(MessageBoxes, HeadlessLineOnStandardError) {
  ::testing::internal::CaptureStderr();
  MessageBoxA(nullptr, "Enumeration failed. Your system may be in an\nunstable state\r\n",
              kErrorCaption, MB_ICONERROR);
  MessageBoxA(nullptr, "a\r\rb\r\n\r\n", "T", MB_OK);
  TestSilenceMessageBoxes(true);
  MessageBoxA(nullptr, "silent", "T", MB_OK);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, std::string("messagebox: [") + kErrorCaptionUtf8 +
                     "] Enumeration failed. Your system may be in an\\nunstable state\n"
                     "messagebox: [T] a\\n\\nb\n");
  EXPECT_EQ(TestMessageBoxes().size(), 3u);
}

namespace {

int fakeCalls = 0;
std::string fakeText;

int FakePresenter(HWND, LPCSTR text, LPCSTR, UINT) {
  ++fakeCalls;
  fakeText = text;
  return IDNO;
}

}  // namespace

// A display layer replaces how boxes are shown; recording and test answers stay in front of it.
TEST_F(MessageBoxes, PresenterCanBeReplaced) {
  fakeCalls = 0;
  MessageBoxPresenter old = SetMessageBoxPresenter(FakePresenter);
  EXPECT_EQ(old, &WindowMessageBox);
  EXPECT_EQ(MessageBoxA(nullptr, "shown", "c", MB_YESNO), IDNO);
  EXPECT_EQ(fakeCalls, 1);
  EXPECT_EQ(fakeText, "shown");
  TestSetMessageBoxAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "answered", "c", MB_YESNO), IDYES);
  TestSilenceMessageBoxes(true);
  MessageBoxA(nullptr, "silent", "c", MB_YESNO);
  EXPECT_EQ(fakeCalls, 2);
  EXPECT_EQ(MessageBoxA(nullptr, "bad style", "c", 9), 0);
  EXPECT_EQ(fakeCalls, 2);
  EXPECT_EQ(SetMessageBoxPresenter(nullptr), &FakePresenter);
  EXPECT_EQ(SetMessageBoxPresenter(nullptr), &WindowMessageBox);
  EXPECT_EQ(TestMessageBoxes().size(), 4u);
}
