// The .ase line reader. The file is read the way a text-mode stream on the original platform reads
// it: a carriage return right before a line feed is dropped, then lines are cut into pieces of at
// most 254 characters. This is the loader's hot path: the file is read in large blocks, lines are
// scanned where they lie in the block, and the parser's reads (ScanAseLine) cut only the tokens it
// asks for; ReadAseLine fills the line and token slots as well.
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

// Block buffer over the open file. `Fill` keeps at least one line's worth of bytes ahead, and a NUL
// always follows the bytes read, so a last line without a line feed ends where it lies.
struct Input {
  static constexpr size_t Capacity = 1 << 18;
  char data[Capacity + 1];
  size_t pos = 0;
  size_t len = 0;
  bool atEnd = true;

  void Reset(bool open) {
    pos = len = 0;
    data[0] = '\0';
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
    data[len] = '\0';
  }
};

Input TheInput;

// The current line as the reader sees it: where it lies (in the block, or in AseReader.line when
// it had to be cut from a longer one) and the tokens found in it so far. A line always ends in a
// line feed or a NUL, which is what stops every scan.
struct TokenSpan {
  const char* start;
  uint32_t length;
};
struct LineScan {
  char* line;
  size_t length;          // characters up to the line feed or the end of the piece
  char* next;             // where the next token search starts; null when the line has no more
  int found;              // tokens found so far
  bool inSlots;           // the last line read was copied into AseReader's line and slots
  TokenSpan tokens[AseMaxTokens];
};

LineScan Scan;

// Character classes of the tokenizer: blanks between tokens, the ends of a line, and the characters
// that end an unquoted token (a blank or the end of the line).
enum : uint8_t { ClassBlank = 1, ClassLineEnd = 2, ClassQuote = 4 };
struct CharClasses {
  uint8_t table[256];
  constexpr CharClasses() : table{} {
    table[static_cast<uint8_t>(' ')] = table[static_cast<uint8_t>('\t')] = ClassBlank;
    table[static_cast<uint8_t>('\n')] = table[0] = ClassLineEnd;
    table[static_cast<uint8_t>('"')] = ClassQuote;
  }
  uint8_t operator[](char c) const { return table[static_cast<uint8_t>(c)]; }
};
constexpr CharClasses Classes;

// Finds the token at or after `pos` and records where it lies; returns the position after it, or
// null when the line holds no further token. Blanks inside quotes become '_' where they lie.
char* FindToken(char* pos, TokenSpan& span) {
  while (Classes[*pos] == ClassBlank) ++pos;
  if (Classes[*pos] == ClassLineEnd) return nullptr;
  if (*pos == '"') {
    char* start = ++pos;
    for (; *pos != '"' && Classes[*pos] != ClassLineEnd; ++pos)
      if (Classes[*pos] == ClassBlank) *pos = '_';
    span = {start, static_cast<uint32_t>(pos - start)};
    return *pos == '"' ? pos + 1 : pos;
  }
  char* start = pos;
  while ((Classes[*pos] & (ClassBlank | ClassLineEnd)) == 0) ++pos;
  span = {start, static_cast<uint32_t>(pos - start)};
  return pos;
}

// Makes sure tokens up to `index` have been looked for; false when the line has no such token.
inline bool FindTokensTo(int index) {
  while (Scan.found <= index) {
    if (!Scan.next || Scan.found >= AseMaxTokens) return false;
    Scan.next = FindToken(Scan.next, Scan.tokens[Scan.found]);
    if (!Scan.next) return false;
    ++Scan.found;
  }
  return true;
}

// Copies a token into a slot, cut to what a slot holds.
void CopyToken(const TokenSpan& span, char* slot) {
  size_t n = span.length < AseTokenSize - 1 ? span.length : AseTokenSize - 1;
  std::memcpy(slot, span.start, n);
  slot[n] = '\0';
}

// Keyword lookup: open-addressed hash of the table rows on the length and a few characters, built
// once. Every keyword is at least five characters long.
constexpr int HashSize = 256;
struct KeywordSlot {
  int8_t row;
  uint8_t length;
};
KeywordSlot KeywordSlots[HashSize];

inline uint32_t HashKeyword(const char* s, size_t n) {
  auto c = [s](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(s[i])); };
  return (static_cast<uint32_t>(n) * 21u + c(n - 1) * 37u + c(n - 2) + c(n - 3) * 2u + c(n / 2)) &
         (HashSize - 1);
}

