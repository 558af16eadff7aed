// Letter case and code pages. The ANSI code page is Korean 949, decoded through the C
// library's iconv; UTF-8 is decoded here. Text goes through code points on the way to UTF-16
// or UTF-8, so both directions share one decoder and one notion of an invalid byte.
#include "win32/text.h"

#include <windows.h>

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

enum class Decoder { Invalid, Korean, Utf8 };

Decoder DecoderFor(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case 949:
      return Decoder::Korean;
    case CP_UTF8:
      return Decoder::Utf8;
    default:
      return Decoder::Invalid;
  }
}

bool AllAscii(const char* in, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(in[i]) >= 0x80) return false;
  return true;
}

// Returns false on an invalid sequence when `strict`; otherwise such bytes become U+FFFD.
bool DecodeKorean(const char* in, size_t n, bool strict, std::u32string& cps) {
  if (AllAscii(in, n)) {
    cps.assign(in, in + n);
    return true;
  }
  const char* target = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
  iconv_t cd = iconv_open(target, "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  cps.assign(n, U'\0');  // never more code points than bytes
  char* src = const_cast<char*>(in);
  size_t srcLeft = n;
  char* dst = reinterpret_cast<char*>(cps.data());
  size_t dstLeft = n * sizeof(char32_t);
  bool ok = true;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
    if (strict || errno == E2BIG) {
      ok = false;
      break;
    }
    // EILSEQ skips one byte, so a bad trail byte is read again as a character of its own;
    // EINVAL (a lead byte at the very end) ends the text.
    std::memcpy(dst, &kReplacement, sizeof kReplacement);
    dst += sizeof kReplacement;
    dstLeft -= sizeof kReplacement;
    if (errno == EINVAL) break;
    ++src;
    --srcLeft;
  }
  iconv_close(cd);
  if (!ok) return false;
  cps.resize((reinterpret_cast<char32_t*>(dst) - cps.data()));
  return true;
}

bool DecodeUtf8(const char* in, size_t n, bool strict, std::u32string& cps) {
  cps.clear();
  const auto* s = reinterpret_cast<const unsigned char*>(in);
  size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    size_t len = b < 0x80             ? 1
                 : (b & 0xE0) == 0xC0 ? 2
                 : (b & 0xF0) == 0xE0 ? 3
                 : (b & 0xF8) == 0xF0 ? 4
                                      : 0;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = len != 0 && i + len <= n;
    for (size_t k = 1; valid && k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80)
        valid = false;
      else
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
    if (!valid) {
      if (strict) return false;
      cps.push_back(kReplacement);
      ++i;
      continue;
    }
    cps.push_back(cp);
    i += len;
  }
  return true;
}

bool Decode(Decoder decoder, const char* in, size_t n, bool strict, std::u32string& cps) {
  return decoder == Decoder::Korean ? DecodeKorean(in, n, strict, cps)
                                    : DecodeUtf8(in, n, strict, cps);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

int FoldAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

}  // namespace

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  // The second byte of a double-byte character may fall on an ASCII letter; folding it would
  // make two different Korean characters equal, so it is compared as it stands.
  bool trail = false;
  for (;; ++x, ++y) {
    int cx = trail ? *x : FoldAscii(*x);
    int cy = trail ? *y : FoldAscii(*y);
    if (cx != cy) return cx < cy ? -1 : 1;
    if (cx == 0) return 0;
    trail = !trail && *x >= 0x81 && *x <= 0xFE;
  }
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR in, int inLen, LPWSTR out, int outLen) {
  Decoder decoder = DecoderFor(codePage);
  if (decoder == Decoder::Invalid || !in || inLen == 0 || inLen < -1 || outLen < 0 ||
      (outLen > 0 && !out))
    return 0;
  DWORD allowed = decoder == Decoder::Utf8 ? MB_ERR_INVALID_CHARS : 0xF;
  if (flags & ~allowed) return 0;
  size_t n = inLen == -1 ? std::strlen(in) + 1 : size_t(inLen);
  if (n > size_t(INT_MAX)) return 0;
  std::u32string cps;
  if (!Decode(decoder, in, n, (flags & MB_ERR_INVALID_CHARS) != 0, cps)) return 0;

  size_t units = 0;
  for (char32_t cp : cps) units += cp >= 0x10000 ? 2 : 1;
  if (units > size_t(INT_MAX)) return 0;
  if (outLen == 0) return int(units);
  if (units > size_t(outLen)) return 0;  // nothing is written to a buffer that is too small
  for (char32_t cp : cps) {
    if (cp >= 0x10000) {
      *out++ = WCHAR(0xD800 + ((cp - 0x10000) >> 10));
      *out++ = WCHAR(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *out++ = WCHAR(cp);
    }
  }
  return int(units);
}

std::string PlatformAnsiToUtf8(std::string_view ansi) {
  std::u32string cps;
  std::string out;
  if (!DecodeKorean(ansi.data(), ansi.size(), false, cps)) {
    // No code page 949 on this host: keep what is ASCII, mark the rest.
    for (char c : ansi) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
  }
  out.reserve(cps.size());
  for (char32_t cp : cps) AppendUtf8(out, cp);
  return out;
}
