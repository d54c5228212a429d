#include "base/codepage.h"

#include <cstdio>

#include "base/text.h"

namespace vx {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point at `i` and how many UTF-16 units it takes; a lone
// surrogate is a code point of its own.
char32_t CodePointAt(std::u16string_view s, std::size_t i, std::size_t& units) {
  if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
    units = 2;
    return 0x10000 + ((static_cast<char32_t>(s[i]) - 0xD800) << 10) + (static_cast<char32_t>(s[i + 1]) - 0xDC00);
  }
  units = 1;
  return s[i];
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The index of the last path separator of a UTF-8 path (npos: none). In
// UTF-8 no byte of a multi-byte character is ASCII, so a plain search is safe.
std::size_t LastSeparator(const std::string& utf8) { return utf8.find_last_of("\\/:"); }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      ok = (t & 0xC0) == 0x80;
      c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are malformed.
    static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ok && (c < kMinimum[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (!ok) {
      out += static_cast<char16_t>(kReplacement);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t units = 0;
  for (std::size_t i = 0; i < s.size(); i += units) AppendUtf8(out, CodePointAt(s, i, units));
  return out;
}

Cp932Text ToCp932(std::u16string_view text, const CodePage& codePage) {
  Cp932Text out;
  out.text = codePage.Encode(text);
  if (codePage.Decode(out.text) == text) return out;
  // Something did not come back: find each character that does not.
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); i += units) {
    const char32_t c = CodePointAt(text, i, units);
    const std::u16string_view one = text.substr(i, units);
    const bool lone = units == 1 && (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]));
    if ((lone || codePage.Decode(codePage.Encode(one)) != one) && out.lost.find(c) == std::u32string::npos)
      out.lost += c;
  }
  // A text can fail as a whole only through its characters; should a codec
  // ever disagree with itself, the text is still not taken as exact.
  if (out.lost.empty()) out.lost += kReplacement;
  return out;
}

std::string CharacterList(const std::u32string& chars) {
  std::string out;
  for (char32_t c : chars) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

FilePath::FilePath(std::string utf8Path) : utf8(std::move(utf8Path)) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80)
      display += static_cast<char>(b);
    else if ((b & 0xC0) != 0x80)
      display += '?';  // one mark for each character, at its first byte
  }
}

FilePath FilePath::WithExtension(const std::string& ext) const {
  const std::size_t sep = LastSeparator(utf8);
  const std::size_t dot = utf8.rfind('.');
  const std::string base =
      (dot != std::string::npos && (sep == std::string::npos || dot > sep)) ? utf8.substr(0, dot) : utf8;
  return FilePath(base + ext, ChangeFileExt(display, ext));
}

FilePath FilePath::Folder() const {
  const std::size_t sep = LastSeparator(utf8);
  if (sep == std::string::npos) return FilePath(std::string(), std::string());
  const std::string shown = ExtractFileDir(display);
  // A root keeps its separator: "C:\".
  const bool root = utf8[sep] == ':' || sep == 0 || utf8[sep - 1] == ':';
  return FilePath(utf8.substr(0, root ? sep + 1 : sep), shown);
}

std::string FilePath::FileNameDisplay() const { return ExtractFileName(display); }

}  // namespace vx