bool BuildKeywordSlots() {
  for (KeywordSlot& slot : KeywordSlots) slot = {-1, 0};
  for (int row = 0; row < AseKeywordCount; ++row) {
    size_t n = std::strlen(AseKeywordTable[row]);
    uint32_t i = HashKeyword(AseKeywordTable[row], n);
    while (KeywordSlots[i].row >= 0) i = (i + 1) & (HashSize - 1);
    KeywordSlots[i] = {static_cast<int8_t>(row), static_cast<uint8_t>(n)};
  }
  return true;
}

const bool KeywordSlotsReady = BuildKeywordSlots();

// Row of the keyword table that the `n` characters at `s` spell, or -1.
int32_t FindKeyword(const char* s, size_t n) {
  if (n < 5 || n >= AseKeywordWidth || s[0] != '*') return AseNotKeyword;
  for (uint32_t i = HashKeyword(s, n); KeywordSlots[i].row >= 0; i = (i + 1) & (HashSize - 1)) {
    const KeywordSlot& slot = KeywordSlots[i];
    if (slot.length == n && std::memcmp(AseKeywordTable[slot.row], s, n) == 0) return slot.row;
  }
  return AseNotKeyword;
}

// Reads the next line piece and points Scan at it; false at the end of the file. A piece that fits
// up to its line feed, or ends the file, is used where it lies; a piece cut from a longer line is
// copied into AseReader.line, where a NUL can end it.
bool ReadLinePiece() {
  TheInput.Fill();
  size_t avail = TheInput.Available();
  if (avail == 0) return false;
  char* src = TheInput.data + TheInput.pos;
  size_t window = avail < AseLineLimit + 1 ? avail : AseLineLimit + 1;
  const char* lf = static_cast<const char*>(std::memchr(src, '\n', window));
  size_t take;
  if (lf) {
    size_t k = static_cast<size_t>(lf - src);
    size_t before = (k > 0 && src[k - 1] == '\r') ? k - 1 : k;
    if (before + 1 <= AseLineLimit) {
      src[before] = '\n';  // the carriage return is not part of the line
      TheInput.pos += k + 1;
      Scan.line = src;
      Scan.length = before;
      return true;
    }
    take = AseLineLimit;
  } else {
    take = window < AseLineLimit ? window : AseLineLimit;
  }
  TheInput.pos += take;
  if (take == avail) {
    Scan.line = src;  // the NUL after the bytes read ends it
  } else {
    std::memcpy(AseReader.line, src, take);
    AseReader.line[take] = '\0';
    Scan.line = AseReader.line;
  }
  Scan.length = take;
  return true;
}

