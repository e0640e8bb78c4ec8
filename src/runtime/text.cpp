#include "runtime/text.h"

#include <vector>

namespace rt {
namespace {

// Decodes UTF-8 leniently: a byte that is not part of a valid sequence is
// kept as an escape (U+DC80 + byte) and written back unchanged by Encode.
std::u32string Decode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t extra = lead < 0x80                   ? 0
                         : lead >= 0xF0 && lead < 0xF5 ? 3
                         : lead >= 0xE0 && lead < 0xF0 ? 2
                         : lead >= 0xC2 && lead < 0xE0 ? 1
                                                       : 4;  // not a lead byte
    bool valid = extra < 4 && i + extra < text.size();
    char32_t code = extra == 0 ? char32_t{lead} : char32_t{lead} & (char32_t{0x3F} >> extra);
    for (size_t k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (char32_t{next} & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8:
    // their bytes are kept one by one, like any stray byte.
    constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (code < kLeast[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF))
      valid = false;
    if (valid) {
      out.push_back(code);
      i += extra + 1;
    } else {
      out.push_back(0xDC00 + lead);
      ++i;
    }
  }
  return out;
}

void Encode(char32_t code, std::string& out) {
  if (code >= 0xDC80 && code <= 0xDCFF) {
    out.push_back(static_cast<char>(code - 0xDC00));
  } else if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

char32_t Upper(char32_t c) {
  if (c < 0x80) return UpperAscii(c);
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;  // Latin-1 Supplement
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
      c != 0x17F) {
    // Latin Extended-A pairs: even/odd, except the run 0x139-0x148 and 0x179-0x17E,
    // which pair odd/even.
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddPairs ? (c % 2 == 0) : (c % 2 == 1)) return c - 1;
  }
  return c;
}

bool GlobMatch(const std::u32string& p, size_t pi, const std::u32string& n, size_t ni) {
  // Iterative matcher with one backtrack point, linear in practice.
  size_t starP = std::u32string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || Upper(p[pi]) == Upper(n[ni]))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::u32string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

}  // namespace

std::string rtcUpperCaseVar(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : Decode(text)) Encode(Upper(c), out);
  return out;
}

std::string rtcTrimVar(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return rtcUpperCaseVar(a) == rtcUpperCaseVar(b);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  const std::u32string p = Decode(pattern), n = Decode(name);
  if (GlobMatch(p, 0, n, 0)) return true;
  // "name.*" also matches "name" without an extension, as on Windows.
  if (p.size() >= 2 && p[p.size() - 2] == U'.' && p.back() == U'*' &&
      n.find(U'.') == std::u32string::npos)
    return GlobMatch(p.substr(0, p.size() - 2), 0, n, 0);
  return false;
}

}  // namespace rt
