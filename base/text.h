// Text helpers shared by every layer. Text inside the program is UTF-8; a
// byte of a Shift-JIS settings file that is no character there is held as
// one escaped code point, U+DC00 plus the byte (base/codepage.h), so that
// the file's bytes come back as they were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// The code point that starts at `i`, and `i` moved past it. Surrogates
// encoded on their own (the escaped bytes) are code points here; a
// malformed byte is one code point of its own value plus 0xDC00 marked by
// `malformed`, and moves `i` by one.
inline char32_t NextCodePoint(std::string_view s, std::size_t& i, bool* malformed = nullptr) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  const std::size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  bool ok = len != 0 && i + len <= s.size();
  for (std::size_t k = 1; ok && k < len; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    ok = (t & 0xC0) == 0x80;
    c = (c << 6) | (t & 0x3F);
  }
  // Overlong forms and values beyond Unicode are malformed.
  static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (ok && (c < kMinimum[len] || c > 0x10FFFF)) ok = false;
  if (malformed) *malformed = !ok;
  if (!ok) {
    ++i;
    return 0xDC00 + b;
  }
  i += len;
  return c;
}

// How many bytes a character takes in Shift-JIS, where the settings file,
// the fields and the tooltip count their limits: one for ASCII and the
// half-width katakana, two for the others. A character that Shift-JIS lacks
// counts two bytes for each UTF-16 unit it takes, so no field takes more
// than it would in Shift-JIS; an escaped byte counts one.
std::size_t SjisWidth(char32_t c);
std::size_t SjisWidth(std::string_view utf8);
std::size_t SjisWidth(std::u16string_view utf16);

// Whether every byte is ASCII: such text is the same in UTF-8 and Shift-JIS.
bool IsAscii(std::string_view s);

// The longest prefix of `s` whose Shift-JIS width is at most `maxBytes`; a
// cut never splits a character (nor a surrogate pair). With `wholeCodes`,
// the text is a Shift-JIS file's: an escaped lead byte and the escaped
// trail byte after it are one double-byte code, never cut apart.
std::string CutToSjisWidth(const std::string& s, std::size_t maxBytes, bool wholeCodes = false);

// ASCII letters folded to upper case, as names compare in the settings file.
std::string FoldCase(const std::string& s);

// Replaces the first "%s" or "%d" of `pattern` with `arg`.
std::string Format(const std::string& pattern, const std::string& arg);
std::string Format(const std::string& pattern, long long arg);

// Reads an integer as the settings file stores it: optional leading blanks,
// an optional sign, then decimal digits, or hexadecimal digits after "$" or
// after "0x"/"0X". Hexadecimal values up to 0xFFFFFFFF wrap to 32 bits as a
// 32-bit register holds them. Returns false for any other text or a value
// outside 32 bits.
bool ParseInt32(std::string_view text, std::int32_t& value);

// The file-name part of a path (after the last '\\', '/' or ':'), and the
// path with its extension replaced. In UTF-8 no byte of a character beyond
// ASCII is a separator, so a plain search finds them.
std::string ExtractFileName(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The folder part of a path, without its final backslash unless it is a
// root ("C:\\").
std::string ExtractFileDir(const std::string& path);

}  // namespace vx
