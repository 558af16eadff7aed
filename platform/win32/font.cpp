// Text rasterisation. One face is found once, through VELTA_FONT or fontconfig, and kept for the
// life of the process; glyphs are hinted and rendered to grayscale by FreeType and kept per code
// point and size, so the frame-rate line drawn every frame costs a few lookups and copies.
#include "win32/font.h"

#include "testing/font_hooks.h"
#include "win32/text.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#define VELTA_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define VELTA_LEAK_CHECKER 1
#endif
#endif
#ifdef VELTA_LEAK_CHECKER
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// FreeType and fontconfig are opened when text is first drawn, not linked: programs that draw none
// (the tools, most tests) start without them and the libraries they bring.
#define VELTA_FREETYPE_CALLS(X) \
  X(Done_Face) X(Get_Char_Index) X(Get_Sfnt_Table) X(Init_FreeType) X(Load_Glyph) X(New_Face) \
  X(Render_Glyph) X(Select_Charmap) X(Set_Char_Size)
#define VELTA_FONTCONFIG_CALLS(X) \
  X(CharSetHasChar) X(ConfigSubstitute) X(DefaultSubstitute) X(FontSetDestroy) X(FontSort) \
  X(Init) X(InitReinitialize) X(NameParse) X(PatternDestroy) X(PatternGetCharSet) \
  X(PatternGetInteger) X(PatternGetString)

struct FreetypeCalls {
#define VELTA_FONT_FIELD(name) decltype(&::FT_##name) name = nullptr;
  VELTA_FREETYPE_CALLS(VELTA_FONT_FIELD)
#undef VELTA_FONT_FIELD
};
struct FontconfigCalls {
#define VELTA_FONT_FIELD(name) decltype(&::Fc##name) name = nullptr;
  VELTA_FONTCONFIG_CALLS(VELTA_FONT_FIELD)
#undef VELTA_FONT_FIELD
};
FreetypeCalls freetype;
FontconfigCalls fontconfig;

// Both libraries and every call, or nothing (reported once).
bool OpenFontLibraries() {
  static const bool opened = [] {
    void* ft = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
    void* fc = ft ? dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!fc) {
      const char* error = dlerror();
      std::fprintf(stderr, "velta: %s; text is not drawn\n", error ? error : "no font libraries");
      return false;
    }
    FreetypeCalls t;
    FontconfigCalls c;
    bool all = true;
#define VELTA_FONT_LOOKUP(lib, calls, prefix, name)                                      \
  calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(lib, prefix #name));         \
  if (!calls.name) {                                                                      \
    std::fprintf(stderr, "velta: %s%s is missing; text is not drawn\n", prefix, #name); \
    all = false;                                                                          \
  }
#define VELTA_FT_LOOKUP(name) VELTA_FONT_LOOKUP(ft, t, "FT_", name)
#define VELTA_FC_LOOKUP(name) VELTA_FONT_LOOKUP(fc, c, "Fc", name)
    VELTA_FREETYPE_CALLS(VELTA_FT_LOOKUP)
    VELTA_FONTCONFIG_CALLS(VELTA_FC_LOOKUP)
#undef VELTA_FC_LOOKUP
#undef VELTA_FT_LOOKUP
#undef VELTA_FONT_LOOKUP
    if (!all) return false;
    freetype = t;
    fontconfig = c;
    return true;
  }();
  return opened;
}

// Input past this many bytes is not looked at: the line is cut at kMaxTextRunWidth long before
// unless most characters have no advance, and then the work must still be bounded.
constexpr size_t kMaxInputBytes = 65536;
// The cache starts over past either bound; the frame-rate line needs a few dozen glyphs.
constexpr size_t kMaxCachedGlyphs = 4096;
constexpr size_t kMaxCachedBytes = size_t(16) << 20;

constexpr char32_t kHangulFirst = 0xAC00;
constexpr char32_t kHangulLast = 0xD7A3;

// Reading its configuration, fontconfig drops a few hundred bytes that nothing points to, once
// per load; that is the library's own, so the leak checker looks away while it loads.
class FontconfigLoad {
 public:
#ifdef VELTA_LEAK_CHECKER
  FontconfigLoad() {
    __lsan_disable();
  }
  ~FontconfigLoad() {
    __lsan_enable();
  }
#else
  FontconfigLoad() = default;
#endif
  FontconfigLoad(const FontconfigLoad&) = delete;
  FontconfigLoad& operator=(const FontconfigLoad&) = delete;
};

struct Glyph {
  int left = 0;  // pen to the bitmap's left column
  int top = 0;   // baseline up to the bitmap's top row
  int width = 0;
  int rows = 0;
  int advance = 0;
  std::vector<uint8_t> bits;  // width * rows coverage
};

struct Placed {
  int x;
  const Glyph* glyph;
};

struct FontState {
  std::mutex lock;
  bool searched = false;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string path;
  long ascentUnits = 0;  // the cell split above and below the baseline, in font units
  long descentUnits = 0;
  int sizeSet = 0;  // the cell height the face is set to, 0 for none
  std::unordered_map<uint64_t, Glyph> cache;
  size_t cachedBytes = 0;
  std::vector<Placed> layout;  // reused by every call
};

// Never destroyed: text may still be drawn by exit routines, and the face stays reachable.
FontState& Font() {
  static FontState* state = new FontState;
  return *state;
}

bool HasHangul(FT_Face face) {
  return freetype.Get_Char_Index(face, kHangulFirst) != 0 && freetype.Get_Char_Index(face, kHangulLast) != 0;
}

// Like a GDI font, the cell is the Windows ascent plus descent where the face gives them.
void ReadCellMetrics(FontState& f) {
  FT_Face face = f.face;
  auto* os2 = static_cast<TT_OS2*>(freetype.Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && long(os2->usWinAscent) + os2->usWinDescent > 0) {
    f.ascentUnits = os2->usWinAscent;
    f.descentUnits = os2->usWinDescent;
  } else if (face->ascender - face->descender > 0) {
    f.ascentUnits = face->ascender;
    f.descentUnits = -face->descender;
  } else {
    f.ascentUnits = face->units_per_EM * 4 / 5;
    f.descentUnits = face->units_per_EM - f.ascentUnits;
  }
  if (f.ascentUnits < 0) f.ascentUnits = 0;
  if (f.descentUnits < 0) f.descentUnits = 0;
  if (f.ascentUnits + f.descentUnits == 0) f.ascentUnits = 1;
}

// Only scalable faces with a Unicode map will do: every size must be drawable.
bool OpenFace(FontState& f, const char* path, int index) {
  FT_Face face = nullptr;
  if (freetype.New_Face(f.library, path, index, &face) != 0) return false;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0 ||
      freetype.Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    freetype.Done_Face(face);
    return false;
  }
  f.face = face;
  f.path = path;
  ReadCellMetrics(f);
  return true;
}

