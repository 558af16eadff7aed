// The viewer program run whole, headless, in the sample media folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "test_support.h"

namespace velta_test {
namespace {

// A 24-bit BMP file's pixels, read into the picture record the in-process tests use.
using Snapshot = Picture;

uint32_t Le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint32_t(uint8_t(b[at + size_t(i)])) << (8 * i);
  return v;
}

bool ReadSnapshot(const std::string& path, Snapshot& s) {
  std::ifstream in(path, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le(b, 28, 2) != 24) return false;
  const uint32_t offset = Le(b, 10, 4);
  s.width = int(Le(b, 18, 4));
  const int32_t rawHeight = int32_t(Le(b, 22, 4));
  s.height = rawHeight < 0 ? -rawHeight : rawHeight;
  const size_t stride = (size_t(s.width) * 3 + 3) & ~size_t(3);
  if (s.width <= 0 || b.size() < offset + stride * size_t(s.height)) return false;
  s.pixels.resize(size_t(s.width) * size_t(s.height));
  for (int y = 0; y < s.height; ++y) {
    const int row = rawHeight < 0 ? y : s.height - 1 - y;
    const size_t at = offset + size_t(row) * stride;
    for (int x = 0; x < s.width; ++x)
      s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = Le(b, at + size_t(x) * 3, 3) & 0xFFFFFF;
  }
  return true;
}

struct RunResult {
  int exitCode = -1;
  std::string errors;  // standard error
};

// `wrapper` runs the viewer (e.g. "timeout 30"), so that a run that hangs fails.
RunResult RunViewer(const ScratchDir& scratch, const std::string& environment,
                    const std::string& wrapper = "") {
  const std::string errors = scratch.File("stderr.txt");
  const std::string command = "cd '" VELTA_MEDIA_DIR "' && env -u VELTA_CLOCK_MS -u VELTA_FRAMES " +
                              environment + " " + wrapper + " '" VELTA_VIEWER "' 2>'" + errors +
                              "' >/dev/null";
  RunResult r;
  const int status = std::system(command.c_str());
  if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  std::ifstream in(errors);
  std::stringstream text;
  text << in.rdbuf();
  r.errors = text.str();
  return r;
}

std::vector<std::string> BoxLines(const std::string& errors) {
  std::vector<std::string> lines;
  std::istringstream in(errors);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("messagebox: ", 0) == 0) lines.push_back(line);
  return lines;
}

