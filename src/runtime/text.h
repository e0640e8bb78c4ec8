// Text functions with the letter-case rules of Windows file names.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Upper-cases a UTF-8 text: ASCII and the Latin letters of Unicode's
// Latin-1 Supplement and Latin Extended-A blocks.
std::string rtcUpperCaseVar(std::string_view text);

// The ASCII letters in the other case; every other byte as it is.
constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Strips leading and trailing blanks (spaces only, as the runtime always did).
std::string rtcTrimVar(std::string_view text);

// True when two names are equal without regard to letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Windows wildcard match of a file name: '*' any run, '?' one character;
// "*.*" matches every name, with or without a dot. Letter case is ignored.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace rt
