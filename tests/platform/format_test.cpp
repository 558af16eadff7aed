#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// Formats through wvsprintfA and checks that the count returned matches what was written.
std::string Format(const char* fmt, ...) {
  char buf[1024];
  std::memset(buf, 'Z', sizeof buf);
  va_list args;
  va_start(args, fmt);
  int n = wvsprintfA(buf, fmt, args);
  va_end(args);
  EXPECT_GE(n, 0);
  EXPECT_LT(n, 1024);
  EXPECT_EQ(buf[n], '\0') << fmt;
  return std::string(buf, size_t(n));
}

struct Row {
  std::string got;
  std::string want;
};

void Check(const Row* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) EXPECT_EQ(rows[i].got, rows[i].want) << "row " << i;
}

}  // namespace

TEST(Wsprintf, Conversions) {
  const char unterminated[4] = {'a', 'b', 'c', 'd'};
  const Row rows[] = {
      {Format("%d", 0), "0"},
      {Format("%d", -123), "-123"},
      {Format("%d", INT_MIN), "-2147483648"},
      {Format("%i", INT_MAX), "2147483647"},
      {Format("%u", 4294967295u), "4294967295"},
      {Format("%u", -1), "4294967295"},
      {Format("%x", 255), "ff"},
      {Format("%X", 0xABCDEF), "ABCDEF"},
      {Format("%x", 0), "0"},
      {Format("%c", 'A'), "A"},
      {Format("%ld", -5), "-5"},
      {Format("%li", 5), "5"},
      {Format("%lu", 3000000000u), "3000000000"},
      {Format("%lx", 0xDEADBEEFu), "deadbeef"},
      {Format("%lX", 0xDEADBEEFu), "DEADBEEF"},
      {Format("%hd", 70000), "4464"},
      {Format("%hu", 65537), "1"},
      {Format("%hs", "narrow"), "narrow"},
      {Format("%s", "abc"), "abc"},
      {Format("%s", static_cast<const char*>(nullptr)), "(null)"},
      {Format("%s", "\xBA\xA7\xC5\xB8"), "\xBA\xA7\xC5\xB8"},
      {Format("100%%"), "100%"},
      {Format("%%d", 1), "%d"},
      {Format("%s=%d (%x)%c", "n", 10, 10, '!'), "n=10 (a)!"},
      {Format("%.3s", unterminated), "abc"},
  };
  Check(rows, std::size(rows));
}

TEST(Wsprintf, FlagsWidthAndPrecision) {
  const Row rows[] = {
      {Format("%5d", 42), "   42"},
      {Format("%-5d|", 42), "42   |"},
      {Format("%05d", 42), "00042"},
      {Format("%05d", -42), "-0042"},
      {Format("%-05d|", 42), "42   |"},
      {Format("%08lX", 0x8876017Cu), "8876017C"},
      {Format("%08x", 0x1Cu), "0000001c"},
      {Format("%#x", 255), "0xff"},
      {Format("%#X", 255), "0XFF"},
      {Format("%#x", 0), "0"},
      {Format("%#06x", 255), "0x00ff"},
      {Format("%#8x", 255), "    0xff"},
      {Format("%-#8x|", 255), "0xff    |"},
      {Format("%.3d", 7), "007"},
      {Format("%5.3d", -7), " -007"},
      {Format("%05.3d", 7), "  007"},
      {Format("%2d", 12345), "12345"},
      {Format("%5c", 'A'), "    A"},
      {Format("%-3c|", 'A'), "A  |"},
      {Format("%5s", "ab"), "   ab"},
      {Format("%-5s|", "ab"), "ab   |"},
      {Format("%05s", "ab"), "000ab"},
      {Format("%.2s", "abc"), "ab"},
      {Format("%.0s", "abc"), ""},
      {Format("%.s", "abc"), ""},
      {Format("%5.1s", "xyz"), "    x"},
      {Format("%.10s", "ab"), "ab"},
      {Format("%.4s", static_cast<const char*>(nullptr)), "(nul"},
  };
  Check(rows, std::size(rows));
}

// Specs outside the dialect are copied as written and take no argument.
TEST(Wsprintf, UnknownConversionsAreCopied) {
  const Row rows[] = {
      {Format("%y %d", 5), "%y 5"},
      {Format("%5q|%d", 5), "%5q|5"},
      {Format("%+d %d", 5), "%+d 5"},
      {Format("%*d %d", 5), "%*d 5"},
      {Format("%ls %d", 5), "%ls 5"},
      {Format("%S %d", 5), "%S 5"},
      {Format("%f %d", 5), "%f 5"},
      {Format("abc%"), "abc%"},
      {Format("abc%-0#12.3l"), "abc%-0#12.3l"},
  };
  Check(rows, std::size(rows));
}

TEST(Wsprintf, VariadicFormAndBadArguments) {
  char buf[64];
  EXPECT_EQ(wsprintfA(buf, "%s %d", "x", 7), 3);
  EXPECT_STREQ(buf, "x 7");
  EXPECT_EQ(wsprintfA(buf, nullptr), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(wsprintfA(nullptr, "abc"), 0);
  // A NUL character is written and counted, as the dialect does.
  EXPECT_EQ(wsprintfA(buf, "a%cb", 0), 3);
  EXPECT_EQ(std::memcmp(buf, "a\0b", 4), 0);
}

// The output never passes 1024 bytes with its terminator, whatever produces it.
TEST(Wsprintf, OutputCappedAt1024Bytes) {
  struct Guarded {
    char buf[1024];
    char guard[64];
  };
  const std::string big(5000, 'a');
  const std::string exact(1023, 'b');
  const std::string over(1024, 'c');

  auto run = [](Guarded& g, const char* fmt, auto... args) {
    std::memset(&g, '#', sizeof g);
    int n = wsprintfA(g.buf, fmt, args...);
    for (char c : g.guard) EXPECT_EQ(c, '#') << fmt;
    return n;
  };
  Guarded g;
  EXPECT_EQ(run(g, "%s", big.c_str()), 1023);
  EXPECT_EQ(std::string(g.buf), big.substr(0, 1023));
  EXPECT_EQ(run(g, big.c_str()), 1023);
  EXPECT_EQ(std::strlen(g.buf), 1023u);
  EXPECT_EQ(run(g, "%s", exact.c_str()), 1023);
  EXPECT_EQ(std::string(g.buf), exact);
  EXPECT_EQ(run(g, "%s", over.c_str()), 1023);
  EXPECT_EQ(run(g, "%2000d", 7), 1023);
  EXPECT_EQ(std::string(g.buf), std::string(1023, ' '));
  EXPECT_EQ(run(g, "%-2000d|", 7), 1023);
  EXPECT_EQ(g.buf[0], '7');
  EXPECT_EQ(run(g, "%099999999999d", 7), 1023);
  EXPECT_EQ(run(g, "%s%d%s", exact.c_str(), 12345, "tail"), 1023);
  EXPECT_EQ(std::string(g.buf), exact);
  // A width past the room must not pad ahead of a text that fills the room by itself.
  EXPECT_EQ(run(g, "%1030s", big.c_str()), 1023);
  EXPECT_EQ(std::string(g.buf), big.substr(0, 1023));
  EXPECT_EQ(run(g, "%1030s", "abcdef"), 1023);
  EXPECT_EQ(std::string(g.buf), std::string(1023, ' '));
  EXPECT_EQ(run(g, "%1020s", "abcdef"), 1020);
  EXPECT_EQ(std::string(g.buf), std::string(1014, ' ') + "abcdef");
}
