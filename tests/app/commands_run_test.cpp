// The viewer run whole, headless, with scripted input: the About box and the selection dialog
// as the user sees them, and a full-screen choice made in the dialog.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "app_fixture.h"
#include "picture_files.h"
#include "test_support.h"

namespace velta_test {
namespace {

int RunViewerWith(const ScratchDir& scratch, const std::string& script, std::string& errors) {
  const std::string errorFile = scratch.File("stderr.txt");
  const std::string command =
      "cd '" VELTA_MEDIA_DIR
      "' && env -u VELTA_CLOCK_MS -u VELTA_FRAMES -u VELTA_SNAPSHOT "
      "VELTA_VIDEO=headless VELTA_PROFILE=default VELTA_CLOCK_MS=1000 VELTA_FRAMES=400 "
      "VELTA_INPUT='" +
      script + "' '" VELTA_VIEWER "' 2>'" + errorFile + "' >/dev/null";
  const int status = std::system(command.c_str());
  std::ifstream in(errorFile);
  std::stringstream text;
  text << in.rdbuf();
  errors = text.str();
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Navy(uint32_t c) {
  return c == 0x000080;
}

// Where a dialog lies in a snapshot: found by its caption bar.
struct DialogArea {
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // the caption bar
  int Width() const { return right - left + 1; }
};

DialogArea FindCaption(const Picture& p) {
  DialogArea a;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (Navy(p.At(x, y))) {
        a.left = std::min(a.left, x);
        a.right = std::max(a.right, x);
        a.top = std::min(a.top, y);
        a.bottom = std::max(a.bottom, y);
      }
  return a;
}

// A small, tidy dialog: one navy caption bar of about `width` pixels with a white title, a grey
// face under it with black text on it. Returns the face's height checked.
void ExpectDialog(const Picture& p, int minWidth, int maxWidth, int faceHeight) {
  const DialogArea a = FindCaption(p);
  ASSERT_GE(a.right, 0) << "no caption bar";
  EXPECT_GE(a.Width(), minWidth);
  EXPECT_LE(a.Width(), maxWidth);
  EXPECT_GE(a.bottom - a.top + 1, 12);
  EXPECT_LE(a.bottom - a.top + 1, 24);
  auto white = [](uint32_t c) { return c == 0xFFFFFF; };
  auto grey = [](uint32_t c) { return c == 0xC0C0C0; };
  auto black = [](uint32_t c) { return c == 0x000000; };
  EXPECT_GT(p.Count(a.left, a.top, a.right + 1, a.bottom + 1, white), 10) << "the title";
  const int y0 = a.bottom + 1, y1 = std::min(p.height, y0 + faceHeight);
  ASSERT_GT(y1, y0);
  const int area = (a.right + 1 - a.left) * (y1 - y0);
  EXPECT_GT(p.Count(a.left, y0, a.right + 1, y1, grey), area / 3) << "the face";
  EXPECT_GT(p.Count(a.left, y0, a.right + 1, y1, black), 60) << "texts";
}

TEST(CommandsRunTest, DialogsLookLikeDialogsAndAFullScreenChoiceShowsThePicture) {
  ScratchDir scratch;
  const std::string client = scratch.File("client.bmp"), about = scratch.File("about.bmp"),
                    select = scratch.File("select.bmp"), full = scratch.File("full.bmp");
  // 640 x 480 x 16 is entry 11 of the mode list, after "Windowed mode".
  const std::string script = "frames 2; snapshot " + client + "; key F1; snapshot " + about +
                             "; button 1; frames 2; " + "key F2; snapshot " + select +
                             "; select 1002 11; button 1; " + "frames 3; snapshot " + full +
                             "; key Escape";
  std::string errors;
  EXPECT_EQ(RunViewerWith(scratch, script, errors), 0) << errors;
  EXPECT_EQ(errors.find("messagebox:"), std::string::npos) << errors;

  Picture p;
  // The window's outer size leaves a 640 x 480 client area under its menu bar.
  ASSERT_TRUE(ReadBmpFile(client, p)) << errors;
  EXPECT_EQ(p.width, 640);
  EXPECT_EQ(p.height, 480);
  ASSERT_TRUE(ReadBmpFile(about, p)) << errors;
  {
    SCOPED_TRACE("About");
    // 172 x 111 dialog units of an 8-point font.
    ExpectDialog(p, 200, 340, 150);
    // The OK button sits in the lower right of the face: its edges and its text.
    const DialogArea a = FindCaption(p);
    const int mid = (a.left + a.right) / 2;
    EXPECT_GT(p.Count(mid, a.bottom + 100, a.right, a.bottom + 190,
                      [](uint32_t c) { return c == 0x000000; }),
              20);
    EXPECT_GT(p.Count(mid, a.bottom + 100, a.right, a.bottom + 190,
                      [](uint32_t c) { return c == 0xFFFFFF; }),
              20);
  }
  ASSERT_TRUE(ReadBmpFile(select, p)) << errors;
  {
    SCOPED_TRACE("Select");
    ExpectDialog(p, 200, 360, 120);
    // Three drop-down fields: white boxes on the right of the face.
    const DialogArea a = FindCaption(p);
    EXPECT_GT(p.Count(a.left, a.bottom, a.right, a.bottom + 100,
                      [](uint32_t c) { return c == 0xFFFFFF; }),
              3 * 120 * 8);
  }
  ASSERT_TRUE(ReadBmpFile(full, p)) << errors;
  {
    SCOPED_TRACE("Full screen");
    // The clear colour through 5-6-5 bits, and nowhere the 24-bit one.
    EXPECT_EQ(p.width, 640);
    const auto shown = p.Count(0, 0, p.width, p.height, [](uint32_t c) { return c == 0x313031; });
    EXPECT_GT(shown, 640 * 480 / 4);
    EXPECT_EQ(p.Count(0, 0, p.width, p.height, [](uint32_t c) { return c == 0x303030; }), 0);
  }
}

}  // namespace
}  // namespace velta_test