TEST(ViewerRunTest, DrawsTheTurningCharacterWithItsFrameRateLine) {
  const struct {
    const char* profile;
    std::vector<std::string> boxes;
  } rows[] = {
      {"default", {}},
      {"hal-fails",
       {"messagebox: [Velta Character Demo v.003] No 3D Device\\n\\nSwitching to software "
        "rasterizer."}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile);
    ScratchDir scratch;
    const std::string snapshot = scratch.File("snapshot.bmp");
    const RunResult run = RunViewer(
        scratch, std::string("VELTA_VIDEO=headless VELTA_FRAMES=20 VELTA_CLOCK_MS=1000 ") +
                     "VELTA_PROFILE=" + row.profile + " VELTA_SNAPSHOT='" + snapshot + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(BoxLines(run.errors), row.boxes) << run.errors;

    Snapshot s;
    ASSERT_TRUE(ReadSnapshot(snapshot, s)) << run.errors;
    EXPECT_EQ(s.width, 640);
    ASSERT_GE(s.height, 480);
    auto background = [](uint32_t c) { return c == 0x303030; };
    auto notBackground = [](uint32_t c) { return c != 0x303030; };
    auto ink = [](uint32_t c) { return c == 0xFFFFFF; };
    // The character stands in the middle; the clear colour is everywhere it is not.
    EXPECT_GT(s.Count(260, 140, 380, 340, notBackground), 5000);
    EXPECT_EQ(s.Count(0, s.height - 40, 640, s.height, notBackground), 0);
    EXPECT_EQ(s.Count(600, 0, 640, 40, notBackground), 0);
    EXPECT_GT(s.Count(0, 0, 640, s.height, background), 640 * 480 / 2);
    // The frame-rate line's ink in the top-left corner, and nowhere else up there.
    EXPECT_GT(s.Count(0, 0, 200, 16, ink), 20);
    EXPECT_EQ(s.Count(0, 20, 150, 40, notBackground), 0);
  }
}

TEST(ViewerRunTest, StartUpFailureIsOneBoxAndExitCodeZero) {
  const struct {
    const char* profile;
    const char* box;
  } rows[] = {
      {"no-devices",
       "messagebox: [Velta Character Demo v.003] Enumeration failed. Your system may be in "
       "an\\nunstable state and need to be rebooted\\n\\nThis sample will now exit."},
      {"desktop-8bit",
       "messagebox: [Velta Character Demo v.003] This sample requires a 16-bit (or higher) "
       "display mode\\nto run in a window.\\n\\nPlease switch your desktop settings "
       "accordingly.\\n\\nThis sample will now exit."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile);
    ScratchDir scratch;
    const RunResult run = RunViewer(
        scratch, std::string("VELTA_VIDEO=headless VELTA_FRAMES=20 VELTA_PROFILE=") + row.profile);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(BoxLines(run.errors), std::vector<std::string>{row.box}) << run.errors;
  }
}

// A dialog left waiting when the script is used up gets Escape and the run ends, also when the
// script restored or clicked the window it disabled, or made another window active meanwhile.
TEST(ViewerRunTest, ScriptsThatLeaveADialogWaitingEndByThemselves) {
  const struct {
    const char* profile;
    const char* script;
  } rows[] = {
      {"default", "key F1;restore"},
      {"default", "key F2;restore"},
      {"default", "key F1;minimize;restore"},
      {"default", "key F2;minimize"},
      {"hal-fails", "button 0;click 100 420"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    ScratchDir scratch;
    const RunResult run = RunViewer(scratch,
                                    std::string("VELTA_VIDEO=headless VELTA_FRAMES=20 VELTA_PROFILE=") +
                                        row.profile + " VELTA_INPUT='" + row.script + "'",
                                    "timeout 60");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
  }
}

// Restored, the window brings its About box back active and painted whole over it.
TEST(ViewerRunTest, AMinimisedWindowComesBackWithItsDialogWhole) {
  ScratchDir scratch;
  const std::string shot = scratch.File("about.bmp");
  const RunResult run = RunViewer(
      scratch, "VELTA_VIDEO=headless VELTA_FRAMES=20 VELTA_CLOCK_MS=1000 VELTA_INPUT='frames 3;key "
               "F1;minimize;restore;snapshot " + shot + ";key Return'",
      "timeout 60");
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  Snapshot s;
  ASSERT_TRUE(ReadSnapshot(shot, s)) << run.errors;
  // The box stands in the middle: its caption in the active colour, its texts above the OK
  // button in black.
  auto activeCaption = [](uint32_t c) { return c == 0x000080; };
  auto ink = [](uint32_t c) { return (c >> 16) < 0x60 && (c >> 8 & 255) < 0x60 && (c & 255) < 0x60; };
  const int cx = s.width / 2, cy = s.height / 2;
  EXPECT_GT(s.Count(cx - 140, cy - 110, cx + 140, cy - 80, activeCaption), 1000);
  EXPECT_GT(s.Count(cx - 140, cy - 80, cx + 140, cy + 50, ink), 600);
}

// In a display mode the snapshots are the whole screen as presented, at the mode's size, the
// part past the camera's rectangle cleared like the rest.
TEST(ViewerRunTest, FullScreenSnapshotsAreTheWholeModePicture) {
  ScratchDir scratch;
  const std::string step = scratch.File("step.bmp"), last = scratch.File("last.bmp");
  const RunResult run = RunViewer(
      scratch, "VELTA_VIDEO=headless VELTA_CLOCK_MS=1000 VELTA_SNAPSHOT='" + last +
                   "' VELTA_INPUT='frames 5;key F2;select 1002 14;button 1;frames 10;snapshot " +
                   step + ";frames 5;key Escape'");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  for (const std::string& file : {step, last}) {
    SCOPED_TRACE(file);
    Snapshot s;
    ASSERT_TRUE(ReadSnapshot(file, s)) << run.errors;
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
    auto drawn = [](uint32_t c) { return c != 0x303030 && c != 0; };
    EXPECT_GT(s.Count(260, 140, 380, 340, drawn), 5000) << "the character, where the camera puts it";
    // Past the camera's 640 x 480 the viewport is cleared, not left black.
    auto clear = [](uint32_t c) { return c == 0x303030; };
    EXPECT_EQ(s.Count(640, 0, 800, 600, clear), 160 * 600);
    EXPECT_EQ(s.Count(0, 500, 640, 600, clear), 640 * 100);
    EXPECT_GT(s.Count(0, 0, 200, 16, [](uint32_t c) { return c == 0xFFFFFF; }), 20);
  }
}

// What the user asked for and cannot have ends the run at once in one line, exit code 1.
TEST(ViewerRunTest, AnUnwritableSnapshotOrAMissingNamedDisplayFailsInOneLine) {
  ScratchDir scratch;
  scratch.Write("file", "x");
  const struct {
    std::string environment;
    std::string line;
  } rows[] = {
      {"VELTA_VIDEO=headless VELTA_SNAPSHOT='" + scratch.File("no-folder/s.bmp") + "'",
       "velta: VELTA_SNAPSHOT=" + scratch.File("no-folder/s.bmp") +
           " cannot be written (No such file or directory)\n"},
      {"VELTA_VIDEO=headless VELTA_SNAPSHOT='" + scratch.File("file/s.bmp") + "'",
       "velta: VELTA_SNAPSHOT=" + scratch.File("file/s.bmp") +
           " cannot be written (Not a directory)\n"},
      {"VELTA_VIDEO=headless VELTA_SNAPSHOT='" + scratch.path().string() + "'",
       "velta: VELTA_SNAPSHOT=" + scratch.path().string() + " cannot be written (Is a directory)\n"},
      {"-u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 VELTA_VIDEO=sdl",
       "velta: VELTA_VIDEO=sdl: the SDL window cannot open ("},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.environment);
    const RunResult run = RunViewer(scratch, row.environment + " VELTA_FRAMES=5");
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(run.errors.rfind(row.line, 0), 0u) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
  }
  EXPECT_FALSE(std::filesystem::exists(scratch.File("no-folder")));
  // A snapshot that can be written leaves nothing behind when the check makes it.
  const std::string fresh = scratch.File("fresh.bmp");
  const RunResult run =
      RunViewer(scratch, "VELTA_VIDEO=headless VELTA_FRAMES=3 VELTA_SNAPSHOT='" + fresh + "'");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  Snapshot s;
  EXPECT_TRUE(ReadSnapshot(fresh, s));
}

}  // namespace
}  // namespace velta_test
