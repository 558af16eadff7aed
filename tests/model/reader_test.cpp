#include "model/ase_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

class Reader : public ::testing::Test {
 protected:
  void Open(const std::string& text) {
    ResetAseReader();
    ASSERT_TRUE(OpenAseFile(dir_.Write("t.ase", text).c_str()));
  }
  void TearDown() override { CloseAseFile(); }
  std::string Line() const { return AseReader.line; }
  std::string Token(int i) const { return AseReader.tokens[i]; }
  velta_test::ScratchDir dir_;
};

TEST_F(Reader, ClassifiesTokensAndPassesOverTheRest) {
  Open("*3DSMAX_ASCIIEXPORT\t200\n*mesh_vertex 0 1 2 3\n\n*UNKNOWN 5\n*NODE_PARENT \"x\"\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, 0);
  EXPECT_EQ(AseReader.tokenCount, 2);
  EXPECT_EQ(Token(1), "200");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, AseNotKeyword) << "keywords are case-sensitive";
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.tokenCount, 0);
  EXPECT_EQ(AseReader.keyword, AseNotKeyword);
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, AseNotKeyword);
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwNodeParent);
  EXPECT_EQ(ReadAseLine(), EndOfFile);
  EXPECT_EQ(ReadAseLine(), EndOfFile);
}

TEST_F(Reader, EveryTableRowClassifiesToItsOwnRow) {
  std::string text;
  for (int row = 0; row < AseKeywordCount; ++row) text += std::string(AseKeywordTable[row]) + " 1\n";
  Open(text);
  for (int row = 0; row < AseKeywordCount; ++row) {
    ASSERT_EQ(ReadAseLine(), LineReady);
    EXPECT_EQ(AseReader.keyword, row) << AseKeywordTable[row];
  }
  EXPECT_STREQ(AseKeywordTable[48], "*GEOMOBJECT");
  EXPECT_STREQ(AseKeywordTable[86], "*NODE_PARENT");
}

TEST_F(Reader, SectionsEndOnTheClosingLineWithoutTokenising) {
  Open("*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 1 2 3\n}\n*MESH_NUMFACES 2\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.depth, 1);
  BeginAseSection();
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMeshVertex);
  ASSERT_EQ(ReadAseLine(), SectionEnd);
  EXPECT_EQ(AseReader.depth, 0);
  EXPECT_EQ(AseReader.sectionTop, 0);
  EXPECT_EQ(AseReader.keyword, KwMeshVertex) << "the closing line is not tokenised";
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMeshNumFaces);
}

TEST_F(Reader, BracesCountOncePerLineEvenInsideQuotes) {
  Open("*MATERIAL 0 {\n*MATERIAL_NAME \"a {weird} name\"\n*MATERIAL_SHINE 0.5\n}\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  BeginAseSection();
  ASSERT_EQ(ReadAseLine(), LineReady) << "+1 then -1 stays at the section's own depth";
  EXPECT_EQ(AseReader.depth, 1);
  EXPECT_EQ(Token(1), "a_{weird}_name");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMaterialShine);
  EXPECT_EQ(ReadAseLine(), SectionEnd);
}

TEST_F(Reader, ClosingBraceAtDepthZeroUnderflows) {
  Open("}\n}\n*MESH 1\n");
  EXPECT_EQ(ReadAseLine(), BraceUnderflow);
  EXPECT_EQ(AseReader.depth, 0);
  EXPECT_EQ(ReadAseLine(), BraceUnderflow);
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMesh);
}

TEST_F(Reader, QuotedTokens) {
  Open("*BITMAP \"C:\\My Maps\\skin\tone.bmp\" tail\n*NODE_NAME \"\" x\n*NODE_NAME \"open ended\n"
       "*NODE_NAME ab\"c d\"\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(1), "C:\\My_Maps\\skin_one.bmp");
  EXPECT_NE(Line().find("My_Maps"), std::string::npos) << "blanks are replaced in the line too";
  EXPECT_EQ(Token(2), "tail");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.tokenCount, 3) << "an empty pair of quotes still counts";
  EXPECT_EQ(Token(1), "");
  EXPECT_EQ(Token(2), "x");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(1), "open_ended");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(1), "ab\"c") << "quotes inside an unquoted token are copied";
  EXPECT_EQ(Token(2), "d\"");
}