bool OpenFromEnvironment(FontState& f) {
  const char* path = std::getenv("VELTA_FONT");
  if (!path || !*path) return false;
  if (!OpenFace(f, path, 0)) {
    std::fprintf(stderr, "velta: VELTA_FONT=%s is not a usable font; searching with fontconfig\n",
                 path);
    return false;
  }
  if (!HasHangul(f.face))
    std::fprintf(stderr, "velta: %s has no Hangul; Korean text shows as boxes\n", path);
  return true;
}

constexpr size_t kFontconfigRoom = 16u << 20;

// The best sans-serif face for Korean; failing that, the best face that opens at all.
bool OpenFromFontconfig(FontState& f) {
  // Font matching does not survive running out of memory inside the library: without room for
  // it, go without fonts (text is then not drawn) rather than crash.
  void* room = std::malloc(kFontconfigRoom);
  if (!room) return false;
  std::free(room);
  bool loaded;
  {
    [[maybe_unused]] FontconfigLoad load;
    loaded = fontconfig.Init();
  }
  if (!loaded) return false;
  FcPattern* pattern = fontconfig.NameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ko"));
  if (!pattern) return false;
  fontconfig.ConfigSubstitute(nullptr, pattern, FcMatchPattern);
  fontconfig.DefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = fontconfig.FontSort(nullptr, pattern, FcFalse, nullptr, &result);
  fontconfig.PatternDestroy(pattern);
  if (!fonts) return false;
  bool found = false;
  for (int pass = 0; pass < 2 && !found; ++pass) {
    for (int i = 0; i < fonts->nfont && !found; ++i) {
      FcChar8* file = nullptr;
      int index = 0;
      FcCharSet* chars = nullptr;
      if (fontconfig.PatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      if (fontconfig.PatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index) != FcResultMatch) index = 0;
      bool hangul = fontconfig.PatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &chars) == FcResultMatch &&
                    fontconfig.CharSetHasChar(chars, kHangulFirst) && fontconfig.CharSetHasChar(chars, kHangulLast);
      if (pass == 0 && !hangul) continue;
      found = OpenFace(f, reinterpret_cast<const char*>(file), index);
      if (found && pass == 1)
        std::fprintf(stderr, "velta: no font with Hangul found; using %s (Korean shows as boxes)\n",
                     f.path.c_str());
    }
  }
  fontconfig.FontSetDestroy(fonts);
  return found;
}

