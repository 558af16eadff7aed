// The .ase line reader. The file is read the way a text-mode stream on the original platform reads
// it: a carriage return right before a line feed is dropped, then lines are cut into pieces of at
// most 254 characters. Input is buffered in large blocks because the reader is the loader's hot path.
#include "model/ase_reader.h"

#include <windows.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

const char AseKeywordTable[AseKeywordCount][AseKeywordWidth] = {
    "*3DSMAX_ASCIIEXPORT", "*COMMENT", "*SCENE", "*SCENE_FILENAME", "*SCENE_FIRSTFRAME",
    "*SCENE_LASTFRAME", "*SCENE_FRAMESPEED", "*SCENE_TICKSPERFRAME", "*SCENE_BACKGROUND_STATIC",
    "*SCENE_AMBIENT_STATIC", "*MATERIAL_LIST", "*MATERIAL_COUNT", "*MATERIAL", "*MATERIAL_NAME",
    "*MATERIAL_CLASS", "*MATERIAL_AMBIENT", "*MATERIAL_DIFFUSE", "*MATERIAL_SPECULAR",
    "*MATERIAL_SHINE", "*MATERIAL_SHINESTRENGTH", "*MATERIAL_TRANSPARENCY", "*MATERIAL_WIRESIZE",
    "*MATERIAL_SHADING", "*MATERIAL_XP_FALLOFF", "*MATERIAL_SELFILLUM", "*MATERIAL_FALLOFF",
    "*MATERIAL_SOFTEN", "*MATERIAL_XP_TYPE", "*MAP_DIFFUSE", "*MAP_REFLECT", "*MAP_NAME",
    "*MAP_CLASS", "*MAP_SUBNO", "*MAP_AMOUNT", "*BITMAP", "*MAP_TYPE", "*UVW_U_OFFSET",
    "*UVW_V_OFFSET", "*UVW_U_TILING", "*UVW_V_TILING", "*UVW_ANGLE", "*UVW_BLUR",
    "*UVW_BLUR_OFFSET", "*UVW_NOUSE_AMT", "*UVW_NOISE_SIZE", "*UVW_NOISE_LEVEL",
    "*UVW_NOISE_PHASE", "*BITMAP_FILTER", "*GEOMOBJECT", "*NODE_NAME", "*NODE_TM",
    "*INHERIT_POS", "*INHERIT_ROT", "*INHERIT_SCL", "*TM_ROW0", "*TM_ROW1", "*TM_ROW2",
    "*TM_ROW3", "*TM_POS", "*TM_ROTAXIS", "*TM_ROTANGLE", "*TM_SCALE", "*TM_SCALEAXIS",
    "*TM_SCALEAXISANG", "*MESH", "*TIMEVALUE", "*MESH_NUMVERTEX", "*MESH_NUMFACES",
    "*MESH_VERTEX_LIST", "*MESH_VERTEX", "*MESH_FACE_LIST", "*MESH_FACE", "*MESH_NUMTVERTEX",
    "*MESH_TVERTLIST", "*MESH_TVERT", "*MESH_NUMTVFACES", "*MESH_TFACELIST", "*MESH_TFACE",
    "*MESH_NUMCVERTEX", "*MESH_NORMALS", "*MESH_FACENORMAL", "*MESH_VERTEXNORMAL",
    "*PROP_MOTIONBLUR", "*PROP_CASTSHADOW", "*PROP_RECVSHADOW", "*MATERIAL_REF", "*NODE_PARENT",
};

AseReaderState AseReader;

namespace {

// Block buffer over the open file. `Fill` keeps at least one line's worth of bytes ahead.
struct Input {
  static constexpr size_t Capacity = 1 << 16;
  char data[Capacity];
  size_t pos = 0;
  size_t len = 0;
  bool atEnd = true;

