#include "base/text.h"

#include <cstdio>

namespace vx {

std::string CutAtCharBoundary(const std::string& s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t end = 0;
  while (end < s.size()) {
    std::size_t step = (IsLeadByte(static_cast<unsigned char>(s[end])) && end + 1 < s.size()) ? 2 : 1;
    if (end + step > maxBytes) break;
    end += step;
  }
  return s.substr(0, end);
}

std::string FoldCase(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c)) {
      ++i;  // skip the trail byte
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

std::string Format(const std::string& pattern, const std::string& arg) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(pattern[i]))) {
      ++i;
      continue;
    }
    if (pattern[i] == '%' && (pattern[i + 1] == 's' || pattern[i + 1] == 'd'))
      return pattern.substr(0, i) + arg + pattern.substr(i + 2);
  }
  return pattern;
}

std::string Format(const std::string& pattern, long long arg) { return Format(pattern, std::to_string(arg)); }

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseInt32(std::string_view text, std::int32_t& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < n && text[i] == '$') {
    hex = true;
    ++i;
  } else if (n > 2 && i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  unsigned long long v = 0;
  for (; i < n; ++i) {
    int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return false;
    v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    std::uint32_t bits = static_cast<std::uint32_t>(v);
    if (negative) bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
  }
  if (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull) return false;
  value = negative ? static_cast<std::int32_t>(0 - static_cast<long long>(v)) : static_cast<std::int32_t>(v);
  return true;
}

}  // namespace vx

namespace vx {

namespace {
// Index of the last byte of `s` that is one of `delims` and not a trail byte.
std::size_t LastDelimiter(const std::string& s, const char* delims) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    for (const char* d = delims; *d; ++d)
      if (s[i] == *d) found = i;
  }
  return found;
}
}  // namespace

std::string ExtractFileName(const std::string& path) {
  std::size_t i = LastDelimiter(path, "\\/:");
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::size_t i = LastDelimiter(path, ".\\/:");
  if (i == std::string::npos || path[i] != '.') return path + ext;
  return path.substr(0, i) + ext;
}

std::string ExtractFileDir(const std::string& path) {
  const std::size_t i = LastDelimiter(path, "\\:");
  if (i == std::string::npos) return "";
  // "C:\dir\file" gives "C:\dir"; a root keeps its backslash: "C:\".
  const bool root = path[i] == ':' || i == 0 || path[i - 1] == ':';
  return path.substr(0, root ? i + 1 : i);
}

}  // namespace vx
