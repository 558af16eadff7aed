#include "app/messages.h"

#include <ddraw.h>
#include <gtest/gtest.h>

#include <string>

#include "testing/win32_hooks.h"

namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
  }
  void TearDown() override { TestResetMessageBoxes(); }
  const RecordedMessageBox& Last() const { return TestMessageBoxes().back(); }
};

const char Generic[] = "Generic application error.\n\nEnable debug output for detailed information.";

TEST_F(MessagesTest, FrameworkErrorsPickTheirMessageAndSeverity) {
  ShowFrameworkError(EnumErrNoLibrary, MustExit);
  EXPECT_EQ(Last().text, std::string(Generic) + "\n\nThis sample will now exit.");
  EXPECT_EQ(Last().caption, "Velta Character Demo v.003");
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(Last().owner, nullptr);

  ShowFrameworkError(FwErrNoViewport, 0);
  EXPECT_EQ(Last().text, "No Viewport");
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_ICONWARNING));

  ShowFrameworkError(DDERR_OUTOFVIDEOMEMORY, FallBackToSoftware);
  EXPECT_EQ(Last().text,
            "There was insufficient video memory to use the\nhardware device.\n\n"
            "Switching to software rasterizer.");
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_ICONWARNING));
  ShowFrameworkError(FwErrNeedsHighColor, 7);
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(MessagesTest, EveryCodeHasItsMessage) {
  const struct {
    HRESULT code;
    const char* text;
  } rows[] = {
      {E_OUTOFMEMORY, "Not enough memory!"},
      {EnumErrFailed,
       "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted"},
      {EnumErrTryReference,
       "Could not find any compatible devices.\n\nTry enabling the reference rasterizer."},
      {EnumErrNoCompatible, "Could not find any compatible Direct3D\ndevices."},
      {FwErrGeneric,
       "Generic initialization error.\n\nEnable debug output for detailed information."},
      {FwErrNoDirectDraw, "No DirectDraw"},
      {FwErrCoopLevel, "Could not set Cooperative Level"},
      {FwErrNoDirect3D, "No Direct3D"},
      {FwErrNoDevice, "No 3D Device"},
      {FwErrNoDepthBuffer, "No ZBuffer"},
      {FwErrNoPrimary, "No primary"},
      {FwErrNoClipper, "No Clipper"},
      {FwErrBadMode, "Bad display mode"},
      {FwErrNoBackBuffer, "No backbuffer"},
      {FwErrStillReferenced, "Nonzerorefcount"},
      {FwErrNoRenderTarget, "No render target"},
      {FwErrNeedsHighColor,
       "This sample requires a 16-bit (or higher) display mode\nto run in a window.\n\nPlease "
       "switch your desktop settings accordingly."},
      {EnumErrNotFound, Generic},
      {FwErrNotBuilt, Generic},
      {E_FAIL, Generic},
      {S_OK, Generic},
  };
  for (const auto& row : rows) EXPECT_STREQ(FrameworkErrorMessage(row.code), row.text) << row.code;
}

TEST_F(MessagesTest, KoreanBoxesEndWithALineBreak) {
  ErrorBox("'%s' %d", "teapot.ase", 5);
  EXPECT_EQ(Last().text, "'teapot.ase' 5\r\n");
  EXPECT_EQ(Last().caption, "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF");
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_ICONERROR));
  NoticeBox("%s", "x");
  EXPECT_EQ(Last().text, "x\r\n");
  EXPECT_EQ(Last().caption,
            "\xC7\xC1\xB7\xCE\xB1\xD7\xB7\xA5\xC0\xB8\xB7\xCE\xBA\xCE\xC5\xCD\xC0\xC7 \xC0\xFC\xB0\xA5");
  EXPECT_EQ(Last().type, static_cast<UINT>(MB_OK));
}

TEST_F(MessagesTest, OverlongTextsAreCutBetweenCharactersToKeepTheLineBreak) {
  std::string ascii(2000, 'a');
  ErrorBox("%s", ascii.c_str());
  EXPECT_EQ(Last().text, std::string(1021, 'a') + "\r\n");
  // Two-byte characters from the start: the one at bytes 1020 and 1021 straddles the cut.
  std::string korean;
  for (int i = 0; i < 700; ++i) korean += "\xB0\xA1";
  ErrorBox("%s", korean.c_str());
  std::string text = Last().text;
  ASSERT_EQ(text.size(), 1020u + 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(text[text.size() - 3], '\xA1');
}

}  // namespace
