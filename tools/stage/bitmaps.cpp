#include "tools/stage/bitmaps.h"

#include <wand/MagickWand.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

namespace fs = std::filesystem;

namespace velta_stage {
namespace {

const char* const kExtensions[] = {".bmp", ".tga", ".png", ".jpg", ".jpeg", ".dds"};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// `p` itself when it exists; else the first path whose every part matches `p`'s in any
// letter case (the smallest name when several do), or empty.
fs::path ResolveAnyCase(const fs::path& p) {
  if (IsFile(p)) return p;
  fs::path at = p.root_path();
  if (at.empty()) at = ".";
  for (const fs::path& part : p.relative_path()) {
    const std::string name = part.string();
    std::error_code ec;
    if (name == "." || name == ".." || fs::exists(at / part, ec)) {
      at /= part;
      continue;
    }
    const std::string want = Lower(name);
    std::string best;
    fs::directory_iterator it(at, ec), end;
    for (int seen = 0; !ec && it != end && seen < 100000; it.increment(ec), ++seen) {
      std::string candidate = it->path().filename().string();
      if (Lower(candidate) == want && (best.empty() || candidate < best)) best = candidate;
    }
    if (best.empty()) return {};
    at /= best;
  }
  return IsFile(at) ? at : fs::path{};
}

// The written name as a relative path: backslashes as separators, no drive, no leading slash.
fs::path RelativeName(const std::string& written) {
  std::string s = written;
  std::replace(s.begin(), s.end(), '\\', '/');
  if (s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':')
    s.erase(0, 2);
  fs::path out;
  size_t at = 0;
  while (at <= s.size()) {
    size_t end = s.find('/', at);
    if (end == std::string::npos) end = s.size();
    std::string part = s.substr(at, end - at);
    if (!part.empty() && part != ".") out /= part;
    at = end + 1;
  }
  return out;
}

std::string ReadBytes(const fs::path& p, size_t limit) {
  std::ifstream in(p, std::ios::binary);
  std::string bytes;
  bytes.resize(limit);
  in.read(bytes.data(), std::streamsize(limit));
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

// The format by the file's first bytes; TGA files have no signature, so their name decides.
std::string FormatOf(const std::string& head, const fs::path& p) {
  auto starts = [&head](const char* magic, size_t n) { return head.compare(0, n, magic, n) == 0; };
  if (starts("\x89PNG\r\n\x1a\n", 8)) return "PNG";
  if (starts("\xFF\xD8\xFF", 3)) return "JPEG";
  if (starts("DDS ", 4)) return "DDS";
  if (starts("BM", 2)) return "BMP";
  if (Lower(p.extension().string()) == ".tga") return "TGA";
  return "";
}

// The size a file's header claims, read before any decoder sees the file; false when the
// header does not say.
bool HeaderSize(const std::string& b, const std::string& format, size_t& w, size_t& h) {
  auto at = [&b](size_t i) -> size_t { return i < b.size() ? uint8_t(b[i]) : 0; };
  auto be16 = [&](size_t i) { return at(i) << 8 | at(i + 1); };
  auto le32 = [&](size_t i) { return at(i) | at(i + 1) << 8 | at(i + 2) << 16 | at(i + 3) << 24; };
  if (format == "PNG" && b.size() >= 24 && b.compare(12, 4, "IHDR") == 0) {
    w = be16(16) << 16 | be16(18);
    h = be16(20) << 16 | be16(22);
    return true;
  }
  if (format == "TGA" && b.size() >= 18) {
    w = at(12) | at(13) << 8;
    h = at(14) | at(15) << 8;
    return true;
  }
  if (format == "DDS" && b.size() >= 20) {
    h = le32(12);
    w = le32(16);
    return true;
  }
  if (format == "JPEG") {
    for (size_t i = 2; i + 9 < b.size();) {
      if (at(i) != 0xFF) return false;
      const size_t marker = at(i + 1);
      if (marker == 0xFF) { ++i; continue; }
      if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { i += 2; continue; }
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        h = be16(i + 5);
        w = be16(i + 7);
        return true;
      }
      i += 2 + be16(i + 2);
    }
  }
  return false;
}

void MagickStart() {
  static std::once_flag once;
  std::call_once(once, [] {
    MagickWandGenesis();
    // One thread (the machine is shared, pictures are small) and hard caps on what a file
    // may make the decoder allocate, whatever its header claims.
    MagickSetResourceLimit(ThreadResource, 1);
    MagickSetResourceLimit(WidthResource, kMaxSourceSide);
    MagickSetResourceLimit(HeightResource, kMaxSourceSide);
    MagickSetResourceLimit(AreaResource, MagickSizeType(8192) * 8192);
    MagickSetResourceLimit(MemoryResource, MagickSizeType(1) << 30);
    MagickSetResourceLimit(MapResource, MagickSizeType(1) << 30);
    MagickSetResourceLimit(DiskResource, 0);
    MagickSetResourceLimit(ListLengthResource, 64);
    std::atexit([] { MagickWandTerminus(); });
  });
}

std::string WandError(MagickWand* wand) {
  ExceptionType severity;
  char* text = MagickGetException(wand, &severity);
  std::string out = text && *text ? text : "the decoder gave no reason";
  if (text) MagickRelinquishMemory(text);
  // The decoder names its own scratch file; keep the line short and about the file.
  size_t paren = out.find(" `");
  if (paren != std::string::npos) out.erase(paren);
  return out;
}

bool WriteBmp24(const fs::path& target, unsigned width, unsigned height,
                const std::vector<unsigned char>& rgb) {
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  const size_t size = 54 + stride * height;
  std::string f(54, '\0');
  auto put = [&f](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f[at + size_t(i)] = char(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, uint32_t(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, height, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, uint32_t(stride * height), 4);
  std::string pixels(stride * height, '\0');
  for (unsigned y = 0; y < height; ++y) {
    char* row = pixels.data() + size_t(height - 1 - y) * stride;  // bottom-up
    const unsigned char* src = rgb.data() + size_t(y) * width * 3;
    for (unsigned x = 0; x < width; ++x) {
      row[3 * x] = char(src[3 * x + 2]);
      row[3 * x + 1] = char(src[3 * x + 1]);
      row[3 * x + 2] = char(src[3 * x]);
    }
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << f << pixels;
  return bool(out);
}

// Decodes one file with the image library, limited to the formats the stage takes.
BitmapResult Decode(const fs::path& source, const std::string& format, const fs::path& target) {
  BitmapResult r;
  r.format = format;
  const std::string bytes = ReadBytes(source, size_t(256) << 20);
  size_t hw = 0, hh = 0;
  if (HeaderSize(bytes, format, hw, hh) && (hw > kMaxSourceSide || hh > kMaxSourceSide)) {
    r.width = unsigned(std::min<size_t>(hw, 0xFFFFFFFFu));
    r.height = unsigned(std::min<size_t>(hh, 0xFFFFFFFFu));
    r.error = std::to_string(r.width) + " x " + std::to_string(r.height) +
              " is too large (at most " + std::to_string(kMaxSourceSide) + " a side)";
    return r;
  }
  MagickStart();
  MagickWand* wand = NewMagickWand();
  // The format is named, so the library never guesses one of its other coders from the bytes.
  MagickSetFilename(wand, (format + ":texture").c_str());
  MagickSetFormat(wand, format.c_str());
  struct Release {
    MagickWand* w;
    ~Release() { DestroyMagickWand(w); }
  } release{wand};
  if (MagickPingImageBlob(wand, bytes.data(), bytes.size()) == MagickFalse) {
    r.error = "cannot be decoded as " + format + ": " + WandError(wand);
    return r;
  }
  r.width = unsigned(std::min<size_t>(MagickGetImageWidth(wand), 0xFFFFFFFFu));
  r.height = unsigned(std::min<size_t>(MagickGetImageHeight(wand), 0xFFFFFFFFu));
  if (r.width == 0 || r.height == 0 || r.width > kMaxSourceSide || r.height > kMaxSourceSide) {
    r.error = std::to_string(r.width) + " x " + std::to_string(r.height) +
              " is too large (at most " + std::to_string(kMaxSourceSide) + " a side)";
    return r;
  }
  ClearMagickWand(wand);
  MagickSetFilename(wand, (format + ":texture").c_str());
  MagickSetFormat(wand, format.c_str());
  if (MagickReadImageBlob(wand, bytes.data(), bytes.size()) == MagickFalse) {
    r.error = "cannot be decoded as " + format + ": " + WandError(wand);
    return r;
  }
  MagickResetIterator(wand);
  MagickNextImage(wand);  // the first picture: a DDS file's largest mipmap level
  size_t w = MagickGetImageWidth(wand), h = MagickGetImageHeight(wand);
  if (w == 0 || h == 0 || w > kMaxSourceSide || h > kMaxSourceSide) {
    r.error = "decoded to an unusable size";
    return r;
  }
  r.width = unsigned(w);
  r.height = unsigned(h);
  if (w > kMaxStagedSide || h > kMaxStagedSide) {
    const double k = double(kMaxStagedSide) / double(std::max(w, h));
    w = std::max<size_t>(1, size_t(double(w) * k + 0.5));
    h = std::max<size_t>(1, size_t(double(h) * k + 0.5));
    if (MagickResizeImage(wand, w, h, TriangleFilter, 1.0) == MagickFalse) {
      r.error = "cannot be scaled down: " + WandError(wand);
      return r;
    }
  }
  std::vector<unsigned char> rgb(w * h * 3);
  if (MagickExportImagePixels(wand, 0, 0, w, h, "RGB", CharPixel, rgb.data()) == MagickFalse) {
    r.error = "cannot be decoded as " + format + ": " + WandError(wand);
    return r;
  }
  if (!WriteBmp24(target, unsigned(w), unsigned(h), rgb)) {
    r.error = "cannot write " + target.string();
    return r;
  }
  r.ok = r.converted = true;
  r.stagedWidth = unsigned(w);
  r.stagedHeight = unsigned(h);
  return r;
}

}  // namespace

fs::path FindBitmap(const std::string& written, const fs::path& modelDir,
                    std::vector<fs::path>* tried) {
  const fs::path rel = RelativeName(written);
  if (rel.empty()) return {};
  std::error_code ec;
  fs::path dir = fs::absolute(modelDir, ec).lexically_normal();
  if (dir.has_filename() == false && dir.has_parent_path()) dir = dir.parent_path();
  std::vector<fs::path> places;
  if (!written.empty() && written[0] == '/') places.push_back(written);  // as written
  places.push_back(dir / rel);
  for (fs::path up = dir; up.has_parent_path() && up.parent_path() != up;) {
    up = up.parent_path();
    places.push_back(up / rel);
  }
  places.push_back(dir / rel.filename());
  for (const fs::path& p : places) {
    if (tried) tried->push_back(p);
    if (fs::path found = ResolveAnyCase(p); !found.empty()) return found;
  }
  for (const fs::path& p : places) {
    for (const char* ext : kExtensions) {
      fs::path q = p;
      q.replace_extension(ext);
      if (tried) tried->push_back(q);
      if (fs::path found = ResolveAnyCase(q); !found.empty()) return found;
    }
  }
  return {};
}

BitmapResult StageBitmap(const fs::path& source, const fs::path& target) {
  BitmapResult r;
  const std::string head = ReadBytes(source, 16);
  const std::string format = FormatOf(head, source);
  if (format.empty()) {
    r.error = "not a BMP, PNG, JPEG, TGA or DDS file";
    return r;
  }
  if (format == "BMP") {
    std::error_code ec;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    r.format = format;
    r.ok = !ec;
    if (ec) r.error = "cannot copy: " + ec.message();
    return r;
  }
  return Decode(source, format, target);
}

}  // namespace velta_stage
