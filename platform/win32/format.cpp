// wsprintf's format dialect. Every user message is formatted here, so the 1024-byte limit is
// enforced in this one place: output past it is dropped, never written.
#include <windows.h>

#include <cstring>

namespace {

constexpr size_t kLimit = 1024;  // bytes, the terminator included
constexpr size_t kMaxText = kLimit - 1;

struct Sink {
  char* out;
  size_t len = 0;

  size_t Room() const { return kMaxText - len; }
  void Put(char c) {
    if (len < kMaxText) out[len++] = c;
  }
  void Put(const char* s, size_t n) {
    if (n > Room()) n = Room();
    std::memcpy(out + len, s, n);
    len += n;
  }
  void Repeat(char c, size_t n) {
    if (n > Room()) n = Room();
    std::memset(out + len, c, n);
    len += n;
  }
};

struct Conversion {
  bool left = false;
  bool zero = false;
  bool alt = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
  char size = 0;  // 'l', 'h' or none
  char type = 0;
};

// Saturates at the largest int, so a run of digits cannot overflow.
size_t ReadNumber(const char*& p) {
  constexpr size_t kMaxNumber = 0x7FFFFFFF;
  size_t n = 0;
  while (*p >= '0' && *p <= '9') {
    n = n * 10 + size_t(*p - '0');
    if (n > kMaxNumber) n = kMaxNumber;
    ++p;
  }
  return n;
}

void PutPadded(Sink& sink, const Conversion& conv, const char* body, size_t n) {
  size_t pad = conv.width > n ? conv.width - n : 0;
  if (conv.left) {
    sink.Put(body, n);
    sink.Repeat(' ', pad);
  } else {
    sink.Repeat(conv.zero ? '0' : ' ', pad);
    sink.Put(body, n);
  }
}

void PutString(Sink& sink, const Conversion& conv, const char* s) {
  if (!s) s = "(null)";
  // Never read further than can matter: the precision, or what the room and width can use.
  size_t cap = sink.Room() + conv.width;
  if (conv.hasPrecision && conv.precision < cap) cap = conv.precision;
  PutPadded(sink, conv, s, strnlen(s, cap));
}

void PutInteger(Sink& sink, const Conversion& conv, bool negative, uint32_t magnitude) {
  const char* digitSet = conv.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  const uint32_t base = (conv.type == 'x' || conv.type == 'X') ? 16 : 10;
  char digits[16];
  size_t n = 0;
  for (uint32_t v = magnitude; v != 0; v /= base) digits[n++] = digitSet[v % base];
  size_t minDigits = conv.hasPrecision ? conv.precision : 1;
  size_t zeros = minDigits > n ? minDigits - n : 0;

  const char* prefix = "";
  if (negative)
    prefix = "-";
  else if (conv.alt && base == 16 && magnitude != 0)
    prefix = conv.type == 'X' ? "0X" : "0x";
  size_t prefixLen = std::strlen(prefix);

  size_t body = prefixLen + zeros + n;
  size_t pad = conv.width > body ? conv.width - body : 0;
  if (!conv.left && conv.zero && !conv.hasPrecision) {
    zeros += pad;
    pad = 0;
  }
  if (!conv.left) sink.Repeat(' ', pad);
  sink.Put(prefix, prefixLen);
  sink.Repeat('0', zeros);
  while (n > 0) sink.Put(digits[--n]);
  if (conv.left) sink.Repeat(' ', pad);
}

}  // namespace

int wvsprintfA(LPSTR out, LPCSTR fmt, va_list args) {
  if (!out) return 0;
  Sink sink{out};
  va_list ap;
  va_copy(ap, args);
  const char* p = fmt ? fmt : "";
  while (*p && sink.len < kMaxText) {
    if (*p != '%') {
      sink.Put(*p++);
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      sink.Put('%');
      ++p;
      continue;
    }
    Conversion conv;
    for (;; ++p) {
      if (*p == '-')
        conv.left = true;
      else if (*p == '0')
        conv.zero = true;
      else if (*p == '#')
        conv.alt = true;
      else
        break;
    }
    conv.width = ReadNumber(p);
    if (*p == '.') {
      ++p;
      conv.hasPrecision = true;
      conv.precision = ReadNumber(p);
    }
    if (*p == 'l' || *p == 'h') conv.size = *p++;
    conv.type = *p;
    if (conv.type) ++p;

    // LONG is 32 bits here, so 'l' reads the same int as no prefix; 'h' narrows to 16 bits.
    switch (conv.type) {
      case 'd':
      case 'i': {
        int32_t v = va_arg(ap, int);
        if (conv.size == 'h') v = int16_t(v);
        uint32_t magnitude = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
        PutInteger(sink, conv, v < 0, magnitude);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        uint32_t v = va_arg(ap, unsigned);
        if (conv.size == 'h') v = uint16_t(v);
        PutInteger(sink, conv, false, v);
        break;
      }
      case 'c':
      case 's':
        if (conv.size != 'l') {
          if (conv.type == 's') {
            PutString(sink, conv, va_arg(ap, const char*));
          } else {
            char c = char(va_arg(ap, int));
            PutPadded(sink, conv, &c, 1);
          }
          break;
        }
        [[fallthrough]];
      default:
        // Not in the dialect (wide text, '+', '*', an unknown letter, a cut-off conv): copy
        // it as it stands and take no argument for it.
        sink.Put(start, size_t(p - start));
        break;
    }
  }
  va_end(ap);
  out[sink.len] = '\0';
  return int(sink.len);
}

int wsprintfA(LPSTR out, LPCSTR fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = wvsprintfA(out, fmt, args);
  va_end(args);
  return n;
}
