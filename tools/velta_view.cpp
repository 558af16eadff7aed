// velta-view MODEL.ase: stages any exported model for the viewer (see tools/stage/) and runs
// the unchanged viewer in that folder; its environment passes through.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/stage/stage.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velta-view [--up AXIS] [--stage DIR] MODEL.ase\n"
               "Shows any exported model in the viewer: stages it (fitted to the view, every\n"
               "object under one root, textures found and converted to BMP) and runs velta there.\n"
               "  --up AXIS   the model's up axis: z (default, 3D Studio's), y, x, -z, -y or -x\n"
               "  --stage DIR write the stage to DIR and exit without running the viewer\n");
  return 2;
}

bool Executable(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

// The viewer beside this program, else the first on PATH.
fs::path FindViewer() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && Executable(self.parent_path() / "velta")) return self.parent_path() / "velta";
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string dir = rest.substr(0, colon);
    rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    if (!dir.empty() && Executable(fs::path(dir) / "velta")) return fs::path(dir) / "velta";
  }
  return {};
}

// Runs the viewer with the stage as its working folder; its exit status, or 128 + signal.
int RunViewer(const fs::path& viewer, const fs::path& stage) {
  std::fflush(nullptr);
  // Ctrl+C reaches the viewer; this process waits for it and removes the stage afterwards.
  struct sigaction ignore = {}, oldInt = {}, oldQuit = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGINT, &ignore, &oldInt);
  sigaction(SIGQUIT, &ignore, &oldQuit);
  const pid_t child = ::fork();
  if (child == 0) {
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    if (::chdir(stage.c_str()) != 0) _exit(127);
    char* const argv[] = {const_cast<char*>("velta"), nullptr};
    ::execv(viewer.c_str(), argv);
    std::fprintf(stderr, "velta-view: cannot run %s: %s\n", viewer.c_str(), std::strerror(errno));
    _exit(127);
  }
  int status = 0, code = 1;
  if (child < 0) {
    std::fprintf(stderr, "velta-view: cannot start the viewer: %s\n", std::strerror(errno));
  } else {
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGQUIT, &oldQuit, nullptr);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  velta_stage::StageOptions options;
  std::string model, stageArg;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--up" && i + 1 < argc) {
      if (!velta_stage::ParseUpAxis(argv[++i], options)) return Usage();
    } else if (a == "--stage" && i + 1 < argc) {
      stageArg = argv[++i];
    } else if (a == "-h" || a == "--help" || (!a.empty() && a[0] == '-') || !model.empty()) {
      return Usage();
    } else {
      model = a;
    }
  }
  if (model.empty()) return Usage();

  fs::path stage;
  if (!stageArg.empty()) {
    stage = stageArg;
  } else {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "velta-view-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
      std::fprintf(stderr, "velta-view: cannot make a stage folder: %s\n", std::strerror(errno));
      return 1;
    }
    stage = pattern;
  }
  auto cleanup = [&] {
    std::error_code ec;
    if (stageArg.empty()) fs::remove_all(stage, ec);
  };

  const velta_stage::StageResult result = velta_stage::StageModel(model, stage, options);
  if (!result.error.empty()) {
    std::fprintf(stderr, "velta-view: %s: %s\n", model.c_str(), result.error.c_str());
    cleanup();
    return 1;
  }
  std::fputs(result.Report(model).c_str(), stdout);
  if (!stageArg.empty()) {
    std::printf("stage %s\n", stage.c_str());
    return 0;
  }
  const fs::path viewer = FindViewer();
  if (viewer.empty()) {
    std::fprintf(stderr, "velta-view: the viewer (velta) is neither beside this program nor on PATH\n");
    cleanup();
    return 1;
  }
  const int code = RunViewer(viewer, stage);
  cleanup();
  return code;
}