  void Reset(bool open) {
    pos = len = 0;
    atEnd = !open;
  }
  size_t Available() const { return len - pos; }
  void Fill() {
    if (atEnd || Available() > AseLineLimit + 1) return;
    std::memmove(data, data + pos, Available());
    len -= pos;
    pos = 0;
    while (!atEnd && len < Capacity) {
      size_t got = std::fread(data + len, 1, Capacity - len, AseReader.file);
      if (got == 0) atEnd = true;
      len += got;
    }
  }
};

Input TheInput;

// Keyword lookup: open-addressed hash of the table rows, built once.
constexpr int HashSize = 256;
int8_t KeywordSlots[HashSize];

uint32_t HashToken(const char* s) {
  uint32_t h = 2166136261u;
  for (; *s; ++s) h = (h ^ static_cast<uint8_t>(*s)) * 16777619u;
  return h;
}

bool BuildKeywordSlots() {
  std::memset(KeywordSlots, -1, sizeof KeywordSlots);
  for (int row = 0; row < AseKeywordCount; ++row) {
    uint32_t i = HashToken(AseKeywordTable[row]) & (HashSize - 1);
    while (KeywordSlots[i] >= 0) i = (i + 1) & (HashSize - 1);
    KeywordSlots[i] = static_cast<int8_t>(row);
  }
  return true;
}

const bool KeywordSlotsReady = BuildKeywordSlots();

// Character classes of the tokenizer: blanks between tokens, and the characters that end an
// unquoted token (a blank or the end of the line).
struct CharClass {
  bool table[256];
  constexpr explicit CharClass(bool endOfLine) : table{} {
    table[static_cast<uint8_t>(' ')] = table[static_cast<uint8_t>('\t')] = true;
    table[static_cast<uint8_t>('\n')] = true;
    table[0] = endOfLine;
  }
  bool operator[](uint8_t c) const { return table[c]; }
};
constexpr CharClass IsBlank(false);
constexpr CharClass EndsToken(true);

// Reads the next line piece into AseReader.line; returns its length, or -1 at the end of the file.
int ReadLinePiece() {
  TheInput.Fill();
  size_t avail = TheInput.Available();
  if (avail == 0) return -1;
  const char* src = TheInput.data + TheInput.pos;
  size_t window = avail < AseLineLimit + 1 ? avail : AseLineLimit + 1;
  const char* lf = static_cast<const char*>(std::memchr(src, '\n', window));
  size_t take, consume;
  if (lf) {
    size_t k = static_cast<size_t>(lf - src);
    size_t before = (k > 0 && src[k - 1] == '\r') ? k - 1 : k;
    if (before + 1 <= AseLineLimit) {
      std::memcpy(AseReader.line, src, before);
      AseReader.line[before] = '\n';
      AseReader.line[before + 1] = '\0';
      TheInput.pos += k + 1;
      return static_cast<int>(before + 1);
    }
    take = consume = AseLineLimit;
  } else {
    take = consume = window < AseLineLimit ? window : AseLineLimit;
  }
  std::memcpy(AseReader.line, src, take);
  AseReader.line[take] = '\0';
  TheInput.pos += consume;
  return static_cast<int>(take);
}

// Powers of ten that a double holds exactly, for the fast decimal path.
constexpr double ExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// atof of a token. Plain decimals whose digits and exponent fit a double exactly are converted
// directly (the result is then the correctly rounded value strtod gives); anything else goes to
// strtod itself.
double ParseReal(const char* s) {
  const char* p = s;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!IsDigit(*p) && *p != '.') return std::strtod(s, nullptr);
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return std::strtod(s, nullptr);
  uint64_t mantissa = 0;
  int significant = 0, exponent = 0;
  bool anyDigit = false;
  for (; IsDigit(*p); ++p) {
    anyDigit = true;
    if (mantissa == 0 && *p == '0') continue;
    if (++significant > 19) return std::strtod(s, nullptr);
    mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
  }
  if (*p == '.') {
    for (++p; IsDigit(*p); ++p) {
      anyDigit = true;
      if (mantissa == 0 && *p == '0') {
        --exponent;
        continue;
      }
      if (++significant > 19) return std::strtod(s, nullptr);
      mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
      --exponent;
    }
  }
  if (!anyDigit) return std::strtod(s, nullptr);
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    bool expNegative = false;
    if (*q == '+' || *q == '-') expNegative = *q++ == '-';
    if (IsDigit(*q)) {
      int value = 0;
      for (; IsDigit(*q); ++q)
        if (value < 10000) value = value * 10 + (*q - '0');
      exponent += expNegative ? -value : value;
    }
  }
  double result;
  if (mantissa == 0) {
    result = 0.0;
  } else if (mantissa < (uint64_t(1) << 53) && exponent >= -22 && exponent <= 22) {
    result = static_cast<double>(mantissa);
    result = exponent < 0 ? result / ExactPow10[-exponent] : result * ExactPow10[exponent];
  } else {
    return std::strtod(s, nullptr);
  }
  return negative ? -result : result;
}