void Search(FontState& f) {
  f.searched = true;
  if (!OpenFontLibraries()) return;
  if (!f.library && freetype.Init_FreeType(&f.library) != 0) {
    f.library = nullptr;
    std::fprintf(stderr, "velta: FreeType cannot start; text is not drawn\n");
    return;
  }
  if (OpenFromEnvironment(f) || OpenFromFontconfig(f)) return;
  std::fprintf(stderr, "velta: no usable font found; text is not drawn\n");
}

bool Ready(FontState& f) {
  if (!f.searched) Search(f);
  return f.face != nullptr;
}

void Forget(FontState& f) {
  f.cache.clear();
  f.cachedBytes = 0;
  f.layout.clear();
  f.sizeSet = 0;
  if (f.face) freetype.Done_Face(f.face);
  f.face = nullptr;
  f.path.clear();
  f.searched = false;
}

int Baseline(const FontState& f, int pixelHeight) {
  long total = f.ascentUnits + f.descentUnits;
  return int((2 * pixelHeight * f.ascentUnits + total) / (2 * total));
}

// The em size that makes ascent plus descent the requested cell height.
bool SetCellHeight(FontState& f, int pixelHeight) {
  if (f.sizeSet == pixelHeight) return true;
  long total = f.ascentUnits + f.descentUnits;
  FT_F26Dot6 em = FT_F26Dot6(int64_t(pixelHeight) * 64 * f.face->units_per_EM / total);
  if (em < 1) em = 1;
  if (freetype.Set_Char_Size(f.face, 0, em, 72, 72) != 0) {
    f.sizeSet = 0;
    return false;
  }
  f.sizeSet = pixelHeight;
  return true;
}

void CopyBitmap(const FT_Bitmap& bitmap, Glyph& g) {
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
  g.width = int(bitmap.width);
  g.rows = int(bitmap.rows);
  g.bits.assign(size_t(g.width) * g.rows, 0);
  int levels =
      bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1 ? bitmap.num_grays : 256;
  int pitch = std::abs(bitmap.pitch);
  for (int r = 0; r < g.rows; ++r) {
    // A negative pitch means the rows are stored bottom first.
    const uint8_t* src = bitmap.buffer + size_t(bitmap.pitch < 0 ? g.rows - 1 - r : r) * pitch;
    uint8_t* dst = g.bits.data() + size_t(r) * g.width;
    for (int c = 0; c < g.width; ++c) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        dst[c] = (src[c >> 3] >> (7 - (c & 7))) & 1 ? 255 : 0;
      else
        dst[c] = levels == 256
                     ? src[c]
                     : uint8_t(std::min(src[c], uint8_t(levels - 1)) * 255 / (levels - 1));
    }
  }
}

bool RenderGlyph(FontState& f, FT_UInt index, Glyph& g) {
  FT_GlyphSlot slot = f.face->glyph;
  if (freetype.Load_Glyph(f.face, index, FT_LOAD_TARGET_NORMAL) != 0) return false;
  if (freetype.Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
  g.advance = int((slot->advance.x + 32) >> 6);
  if (g.advance < 0) g.advance = 0;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  CopyBitmap(slot->bitmap, g);
  return true;
}

const Glyph* GlyphFor(FontState& f, char32_t cp, int pixelHeight) {
  uint64_t key = uint64_t(cp) << 16 | uint64_t(pixelHeight);
  auto it = f.cache.find(key);
  if (it != f.cache.end()) return &it->second;
  Glyph g;
  if (SetCellHeight(f, pixelHeight)) {
    FT_UInt index = freetype.Get_Char_Index(f.face, cp);
    // A glyph the face cannot draw becomes its missing-glyph box.
    if (!RenderGlyph(f, index, g) && index != 0) {
      g = Glyph();
      RenderGlyph(f, 0, g);
    }
  }
  f.cachedBytes += g.bits.size() + sizeof(Glyph);
  return &f.cache.emplace(key, std::move(g)).first->second;
}

// Where a long text is cut, never inside a double-byte character.
size_t InputLength(std::string_view text) {
  if (text.size() <= kMaxInputBytes) return text.size();
  size_t i = 0;
  while (i < kMaxInputBytes) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    i += b >= 0x81 && b <= 0xFE ? 2 : 1;
  }
  return std::min(i, text.size());
}

