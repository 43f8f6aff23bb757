// Field scanners for parameter value lines. Each reads one field the way the C
// library's formatted scan reads it (glibc's rules for how many characters a
// field takes and when it fails), but converts without undefined behaviour:
// numbers that do not fit are refused instead of overflowing.
//
// Every scanner takes a cursor into a zero-terminated line. On success it stores
// the value, moves the cursor past the field and returns true; on failure it
// leaves the value untouched and returns false (the cursor may have moved).
// Call them under a ClassicLocaleScope: floats are converted with strtof.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quennet {

// White space as the "C" locale defines it: space, \t, \n, \v, \f, \r.
inline bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
inline void SkipSpace(const char*& p) {
  while (IsSpace(*p)) ++p;
}

// "%f": leading white space, then a decimal or hexadecimal float, "nan", "inf" or
// "infinity" (any letter case, optional sign). An exponent mark without digits
// ("1e", "2e+") is taken into the field and ignored. Values beyond the float range
// become infinity or zero, as strtof gives them.
bool ScanFloat(const char*& p, float& out);

// "%13d": leading white space, then at most 13 characters of optional sign and
// decimal digits. A value outside the 32-bit range is refused.
bool ScanInt13(const char*& p, int32_t& out);

// "%8X": leading white space, then at most 8 characters of optional sign, optional
// "0x" prefix and hexadecimal digits; a minus sign negates modulo 2^32.
bool ScanHex8(const char*& p, uint32_t& out);

// "%s" into a buffer of size bytes: leading white space, then the word up to the
// next white space. The word is cut to size - 1 characters and always terminated;
// with size 0 nothing is stored. Fails only when no word is left on the line.
bool ScanWord(const char*& p, char* out, size_t size);

}  // namespace quennet
