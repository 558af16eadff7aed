// The viewer as a desktop program: run in the sample media folder on an X server of its own
// (Xvfb), its window found by title, worked with keys through xdotool and looked at through
// ImageMagick's import. Skipped when those tools are missing (`make deps` installs them).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace velta_test {
namespace {

using namespace std::chrono_literals;

constexpr char kTitle[] = "Velta Character Demo v.003";
constexpr uint32_t kBackground = 0x303030;
constexpr uint32_t kFace = 0xC0C0C0;  // menu bar and dialog grey
constexpr int kMenu = 19;             // the menu bar's height
constexpr int kStatsRows = 20;        // the frame-rate line's rows at the client's top

bool OnPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string file = dirs.substr(start, end - start) + "/" + tool;
    if (access(file.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Colours as 0xRRGGBB; close means within a few steps on each channel (a 16-bit mode loses
// the low bits).
bool Near(uint32_t a, uint32_t b, int tolerance = 6) {
  for (int shift : {0, 8, 16})
    if (std::abs(int(a >> shift & 255) - int(b >> shift & 255)) > tolerance) return false;
  return true;
}

struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  int Count(int x0, int y0, int x1, int y1, uint32_t colour) const {
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, height); ++y)
      for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) n += Near(At(x, y), colour);
    return n;
  }
  bool NotBlank() const {
    return std::any_of(pixels.begin(), pixels.end(), [](uint32_t c) { return c != 0; });
  }
  // The rows of the picture below the menu bar and the frame-rate line.
  bool SameScene(const Shot& o) const {
    if (width != o.width || height != o.height) return false;
    const size_t from = size_t(kMenu + kStatsRows) * size_t(width);
    return std::equal(pixels.begin() + ptrdiff_t(from), pixels.end(),
                      o.pixels.begin() + ptrdiff_t(from));
  }
};

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

// A binary PPM as import writes it.
bool ParsePpm(const std::string& b, Shot& s) {
  int width = 0, height = 0, maxValue = 0, used = 0;
  if (std::sscanf(b.c_str(), "P6 %d %d %d%n", &width, &height, &maxValue, &used) != 3 ||
      maxValue != 255 || width <= 0 || height <= 0)
    return false;
  const size_t at = size_t(used) + 1, count = size_t(width) * size_t(height);
  if (b.size() < at + 3 * count) return false;
  s.width = width, s.height = height;
  s.pixels.resize(count);
  for (size_t i = 0; i < count; ++i)
    s.pixels[i] = uint32_t(uint8_t(b[at + 3 * i])) << 16 |
                  uint32_t(uint8_t(b[at + 3 * i + 1])) << 8 | uint8_t(b[at + 3 * i + 2]);
  return true;
}

pid_t Spawn(const std::vector<std::string>& args, const char* dir, const std::string& log,
            int keepFd = -1) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (dir && chdir(dir) != 0) _exit(126);
  if (FILE* f = std::fopen(log.c_str(), "w")) dup2(fileno(f), 1), dup2(fileno(f), 2);
  for (int fd = 3; fd < 256; ++fd)
    if (fd != keepFd) close(fd);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The exit code, or -1 when the process did not end in time (it is then killed).
