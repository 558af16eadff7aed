#include "tools/media/teapot_data.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace media {

namespace {

// Splits "a,b,c" into fields, each read whole as a number (surrounding blanks allowed).
bool Numbers(const std::string& line, std::vector<double>& out) {
  out.clear();
  std::stringstream fields(line);
  std::string field;
  while (std::getline(fields, field, ',')) {
    const char* begin = field.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
    if (*end) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace

bool ParseTeapot(const std::string& text, TeapotData& out, std::string& error) {
  out = TeapotData();
  std::stringstream in(text);
  std::string line;
  std::vector<double> v;
  int lineNo = 0;
  auto next = [&](size_t fields) {
    ++lineNo;
    if (!std::getline(in, line)) {
      error = "ends early at line " + std::to_string(lineNo);
      return false;
    }
    if (!Numbers(line, v) || v.size() != fields) {
      error = "line " + std::to_string(lineNo) + " does not hold " + std::to_string(fields) +
              " numbers";
      return false;
    }
    return true;
  };
  if (!next(1)) return false;
  const double patchCount = v[0];
  if (patchCount < 1 || patchCount > 1000 || patchCount != static_cast<int>(patchCount)) {
    error = "bad patch count";
    return false;
  }
  for (int p = 0; p < patchCount; ++p) {
    if (!next(16)) return false;
    std::array<int, 16> patch;
    for (int i = 0; i < 16; ++i) {
      if (v[i] != static_cast<int>(v[i]) || v[i] < 1) {
        error = "line " + std::to_string(lineNo) + ": bad point number";
        return false;
      }
      patch[i] = static_cast<int>(v[i]) - 1;
    }
    out.patches.push_back(patch);
  }
  if (!next(1)) return false;
  const double pointCount = v[0];
  if (pointCount < 1 || pointCount > 100000 || pointCount != static_cast<int>(pointCount)) {
    error = "bad point count";
    return false;
  }
  for (int i = 0; i < pointCount; ++i) {
    if (!next(3)) return false;
    out.points.push_back(Vec3{v[0], v[1], v[2]});
  }
  for (const auto& patch : out.patches)
    for (int index : patch)
      if (index >= static_cast<int>(out.points.size())) {
        error = "a patch names a point past the last";
        return false;
      }
  return true;
}

std::string DefaultTeapotPath() {
  const char* corpus = std::getenv("VELTA_CORPUS");
  const std::string root = corpus && *corpus ? corpus : "../shared/corpus";
  return root + "/teapot/teapot";
}

}  // namespace media
