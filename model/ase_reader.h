// The .ase line reader: reads one line at a time, counts braces into nested sections, cuts the
// line into tokens and classifies the first token against the fixed keyword table.
// One module-level state: the loader is not re-entrant and runs on the application's thread.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int AseKeywordCount = 87;
constexpr int AseKeywordWidth = 30;
extern const char AseKeywordTable[AseKeywordCount][AseKeywordWidth];

// Rows of the keyword table that a handler acts on; the row number is the keyword value.
enum AseKeyword : int32_t {
  AseNotKeyword = -1,
  KwMaterialList = 10,
  KwMaterialCount = 11,
  KwMaterial = 12,
  KwMaterialAmbient = 15,
  KwMaterialDiffuse = 16,
  KwMaterialSpecular = 17,
  KwMaterialShine = 18,
  KwMaterialShineStrength = 19,
  KwMaterialTransparency = 20,
  KwMapDiffuse = 28,
  KwMapReflect = 29,
  KwBitmap = 34,
  KwMapType = 35,
  KwGeomObject = 48,
  KwNodeName = 49,
  KwMesh = 64,
  KwMeshNumVertex = 66,
  KwMeshNumFaces = 67,
  KwMeshVertexList = 68,
  KwMeshVertex = 69,
  KwMeshFaceList = 70,
  KwMeshFace = 71,
  KwMeshNumTVertex = 72,
  KwMeshTVertList = 73,
  KwMeshTVert = 74,
  KwMeshTFaceList = 76,
  KwMeshTFace = 77,
  KwMeshNormals = 79,
  KwMeshVertexNormal = 81,
  KwMaterialRef = 85,
  KwNodeParent = 86,
};

// Results of ReadAseLine.
constexpr int32_t LineReady = 0;
constexpr int32_t SectionEnd = 1;
constexpr int32_t BraceUnderflow = -1;
constexpr int32_t EndOfFile = -2;

constexpr int AseLineSize = 256;       // a read takes at most 254 characters
constexpr int AseLineLimit = 254;
constexpr int AseMaxTokens = 20;
constexpr int AseTokenSize = 128;      // 127 characters and the terminator
constexpr int AseMaxSections = 20;

struct AseInput;  // the buffered text stream behind `file`

struct AseReaderState {
  FILE* file;
  char line[AseLineSize];
  char tokens[AseMaxTokens][AseTokenSize];
  int32_t tokenCount;
  int32_t keyword;
  int32_t depth;
  int32_t sectionStack[AseMaxSections];
  int32_t sectionTop;
};

extern AseReaderState AseReader;

// Sets depth and section top to 0 for a new file.
void ResetAseReader();
// Opens `name` (a Windows-style name) for the reader in text mode; false when it cannot.
bool OpenAseFile(const char* name);
void CloseAseFile();

int32_t ReadAseLine();
// ReadAseLine for the parser: the same results, depth and sections, but the line and the token
// slots are not filled; the parser reads the tokens it needs through AseToken*.
int32_t ScanAseLine();
// Fills `slot` with the token starting at or after `pos`; returns the position after it, or null
// when the line holds no further token. Blanks inside quotes become '_' in the line and the token.
char* NextAseToken(char* pos, char* slot);
void ClassifyAseKeyword();
void BeginAseSection();

// Token i of the current line (cut to a slot's 127 characters) and its conversions with atoi /
// atof semantics (a token with no number reads as 0). Positions the current line does not have
// read as empty tokens.
const char* AseTokenText(int index);
int32_t AseTokenInt(int index);
// The length of token i as the current line holds it, before the cut to a slot.
int32_t AseTokenLength(int index);
float AseTokenReal(int index);