int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(20ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

class XvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "import"})
      if (!OnPath(tool))
        GTEST_SKIP() << tool << " is missing: run `make deps` (xvfb, xdotool, imagemagick)";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp"},
                    nullptr, scratch_.File("xvfb.txt"), fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    display_ = ":" + number;
  }
  void TearDown() override {
    if (viewer_ > 0) WaitExit(viewer_, 0ms);
    if (manager_ > 0) WaitExit(manager_, 0ms);
    if (server_ > 0) {
      kill(server_, SIGTERM);
      WaitExit(server_, 5s);
    }
  }

  std::string X(const std::string& command) {
    return Output("DISPLAY=" + display_ + " timeout 20 " + command + " 2>/dev/null");
  }
  void Click(int x, int y, int button) {
    X("xdotool mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y) +
      " click " + std::to_string(button));
  }
  void Key(const std::string& keys) {
    X("xdotool windowfocus --sync " + window_);
    X("xdotool key --delay 30 " + keys);
  }
  Shot Take() {
    Shot s;
    ParsePpm(X("import -window " + window_ + " -depth 8 ppm:-"), s);
    return s;
  }
  // Screenshots until one satisfies `ok`, for a few seconds; that one or the last.
  Shot WaitFor(const std::function<bool(const Shot&)>& ok, bool& found) {
    Shot s;
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < end) {
      s = Take();
      if (s.width > 0 && ok(s)) {
        found = true;
        return s;
      }
      std::this_thread::sleep_for(100ms);
    }
    found = false;
    return s;
  }
  std::string ViewerErrors() { return Output("cat '" + scratch_.File("viewer.txt") + "'"); }

  void StartViewer() {
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("VELTA_VIDEO", "sdl", 1);
    // A sanitizer build: what the host's own libraries keep until exit is not the viewer's leak.
    const std::string leaks =
        scratch_.Write("lsan.supp", "leak:libdbus-1\nleak:libX11\nleak:libSDL2\n");
    setenv("LSAN_OPTIONS", ("suppressions=" + leaks).c_str(), 1);
    viewer_ = Spawn({VELTA_VIEWER}, VELTA_MEDIA_DIR, scratch_.File("viewer.txt"));
    unsetenv("LSAN_OPTIONS");
    unsetenv("VELTA_VIDEO");
    unsetenv("DISPLAY");
    window_ = X(std::string("xdotool search --sync --onlyvisible --name '") + kTitle + "'");
    window_ = window_.substr(0, window_.find('\n'));
    ASSERT_FALSE(window_.empty()) << "no window titled " << kTitle << "\n" << ViewerErrors();
  }
  // The window manager on the server, running once it has said so on the root window.
  bool StartWindowManager() {
    if (!OnPath("openbox") || !OnPath("xprop")) return false;
    setenv("DISPLAY", display_.c_str(), 1);
    manager_ = Spawn({"openbox"}, nullptr, scratch_.File("openbox.txt"));
    unsetenv("DISPLAY");
    for (int i = 0; i < 100; ++i) {
      if (X("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos)
        return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }
  Shot TakeScreen() {
    Shot s;
    ParsePpm(X("import -window root -depth 8 ppm:-"), s);
    return s;
  }

  ScratchDir scratch_;
  pid_t server_ = -1, viewer_ = -1, manager_ = -1;
  std::string display_, window_;
};

// Grey dialog pixels in the middle of the picture, where modal windows are centred.
int CentreGrey(const Shot& s) {
  return s.Count(s.width / 2 - 100, s.height / 2 - 50, s.width / 2 + 100, s.height / 2 + 50, kFace);
}

TEST_F(XvfbTest, TheViewerWorksInAWindow) {
  ASSERT_NO_FATAL_FAILURE(StartViewer());
  bool found = false;

  // The menu bar over the client area: grey bar, the clear colour, the character in the middle.
  Shot first = WaitFor([](const Shot& s) { return s.NotBlank(); }, found);
  ASSERT_EQ(first.width, 640);
  ASSERT_EQ(first.height, 480 + kMenu);
  EXPECT_GT(first.Count(0, 2, 640, kMenu - 2, kFace), 640 * (kMenu - 4) / 2) << "menu bar";
  for (auto [x, y] : {std::pair{4, 475}, {635, 475}, {635, 60}})
    EXPECT_TRUE(Near(first.At(x, kMenu + y), kBackground)) << x << "," << y;
  EXPECT_GT(640 * 480 - first.Count(0, kMenu, 640, kMenu + 480, kBackground), 3000) << "character";
  const int greyBefore = CentreGrey(first);

  // F1: the About box over the middle; Enter closes it.
  Key("F1");
  WaitFor([&](const Shot& s) { return CentreGrey(s) > greyBefore + 4000; }, found);
  EXPECT_TRUE(found) << "About box";
  Key("Return");
  WaitFor([&](const Shot& s) { return CentreGrey(s) < greyBefore + 500; }, found);
  EXPECT_TRUE(found) << "About box closed";

  // F2: the selection dialog; Esc closes it.
  Key("F2");
  WaitFor([&](const Shot& s) { return CentreGrey(s) > greyBefore + 4000; }, found);
  EXPECT_TRUE(found) << "selection dialog";
  Key("Escape");
  WaitFor([&](const Shot& s) { return CentreGrey(s) < greyBefore + 500; }, found);
  EXPECT_TRUE(found) << "selection dialog closed";

  // Enter stops the turning: the scene stays still until Space steps it once.
  Key("Return");
  Shot still;
  WaitFor(
      [&](const Shot& s) {
        std::this_thread::sleep_for(300ms);
        still = Take();
        return still.SameScene(s);
      },
      found);
  EXPECT_TRUE(found) << "stopped";
  Key("space");
  Shot stepped = WaitFor([&](const Shot& s) { return !s.SameScene(still); }, found);
  EXPECT_TRUE(found) << "one step";
  std::this_thread::sleep_for(400ms);
  EXPECT_TRUE(Take().SameScene(stepped)) << "still after the step";

  // Ctrl+O: the notice box (Korean text) over the middle; Enter closes it.
  Key("ctrl+o");
  WaitFor([&](const Shot& s) { return CentreGrey(s) > greyBefore + 2000; }, found);
  EXPECT_TRUE(found) << "notice box";
  Key("Return");
  WaitFor([&](const Shot& s) { return CentreGrey(s) < greyBefore + 500; }, found);
  EXPECT_TRUE(found) << "notice box closed";

  // The mouse: the right button opens the popup menu at the pointer, a click on "File" the
  // drop-down under the bar; Esc closes each.
  const auto menuGrey = [](const Shot& s, int x, int y) { return s.Count(x, y, x + 100, y + 80, kFace); };
  const int popupBefore = menuGrey(Take(), 400, kMenu + 300);
  Click(400, kMenu + 300, 3);
  WaitFor([&](const Shot& s) { return menuGrey(s, 400, kMenu + 300) > popupBefore + 3000; }, found);
  EXPECT_TRUE(found) << "popup menu";
  Key("Escape");
  WaitFor([&](const Shot& s) { return menuGrey(s, 400, kMenu + 300) < popupBefore + 500; }, found);
  EXPECT_TRUE(found) << "popup menu closed";
  const int dropBefore = menuGrey(Take(), 2, kMenu + 2);
  Click(12, kMenu / 2, 1);
  WaitFor([&](const Shot& s) { return menuGrey(s, 2, kMenu + 2) > dropBefore + 3000; }, found);
  EXPECT_TRUE(found) << "File drop-down";
  Key("Escape");
  WaitFor([&](const Shot& s) { return menuGrey(s, 2, kMenu + 2) < dropBefore + 500; }, found);
  EXPECT_TRUE(found) << "File drop-down closed";

  // Alt+Enter: the 640 x 480 mode's picture fills the window, scaled, without the menu bar;
  // again: back to the window with its menu bar.
  Key("alt+Return");
  WaitFor([](const Shot& s) { return s.Count(0, 0, s.width, 4, kFace) < s.width; }, found);
  EXPECT_TRUE(found) << "full screen";
  Key("alt+Return");
  Shot back = WaitFor(
      [](const Shot& s) {
        return s.width == 640 && s.height == 480 + kMenu &&
               s.Count(0, 2, 640, kMenu - 2, kFace) > 640 * 4;
      },
      found);
  EXPECT_TRUE(found) << "windowed again " << back.width << "x" << back.height;

  // A new size: the picture fills the new client area.
  X("xdotool windowsize --sync " + window_ + " 800 600");
  WaitFor(
      [](const Shot& s) {
        return s.width == 800 && s.height == 600 && Near(s.At(795, 595), kBackground) &&
               Near(s.At(795, kMenu + kStatsRows + 5), kBackground) &&
               Near(s.At(4, 595), kBackground);
      },
      found);
  EXPECT_TRUE(found) << "resized";

  // Esc ends the program.
  Key("Escape");
  EXPECT_EQ(WaitExit(viewer_, 20s), 0) << ViewerErrors();
  viewer_ = -1;
}

// Alt+Enter on the 1280 x 1024 server, bare and under a window manager: the host window is the
// whole screen, showing the whole 640 x 480 picture scaled to 1280 x 960 between two bars and
// nothing of the windowed layout; the About box is centred on the screen.
TEST_F(XvfbTest, FullScreenFillsTheScreenWithAndWithoutAWindowManager) {
  for (const bool managed : {false, true}) {
    SCOPED_TRACE(managed ? "openbox" : "no window manager");
    if (managed && !StartWindowManager()) GTEST_SKIP() << "openbox is missing: run `make deps`";
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    bool found = false;
    WaitFor([](const Shot& s) { return s.NotBlank(); }, found);
    Key("alt+Return");
    const auto picture = [](const Shot& s) {
      return s.width == 1280 && s.height == 1024 && Near(s.At(640, 10), 0) &&
             Near(s.At(640, 1013), 0) && Near(s.At(4, 1020 - 32 - 8), kBackground) &&
             Near(s.At(1275, 1020 - 32 - 8), kBackground) && Near(s.At(1275, 40), kBackground) &&
             s.Count(0, 32, 1280, 32 + 2 * kMenu, kFace) < 2000;  // no menu bar
    };
    Shot full = WaitFor(picture, found);
    EXPECT_TRUE(found) << "full screen " << full.width << "x" << full.height;
    const std::string place = X("xdotool getwindowgeometry " + window_);
    EXPECT_NE(place.find("Position: 0,0"), std::string::npos) << place;
    EXPECT_NE(place.find("Geometry: 1280x1024"), std::string::npos) << place;
    Shot screen = TakeScreen();
    EXPECT_TRUE(picture(screen)) << "the screen shows the picture";

    Key("F1");
    const auto centred = [](const Shot& s) {
      return s.Count(640 - 100, 512 - 50, 640 + 100, 512 + 50, kFace) > 12000;
    };
    WaitFor(centred, found);
    EXPECT_TRUE(found) << "About box in the screen's middle";
    Key("Return");
    Key("alt+Return");
    WaitFor([](const Shot& s) { return s.width == 640 && s.height == 480 + kMenu; }, found);
    EXPECT_TRUE(found) << "windowed again";
    Key("Escape");
    EXPECT_EQ(WaitExit(viewer_, 20s), 0) << ViewerErrors();
    viewer_ = -1;
  }
}

}  // namespace
}  // namespace velta_test
