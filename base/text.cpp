#include "base/text.h"

#include <cstdio>
#include <cstring>

namespace vx {

std::size_t SjisWidth(char32_t c) {
  if (c <= 0x80) return 1;                   // ASCII, and 0x80 as Windows' code page has it
  if (c >= 0xFF61 && c <= 0xFF9F) return 1;  // half-width katakana
  if (c >= 0xF8F0 && c <= 0xF8F3) return 1;  // 0xA0 and 0xFD..0xFF as Windows' code page has them
  if (c >= 0xDC00 && c <= 0xDCFF) return 1;  // an escaped byte
  return c >= 0x10000 ? 4 : 2;
}

std::size_t SjisWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {  // most text is ASCII
      ++width;
      ++i;
      continue;
    }
    width += SjisWidth(NextCodePoint(utf8, i));
  }
  return width;
}

std::size_t SjisWidth(std::u16string_view utf16) {
  std::size_t width = 0;
  for (char16_t u : utf16) width += (u >= 0xD800 && u <= 0xDFFF) ? 2 : SjisWidth(static_cast<char32_t>(u));
  return width;
}

bool IsAscii(std::string_view s) {
  // Eight bytes at a time: whole settings files are asked.
  std::size_t i = 0;
  std::uint64_t high = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    high |= word;
  }
  for (; i < s.size(); ++i) high |= static_cast<unsigned char>(s[i]);
  return (high & 0x8080808080808080u) == 0;
}

std::string CutToSjisWidth(const std::string& s, std::size_t maxBytes, bool wholeCodes) {
  if (s.size() <= maxBytes) return s;  // no character is narrower than its UTF-8 bytes
  auto escaped = [](char32_t c, unsigned lo, unsigned hi) { return c >= 0xDC00 + lo && c <= 0xDC00 + hi; };
  std::size_t end = 0, width = 0;
  while (end < s.size()) {
    std::size_t next = end;
    const char32_t c = NextCodePoint(s, next);
    std::size_t w = SjisWidth(c);
    if (wholeCodes && (escaped(c, 0x81, 0x9F) || escaped(c, 0xE0, 0xFC)) && next < s.size()) {
      std::size_t after = next;
      const char32_t t = NextCodePoint(s, after);
      if (escaped(t, 0x40, 0x7E) || escaped(t, 0x80, 0xFC)) {
        next = after;
        w = 2;
      }
    }
    if (width + w > maxBytes) break;
    width += w;
    end = next;
  }
  return s.substr(0, end);
}

std::string FoldCase(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string Format(const std::string& pattern, const std::string& arg) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i)
    if (pattern[i] == '%' && (pattern[i + 1] == 's' || pattern[i + 1] == 'd'))
      return pattern.substr(0, i) + arg + pattern.substr(i + 2);
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

std::string ExtractFileName(const std::string& path) {
  const std::size_t i = path.find_last_of("\\/:");
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t i = path.find_last_of(".\\/:");
  if (i == std::string::npos || path[i] != '.') return path + ext;
  return path.substr(0, i) + ext;
}

std::string ExtractFileDir(const std::string& path) {
  const std::size_t i = path.find_last_of("\\:");
  if (i == std::string::npos) return "";
  // "C:\dir\file" gives "C:\dir"; a root keeps its backslash: "C:\".
  const bool root = path[i] == ':' || i == 0 || path[i - 1] == ':';
  return path.substr(0, root ? i + 1 : i);
}

}  // namespace vx