TEST_F(Reader, LongLinesAreReadInPiecesOf254) {
  Open(std::string(300, 'x') + "\n" + std::string(253, 'y') + "\r\n" + "*MESH\r\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Line().size(), 254u);
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Line(), std::string(46, 'x') + "\n");
  ASSERT_EQ(ReadAseLine(), LineReady) << "CR LF is one line end, so 253 characters fit in one read";
  EXPECT_EQ(Line(), std::string(253, 'y') + "\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(0), "*MESH") << "no carriage return on the last token";
  EXPECT_EQ(AseReader.keyword, KwMesh);
  EXPECT_EQ(ReadAseLine(), EndOfFile);
}

TEST_F(Reader, LastLineWithoutLineFeedAndLoneCarriageReturns) {
  Open("*MESH_FACE 0:\rA: 1\n*MESH");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(1), "0:\rA:") << "only a CR right before LF is a line end";
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMesh);
  EXPECT_EQ(ReadAseLine(), EndOfFile);
}

TEST_F(Reader, ExcessTokensAndLongTokensAreCutNeverOverrun) {
  std::string many = "*COMMENT";
  for (int i = 1; i < 30; ++i) many += " t" + std::to_string(i);
  Open(many + "\n*COMMENT " + std::string(200, 'z') + " after\n*MESH_VERTEX 1\n");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.tokenCount, AseMaxTokens);
  EXPECT_EQ(Token(19), "t19");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(Token(1), std::string(127, 'z'));
  EXPECT_EQ(Token(2), "after");
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.tokenCount, 2);
  for (int i = 2; i < AseMaxTokens; ++i) EXPECT_EQ(Token(i), "") << "slot " << i;
  EXPECT_EQ(AseTokenInt(4), 0);
  EXPECT_EQ(AseTokenReal(7), 0.0f);
  EXPECT_EQ(AseTokenInt(25), 0);
}

TEST_F(Reader, DeepNestingPastTheSectionStackIsSafe) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "*GEOMOBJECT {\n";
  for (int i = 0; i < 40; ++i) text += "}\n";
  Open(text);
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(ReadAseLine(), LineReady);
    BeginAseSection();
  }
  EXPECT_EQ(AseReader.sectionTop, AseMaxSections);
  int ends = 0;
  for (int32_t r; (r = ReadAseLine()) != EndOfFile;) ends += r == SectionEnd;
  EXPECT_EQ(ends, AseMaxSections);
  EXPECT_EQ(AseReader.depth, 0);
  EXPECT_EQ(AseReader.sectionTop, 0);
}

TEST_F(Reader, EmbeddedNulEndsTheLine) {
  Open(std::string("*MESH\0 {\n*MESH_FACE 1\n", 22));
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.depth, 0) << "the brace after the NUL is not part of the line";
  EXPECT_EQ(AseReader.keyword, KwMesh);
  ASSERT_EQ(ReadAseLine(), LineReady);
  EXPECT_EQ(AseReader.keyword, KwMeshFace);
}

TEST_F(Reader, MissingFileDoesNotOpen) {
  EXPECT_FALSE(OpenAseFile(dir_.File("none.ase").c_str()));
  EXPECT_EQ(ReadAseLine(), EndOfFile);
}

