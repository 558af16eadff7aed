#include <windows.h>

#include "win32/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kErrorCaption[] = "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF";  // the loader's error caption
const std::u16string kErrorCaptionWide = u"\uBCA8\uD0C0 \uC5D0\uB7EC";

std::u16string Widen(UINT codePage, DWORD flags, const char* in, int inLen, int* result = nullptr) {
  char16_t buf[64];
  int n = MultiByteToWideChar(codePage, flags, in, inLen, buf, 64);
  if (result) *result = n;
  return std::u16string(buf, size_t(n > 0 ? n : 0));
}

}  // namespace

TEST(MultiByteToWideChar, KoreanAnsiText) {
  EXPECT_EQ(Widen(CP_ACP, 0, kErrorCaption, -1), kErrorCaptionWide + u'\0');
  EXPECT_EQ(Widen(949, 0, kErrorCaption, 9), kErrorCaptionWide);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kErrorCaption, -1, nullptr, 0), 6);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kErrorCaption, 9, nullptr, 0), 5);
  // A Korean character followed by an ASCII letter keeps both.
  EXPECT_EQ(Widen(CP_ACP, 0,
                  "\xB0\xA1"
                  "A",
                  3),
            u"\uAC00A");
}

TEST(MultiByteToWideChar, Utf8AndEmbeddedNul) {
  EXPECT_EQ(Widen(CP_UTF8, 0, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", -1),
            u"\u00E9\u20AC\U0001F600" + std::u16string(1, u'\0'));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0),
            2);  // a surrogate pair
  EXPECT_EQ(Widen(CP_UTF8, 0, "a\0b", 3), std::u16string(u"a\0b", 3));
  EXPECT_EQ(Widen(CP_ACP, 0, "a\0b", 3), std::u16string(u"a\0b", 3));
}

// Invalid bytes become U+FFFD, or fail the call under MB_ERR_INVALID_CHARS.
TEST(MultiByteToWideChar, InvalidSequences) {
  struct Case {
    UINT codePage;
    const char* in;
    int len;
    std::u16string lenient;
  };
  const Case cases[] = {
      {CP_UTF8, "\xC3", 1, u"\uFFFD"},
      {CP_UTF8, "a\xC0\xAF", 3, u"a\uFFFD\uFFFD"},          // overlong
      {CP_UTF8, "\xED\xA0\x80", 3, u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {CP_UTF8, "\xF4\x90\x80\x80", 4, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {CP_ACP,
       "\xFF"
       "a",
       2, u"\uFFFDa"},
      {CP_ACP, "\xB0\x20", 2, u"\uFFFD "},  // a lead byte with no trail
      {CP_ACP, "a\xB0", 2, u"a\uFFFD"},     // a lead byte at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Widen(c.codePage, 0, c.in, c.len), c.lenient) << c.in;
    int n = -1;
    Widen(c.codePage, MB_ERR_INVALID_CHARS, c.in, c.len, &n);
    EXPECT_EQ(n, 0) << c.in;
  }
}

TEST(MultiByteToWideChar, BadArgumentsAndSmallBuffers) {
  char16_t buf[8];
  const struct {
    UINT codePage;
    DWORD flags;
    const char* in;
    int inLen;
    char16_t* out;
    int outLen;
  } cases[] = {
      {1252, 0, "abc", -1, buf, 8},  // no such code page here
      {CP_ACP, 0, nullptr, -1, buf, 8},
      {CP_ACP, 0, "abc", 0, buf, 8},
      {CP_ACP, 0, "abc", -2, buf, 8},
      {CP_ACP, 0, "abc", -1, buf, -1},
      {CP_ACP, 0, "abc", -1, nullptr, 8},
      {CP_UTF8, MB_PRECOMPOSED, "abc", -1, buf, 8},  // UTF-8 takes no such flag
      {CP_ACP, 0x100, "abc", -1, buf, 8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MultiByteToWideChar(c.codePage, c.flags, c.in, c.inLen, c.out, c.outLen), 0)
        << c.codePage;

  // Too small: nothing written.
  for (char16_t& w : buf) w = u'#';
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kErrorCaption, -1, buf, 5), 0);
  for (char16_t w : buf) EXPECT_EQ(w, u'#');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kErrorCaption, -1, buf, 6), 6);
}

TEST(PlatformAnsiToUtf8, KoreanAsciiAndInvalid) {
  EXPECT_EQ(PlatformAnsiToUtf8(kErrorCaption), "\xEB\xB2\xA8\xED\x83\x80 \xEC\x97\x90\xEB\x9F\xAC");
  EXPECT_EQ(PlatformAnsiToUtf8("No ZBuffer\r\n"), "No ZBuffer\r\n");
  EXPECT_EQ(PlatformAnsiToUtf8(""), "");
  EXPECT_EQ(PlatformAnsiToUtf8("x\xFF"), "x\xEF\xBF\xBD");
}

TEST(LstrcmpiA, CaseInsensitiveOrder) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"abc", "ABC", 0},
      {"Skin.BMP", "skin.bmp", 0},
      {"abc", "abd", -1},
      {"ABC", "abd", -1},
      {"b", "A", 1},
      {"", "", 0},
      {"a", "", 1},
      {"", "a", -1},
      {"abc", "abcd", -1},
      {"_", "A", -1},  // letters fold to lower case, which sorts after '_'
      {"[", "a", -1},
      {nullptr, nullptr, 0},
      {nullptr, "", -1},
      {"", nullptr, 1},
      {"\xB0\xA1"
       "A",
       "\xB0\xA1"
       "a",
       0},                           // letters after a Korean character still fold
      {"\x81\x41", "\x81\x61", -1},  // two different characters whose trail bytes are letters
      {"x\x81\x61", "X\x81\x41", 1},
  };
  for (const auto& c : cases) {
    int r = lstrcmpiA(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign)
        << (c.a ? c.a : "(null)") << " vs " << (c.b ? c.b : "(null)");
  }
}