// Calls `visit` with each code point of code page 949 text until it returns false.
template <typename Visit>
void ForEachCodePoint(std::string_view text, Visit visit) {
  text = text.substr(0, InputLength(text));
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    for (char c : text)
      if (!visit(char32_t(c))) return;
    return;
  }
  // The converter yields well-formed UTF-8, with U+FFFD for bytes that are not code page 949.
  std::string utf8 = PlatformAnsiToUtf8(text);
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t n = utf8.size();
  for (size_t i = 0; i < n;) {
    unsigned char b = s[i];
    size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + len > n) break;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += len;
    if (!visit(cp)) return;
  }
}

// Places the glyphs of `text` on the line; returns the line's width.
int Layout(FontState& f, std::string_view text, int pixelHeight) {
  if (f.cache.size() > kMaxCachedGlyphs || f.cachedBytes > kMaxCachedBytes) {
    f.cache.clear();
    f.cachedBytes = 0;
  }
  f.layout.clear();
  int pen = 0;
  ForEachCodePoint(text, [&](char32_t cp) {
    const Glyph* g = GlyphFor(f, cp, pixelHeight);
    f.layout.push_back({pen, g});
    pen = std::min(pen + g->advance, kMaxTextRunWidth);
    return pen < kMaxTextRunWidth;
  });
  return pen;
}

// Glyphs that overhang the run are cut at its edges; where two overlap the stronger ink wins.
void Draw(const Placed& p, int baseline, GlyphRun& out) {
  const Glyph& g = *p.glyph;
  int x0 = p.x + g.left;
  int y0 = baseline - g.top;
  int c0 = std::max(0, -x0);
  int c1 = std::min(g.width, out.width - x0);
  int r0 = std::max(0, -y0);
  int r1 = std::min(g.rows, out.height - y0);
  for (int r = r0; r < r1; ++r) {
    const uint8_t* src = g.bits.data() + size_t(r) * g.width;
    uint8_t* dst = out.coverage.data() + size_t(y0 + r) * out.width + x0;
    for (int c = c0; c < c1; ++c) dst[c] = std::max(dst[c], src[c]);
  }
}

}  // namespace

bool RenderTextRun(std::string_view ansiText, int pixelHeight, GlyphRun& out) {
  out.width = out.height = out.baseline = 0;
  out.coverage.clear();
  if (pixelHeight < 1 || pixelHeight > kMaxTextPixelHeight) return false;
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!Ready(f)) return false;
  out.width = Layout(f, ansiText, pixelHeight);
  out.height = pixelHeight;
  out.baseline = Baseline(f, pixelHeight);
  out.coverage.assign(size_t(out.width) * out.height, 0);
  for (const Placed& p : f.layout) Draw(p, out.baseline, out);
  return true;
}

bool MeasureTextRun(std::string_view ansiText, int pixelHeight, int& width, int& height) {
  width = height = 0;
  if (pixelHeight < 1 || pixelHeight > kMaxTextPixelHeight) return false;
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!Ready(f)) return false;
  width = Layout(f, ansiText, pixelHeight);
  height = pixelHeight;
  return true;
}

int TextCellForEm(int emPixels) {
  emPixels = std::clamp(emPixels, 1, kMaxTextPixelHeight);
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!Ready(f)) return emPixels;
  const long total = f.ascentUnits + f.descentUnits;
  const int64_t cell = (int64_t(emPixels) * total + f.face->units_per_EM / 2) / f.face->units_per_EM;
  return int(std::clamp<int64_t>(cell, 1, kMaxTextPixelHeight));
}

int TextEmForCell(int pixelHeight) {
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!Ready(f)) return pixelHeight;
  const long total = f.ascentUnits + f.descentUnits;
  return int((int64_t(pixelHeight) * f.face->units_per_EM + total / 2) / total);
}

int TextAscent(int pixelHeight) {
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!Ready(f)) return 0;
  return Baseline(f, pixelHeight);
}

const char* TextFontPath() {
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  Ready(f);
  return f.path.c_str();
}

void TestReloadTextFont() {
  FontState& f = Font();
  std::lock_guard<std::mutex> hold(f.lock);
  Forget(f);
  {
    [[maybe_unused]] FontconfigLoad load;
    if (OpenFontLibraries()) fontconfig.InitReinitialize();
  }
  Search(f);
}