// The parser's reads cut tokens where they lie in the file; every token it can ask for must read
// as the full read's slot does, also where a conversion in place could run on past a token.
TEST_F(Reader, ParserReadsGiveTheTokensOfAFullRead) {
  const std::string text =
      "*MESH_VERTEX 0\t1.5\t-2e3\t+.25\r\n"
      "*MESH_FACE \r 7 \x0b\n"                       // tokens of space characters only
      "*X \"\r\n"                                    // an open quote ending the line
      "*X \"4 5\" 6\t\"\"\t\"\r\"\n"
      "*X " + std::string(200, '9') + " 3\n"         // a number past a slot's 127 characters
      "*X 12" + std::string("\0", 1) + " 34\n"
      "*MESH_TVERT " + std::string(300, '1') + "\n"  // a line past one read
      "*X 0x1A nan inf 1e400 -0 5.\n"
      "*X 77";                                     // no line feed at the end
  std::vector<std::vector<std::string>> full;
  std::vector<std::vector<int32_t>> ints;
  std::vector<std::vector<uint32_t>> reals;
  auto bits = [](float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
  };
  Open(text);
  for (int32_t r; (r = ReadAseLine()) != EndOfFile;) {
    ASSERT_EQ(r, LineReady);
    full.emplace_back();
    ints.emplace_back();
    reals.emplace_back();
    for (int i = 0; i < AseMaxTokens; ++i) {
      full.back().push_back(Token(i));
      ints.back().push_back(AseTokenInt(i));
      reals.back().push_back(bits(AseTokenReal(i)));
    }
  }
  CloseAseFile();
  Open(text);
  for (size_t line = 0; line < full.size(); ++line) {
    ASSERT_EQ(ScanAseLine(), LineReady) << line;
    for (int i = 0; i < AseMaxTokens; ++i) {
      // Numbers first, the way the parser reads them, before any text copy of the token.
      EXPECT_EQ(AseTokenInt(i), ints[line][i]) << "line " << line << " token " << i;
      EXPECT_EQ(bits(AseTokenReal(i)), reals[line][i]) << "line " << line << " token " << i;
      EXPECT_EQ(AseTokenText(i), full[line][i]) << "line " << line << " token " << i;
    }
  }
  EXPECT_EQ(ScanAseLine(), EndOfFile);
}

struct NumberCase {
  const char* token;
  int32_t asInt;
};

TEST_F(Reader, IntegersFollowAtoiAndSaturate) {
  const NumberCase cases[] = {{"12:", 12},         {"-3", -3},   {"+7", 7},   {"abc", 0},
                              {"", 0},             {"0x10", 0},  {"4.9", 4},  {"-", 0},
                              {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX},
                              {"-2147483649", INT32_MIN}, {"99999999999999999999", INT32_MAX},
                              {"65536", 65536}};
  std::string text;
  for (const NumberCase& c : cases) text += std::string("*X ") + (*c.token ? c.token : "\"\"") + "\n";
  Open(text);
  for (const NumberCase& c : cases) {
    ASSERT_EQ(ReadAseLine(), LineReady);
    EXPECT_EQ(AseTokenInt(1), c.asInt) << c.token;
  }
}

TEST_F(Reader, RealsMatchAtofNarrowedToFloat) {
  std::vector<std::string> tokens = {"1.5",  "-0.25", "1e3",   "abc",      ".5",  "5.",     "1e",
                                     "0x10", "-0",    "1e40",  "-1e-50",   "inf", "nan",    "+.e5",
                                     "0.000000000000000000000001234", "123456789012345678901234",
                                     "3.4028235e38", "1.17549435e-38", "0.1", "-87.2343"};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> digits(0, 9), len(1, 12), exp(-30, 30), coin(0, 3);
  for (int i = 0; i < 4000; ++i) {
    std::string s = coin(rng) == 0 ? "-" : "";
    int n = len(rng), dot = len(rng);
    for (int d = 0; d < n; ++d) {
      if (d == dot) s += '.';
      s += static_cast<char>('0' + digits(rng));
    }
    if (coin(rng) == 1) s += "e" + std::to_string(exp(rng));
    tokens.push_back(s);
  }
  std::string text;
  for (const std::string& t : tokens) text += "*X " + t + "\n";
  Open(text);
  for (const std::string& t : tokens) {
    ASSERT_EQ(ReadAseLine(), LineReady);
    float expected = static_cast<float>(std::atof(t.c_str()));
    float got = AseTokenReal(1);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(got)) << t;
    } else {
      EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << t << " " << expected << " " << got;
    }
  }
}

}  // namespace