// Steps 1 to 3 of a line read, and finding token 0 and its keyword. The line is not copied.
int32_t ReadLineInPlace() {
  AseReaderState& r = AseReader;
  Scan.next = nullptr;
  Scan.found = 0;
  if (!ReadLinePiece()) return EndOfFile;
  const char* line = Scan.line;
  size_t length = Scan.length;
  // An embedded NUL ends the line as far as everything after the read is concerned.
  const char* open = static_cast<const char*>(std::memchr(line, '{', length));
  const char* close = static_cast<const char*>(std::memchr(line, '}', length));
  if (open || close) {
    if (const void* nul = std::memchr(line, '\0', length))
      length = static_cast<size_t>(static_cast<const char*>(nul) - line);
    if (open && open >= line + length) open = nullptr;
    if (close && close >= line + length) close = nullptr;
  }
  if (open) ++r.depth;
  if (close) {
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
  Scan.next = Scan.line;
  if (FindTokensTo(0))
    r.keyword = FindKeyword(Scan.tokens[0].start, Scan.tokens[0].length);
  else
    r.keyword = AseNotKeyword;
  return LineReady;
}

// Powers of ten that a double holds exactly, for the fast decimal path.
constexpr double ExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// atof of a token. Plain decimals of at most 19 digits whose value and power of ten a double holds
// exactly are converted with one correctly rounded operation, which is the value strtod gives;
// anything else goes to strtod itself.
double ParseReal(const char* s) {
  const char* p = s;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint64_t mantissa = 0;  // wraps only past 19 digits, which go to strtod
  const char* digits = p;
  for (; IsDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
  int count = static_cast<int>(p - digits);
  int exponent = 0;
  if (*p == '.') {
    const char* fraction = ++p;
    for (; IsDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
    exponent = -static_cast<int>(p - fraction);
    count -= exponent;
  }
  // No digits (inf, nan, a lone sign or dot), too many, or a hexadecimal number.
  if (count == 0 || count > 19 || (*p | 0x20) == 'x') return std::strtod(s, nullptr);
  if ((*p | 0x20) == 'e') {
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
  // Up to nine plain digits cannot overflow: the common case.
  if (IsDigit(*p)) {
    uint32_t value = static_cast<uint32_t>(*p++ - '0');
    for (int n = 1; n < 9 && IsDigit(*p); ++n) value = value * 10 + static_cast<uint32_t>(*p++ - '0');
    if (!IsDigit(*p)) return static_cast<int32_t>(value);
  }
  p = s;
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
  Scan.next = nullptr;
  Scan.found = 0;
}

char* NextAseToken(char* pos, char* slot) {
  // Also skips line feeds between tokens: inside a line read there is none but the last.
  slot[0] = '\0';
  while (Classes[*pos] == ClassBlank || *pos == '\n') ++pos;
  if (*pos == '\0') return nullptr;
  TokenSpan span;
  char* after = FindToken(pos, span);
  CopyToken(span, slot);
  return after;
}

void ClassifyAseKeyword() {
  const char* token = AseReader.tokens[0];
  const void* end = std::memchr(token, '\0', AseTokenSize);
  size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - token) : AseTokenSize;
  AseReader.keyword = FindKeyword(token, length);
}

void BeginAseSection() {
  // The parser nests at most three deep; sections past the stack are not recorded.
  if (AseReader.sectionTop >= AseMaxSections) return;
  AseReader.sectionStack[AseReader.sectionTop++] = AseReader.depth;
}

int32_t ScanAseLine() {
  Scan.inSlots = false;
  return ReadLineInPlace();
}

int32_t ReadAseLine() {
  AseReaderState& r = AseReader;
  int32_t result = ReadLineInPlace();
  if (result != LineReady) return result;
  FindTokensTo(AseMaxTokens - 1);
  // Tokens past the slots are dropped; empty slots read as empty, never as an earlier line's.
  for (int i = 0; i < AseMaxTokens; ++i) {
    if (i < Scan.found)
      CopyToken(Scan.tokens[i], r.tokens[i]);
    else
      r.tokens[i][0] = '\0';
  }
  r.tokenCount = Scan.found;
  // The line as read, with the blanks inside quotes already replaced.
  if (Scan.line != r.line) {
    bool lineFeed = Scan.line[Scan.length] == '\n';
    std::memcpy(r.line, Scan.line, Scan.length);
    if (lineFeed) r.line[Scan.length] = '\n';
    r.line[Scan.length + (lineFeed ? 1 : 0)] = '\0';
  }
  Scan.inSlots = true;
  return LineReady;
}

namespace {

// Where token `index` of the current line can be read as a number: in place, unless it is longer
// than a slot holds, when the cut copy in its slot is what counts.
const char* NumberText(int index) {
  if (index < 0 || index >= AseMaxTokens) return "";
  if (Scan.inSlots) return AseReader.tokens[index];
  if (!FindTokensTo(index)) return "";
  // In place only when the token starts like a number: a conversion skips leading space
  // characters and, in place, would run on past the token's end.
  const TokenSpan& span = Scan.tokens[index];
  char first = span.start[0];
  if (span.length < AseTokenSize && (IsDigit(first) || first == '-' || first == '+' || first == '.'))
    return span.start;
  CopyToken(span, AseReader.tokens[index]);
  return AseReader.tokens[index];
}

}  // namespace

const char* AseTokenText(int index) {
  if (index < 0 || index >= AseMaxTokens) return "";
  if (Scan.inSlots) return AseReader.tokens[index];
  if (!FindTokensTo(index)) return "";
  CopyToken(Scan.tokens[index], AseReader.tokens[index]);
  return AseReader.tokens[index];
}

int32_t AseTokenLength(int index) {
  if (index < 0 || index >= AseMaxTokens) return 0;
  if (Scan.inSlots) return static_cast<int32_t>(std::strlen(AseReader.tokens[index]));
  if (!FindTokensTo(index)) return 0;
  return static_cast<int32_t>(Scan.tokens[index].length);
}

int32_t AseTokenInt(int index) { return ParseInt(NumberText(index)); }

float AseTokenReal(int index) { return static_cast<float>(ParseReal(NumberText(index))); }
