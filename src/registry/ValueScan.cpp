#include "registry/ValueScan.h"

#include <cstdlib>
#include <string>

namespace quennet {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  const char l = Lower(c);
  return IsDigit(c) || (l >= 'a' && l <= 'f');
}
int HexValue(char c) {
  return IsDigit(c) ? c - '0' : Lower(c) - 'a' + 10;
}

// Takes the exact letters of word (case-insensitive) into text; false on the
// first mismatch, which makes the whole field fail as it does in the C library.
bool TakeWord(const char*& s, const char* word, std::string& text) {
  for (; *word; ++word, ++s) {
    if (Lower(*s) != *word) return false;
    text.push_back(*s);
  }
  return true;
}

// Collects the characters that the formatted scan takes for a float field.
// Returns false where the scan would report a matching failure.
bool CollectFloat(const char*& s, std::string& text) {
  bool gotSign = false;
  if (*s == '+' || *s == '-') {
    text.push_back(*s++);
    gotSign = true;
    if (*s == '\0') return false;
  }
  if (Lower(*s) == 'n') return TakeWord(s, "nan", text);
  if (Lower(*s) == 'i') {
    if (!TakeWord(s, "inf", text)) return false;
    // "inf" stands alone, but once an 'i' follows, all of "infinity" must.
    return Lower(*s) != 'i' || TakeWord(s, "inity", text);
  }

  bool hex = false, gotDigit = false, gotDot = false, gotExp = false;
  char expChar = 'e';
  if (*s == '0') {
    text.push_back(*s++);
    if (Lower(*s) == 'x') {
      text.push_back(*s++);
      hex = true;
      expChar = 'p';
    } else {
      gotDigit = true;
    }
  }
  for (;; ++s) {
    const char c = *s;
    if (IsDigit(c) || (hex && !gotExp && IsHexDigit(c))) {
      gotDigit = true;
      text.push_back(c);
    } else if (gotExp && text.back() == expChar && (c == '+' || c == '-')) {
      text.push_back(c);
    } else if (gotDigit && !gotExp && Lower(c) == expChar) {
      gotExp = gotDot = true;
      text.push_back(expChar);
    } else if (!gotDot && c == '.') {
      gotDot = true;
      text.push_back(c);
    } else {
      break;
    }
  }
  const size_t prefix = (gotSign ? 1 : 0) + (hex ? 2 : 0);
  return text.size() > prefix;
}

}  // namespace

bool ScanFloat(const char*& p, float& out) {
  const char* s = p;
  SkipSpace(s);
  if (*s == '\0') return false;
  std::string text;
  if (!CollectFloat(s, text)) return false;
  // The collected text may end in an unfinished exponent or be a bare "0x.";
  // strtof converts its longest valid prefix, which is the field's value.
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  if (end == text.c_str()) return false;
  out = value;
  p = s;
  return true;
}

bool ScanInt13(const char*& p, int32_t& out) {
  const char* s = p;
  SkipSpace(s);
  int width = 13;
  bool negative = false;
  if (*s == '+' || *s == '-') {
    negative = *s++ == '-';
    --width;
  }
  // Thirteen digits at most stay far below the range of a 64-bit integer.
  int64_t magnitude = 0;
  int digits = 0;
  for (; width > 0 && IsDigit(*s); --width, ++digits, ++s) magnitude = magnitude * 10 + (*s - '0');
  if (digits == 0) return false;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  p = s;
  return true;
}

bool ScanHex8(const char*& p, uint32_t& out) {
  const char* s = p;
  SkipSpace(s);
  int width = 8;
  bool negative = false;
  bool gotNumber = false;
  if (*s == '+' || *s == '-') {
    negative = *s++ == '-';
    --width;
  }
  if (width > 0 && *s == '0') {
    ++s;
    --width;
    gotNumber = true;  // a lone "0x" prefix still reads as the number 0
    if (width > 0 && Lower(*s) == 'x') {
      ++s;
      --width;
    }
  }
  // Eight hexadecimal digits at most: the magnitude fits in 32 bits.
  uint32_t magnitude = 0;
  for (; width > 0 && IsHexDigit(*s); --width, ++s) {
    magnitude = magnitude * 16 + static_cast<uint32_t>(HexValue(*s));
    gotNumber = true;
  }
  if (!gotNumber) return false;
  out = negative ? 0u - magnitude : magnitude;
  p = s;
  return true;
}

bool ScanWord(const char*& p, char* out, size_t size) {
  const char* s = p;
  SkipSpace(s);
  if (*s == '\0') return false;
  const char* word = s;
  while (*s != '\0' && !IsSpace(*s)) ++s;
  if (size > 0) {
    size_t n = static_cast<size_t>(s - word);
    if (n > size - 1) n = size - 1;
    for (size_t i = 0; i < n; ++i) out[i] = word[i];
    out[n] = '\0';
  }
  p = s;
  return true;
}

}  // namespace quennet
