// Text functions with the letter-case rules of Windows file names.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Upper-cases a UTF-8 text: ASCII and the Latin letters of Unicode's
// Latin-1 Supplement and Latin Extended-A blocks.
std::string rtcUpperCaseVar(std::string_view text);

// The ASCII letters in the other case; every other character as it is.
// For any character type: a byte of UTF-8, a unit of UTF-16, a code point.
template <class Char>
constexpr Char UpperAscii(Char c) {
  return c >= Char{'a'} && c <= Char{'z'} ? static_cast<Char>(c - Char{'a'} + Char{'A'}) : c;
}
template <class Char>
constexpr Char LowerAscii(Char c) {
  return c >= Char{'A'} && c <= Char{'Z'} ? static_cast<Char>(c - Char{'A'} + Char{'a'}) : c;
}

// Strips leading and trailing blanks (spaces only, as the runtime always did).
std::string rtcTrimVar(std::string_view text);

// True when two names are equal without regard to letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Windows wildcard match of a file name: '*' any run, '?' one character;
// "*.*" matches every name, with or without a dot. Letter case is ignored.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace rt