// atoi with the saturation of a 32-bit strtol, so huge counts cannot overflow.
int32_t ParseInt(const char* s) {
  const char* p = s;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; IsDigit(*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

}  // namespace

void ResetAseReader() {
  AseReader.depth = 0;
  AseReader.sectionTop = 0;
}

bool OpenAseFile(const char* name) {
  CloseAseFile();
  AseReader.file = std::fopen(name, "rb");
  TheInput.Reset(AseReader.file != nullptr);
  return AseReader.file != nullptr;
}

void CloseAseFile() {
  if (AseReader.file) std::fclose(AseReader.file);
  AseReader.file = nullptr;
  TheInput.Reset(false);
}

char* NextAseToken(char* pos, char* slot) {
  slot[0] = '\0';
  while (IsBlank[static_cast<uint8_t>(*pos)]) ++pos;
  if (*pos == '\0') return nullptr;
  size_t n = 0;
  if (*pos == '"') {
    ++pos;
    for (; *pos != '"' && *pos != '\n' && *pos != '\0'; ++pos) {
      if (*pos == ' ' || *pos == '\t') *pos = '_';
      if (n < AseTokenSize - 1) slot[n++] = *pos;
    }
    if (*pos == '"') ++pos;
  } else {
    // Find the end first, then copy the part that fits in one go: this is the loader's
    // innermost loop.
    char* start = pos;
    while (!EndsToken[static_cast<uint8_t>(*pos)]) ++pos;
    n = static_cast<size_t>(pos - start);
    if (n > AseTokenSize - 1) n = AseTokenSize - 1;
    std::memcpy(slot, start, n);
  }
  slot[n] = '\0';
  return pos;
}

void ClassifyAseKeyword() {
  const char* token = AseReader.tokens[0];
  AseReader.keyword = AseNotKeyword;
  if (token[0] != '*') return;
  uint32_t i = HashToken(token) & (HashSize - 1);
  for (int probes = 0; probes < HashSize && KeywordSlots[i] >= 0; ++probes) {
    int row = KeywordSlots[i];
    if (std::strcmp(AseKeywordTable[row], token) == 0) {
      AseReader.keyword = row;
      return;
    }
    i = (i + 1) & (HashSize - 1);
  }
}

void BeginAseSection() {
  // The parser nests at most three deep; sections past the stack are not recorded.
  if (AseReader.sectionTop >= AseMaxSections) return;
  AseReader.sectionStack[AseReader.sectionTop++] = AseReader.depth;
}

int32_t ReadAseLine() {
  AseReaderState& r = AseReader;
  int length = ReadLinePiece();
  if (length < 0) return EndOfFile;
  // An embedded NUL ends the line as far as everything after the read is concerned.
  length = static_cast<int>(strnlen(r.line, static_cast<size_t>(length)));
  if (std::memchr(r.line, '{', static_cast<size_t>(length))) ++r.depth;
  if (std::memchr(r.line, '}', static_cast<size_t>(length))) {
    if (--r.depth < 0) {
      r.depth = 0;
      return BraceUnderflow;
    }
    bool ended = false;
    while (r.sectionTop > 0 && r.depth < r.sectionStack[r.sectionTop - 1]) {
      --r.sectionTop;
      ended = true;
    }
    if (ended) return SectionEnd;
  }
  int count = 0;
  char* pos = r.line;
  while (count < AseMaxTokens && (pos = NextAseToken(pos, r.tokens[count])) != nullptr) ++count;
  // Tokens past the slots are dropped; empty slots read as empty, never as an earlier line's.
  for (int i = count; i < AseMaxTokens; ++i) r.tokens[i][0] = '\0';
  r.tokenCount = count;
  ClassifyAseKeyword();
  return LineReady;
}

int32_t AseTokenInt(int index) {
  if (index < 0 || index >= AseMaxTokens) return 0;
  return ParseInt(AseReader.tokens[index]);
}

float AseTokenReal(int index) {
  if (index < 0 || index >= AseMaxTokens) return 0.0f;
  return static_cast<float>(ParseReal(AseReader.tokens[index]));
}
