#include "base/codepage.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/text.h"

namespace vx {

CodePage::CodePage() {
  static std::atomic<std::uint64_t> made{0};
  serial_ = ++made;
}

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

// A code point as UTF-8; a surrogate too, as escaped bytes and the lone
// surrogates of a UTF-16 file are held.
void AppendUtf8(std::string& out, char32_t c) {
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

}  // namespace

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {  // most text is ASCII
      out.push_back(static_cast<char16_t>(s[i++]));
      continue;
    }
    bool malformed = false;
    const char32_t c = NextCodePoint(s, i, &malformed);
    if (malformed || (c >= 0xD800 && c <= 0xDFFF)) {
      out += static_cast<char16_t>(kReplacement);
    } else if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t units = 0;
  for (std::size_t i = 0; i < s.size(); i += units) {
    if (s[i] < 0x80) {  // most text is ASCII
      out.push_back(static_cast<char>(s[i]));
      units = 1;
      continue;
    }
    char32_t c = CodePointAt(s, i, units);
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
    AppendUtf8(out, c);
  }
  return out;
}

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The bytes of the Shift-JIS character that starts at `i`: two for a lead
// byte followed by a trail byte, else one.
std::size_t CharBytes(std::string_view s, std::size_t i) {
  return IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && IsTrail(static_cast<unsigned char>(s[i + 1]))
             ? 2
             : 1;
}

// The character that one Shift-JIS character's bytes stand for, when they
// stand for one: `canonical` asks that the code page writes the character
// with these very bytes. Windows decodes a double-byte code it does not
// define as U+30FB, which is itself 0x81 0x45.
bool DecodeChar(std::string_view bytes, const CodePage& codePage, bool canonical, char16_t& unit) {
  if (static_cast<unsigned char>(bytes[0]) < 0x80) {
    unit = static_cast<char16_t>(bytes[0]);
    return true;
  }
  const std::u16string decoded = codePage.Decode(bytes);
  if (decoded.size() != 1 || decoded[0] == kReplacement || (decoded[0] >= 0xD800 && decoded[0] <= 0xDFFF) ||
      (decoded[0] == 0x30FB && bytes != "\x81\x45"))
    return false;
  const std::string again = codePage.Encode(decoded);
  if (canonical ? again != bytes : codePage.Decode(again) != decoded) return false;
  unit = decoded[0];
  return true;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (char b : bytes) AppendUtf8(out, 0xDC00 + static_cast<unsigned char>(b));
}

// One line (or any stretch) of a Shift-JIS file, character by character.
void SjisStretchToText(std::string_view s, const CodePage& codePage, std::string& out) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = CharBytes(s, i);
    char16_t unit = 0;
    if (DecodeChar(s.substr(i, n), codePage, true, unit))
      AppendUtf8(out, unit);
    else
      AppendEscaped(out, s.substr(i, n));
    i += n;
  }
}

void AppendUnit(std::string& out, char32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

}  // namespace

namespace {

// Where the first byte above 0x7F lies at or after `from`, or npos; eight
// bytes at a time, for a file is mostly ASCII.
std::size_t FirstHighByte(std::string_view s, std::size_t from) {
  std::size_t i = from;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if (word & 0x8080808080808080u) break;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return i;
  return std::string_view::npos;
}

// Splits `s` into ASCII runs, which are the same bytes in the file and in
// the text, and whole lines that hold more, which go through the code page
// (a Shift-JIS trail byte may look like ASCII, a line end never does).
// Lines with little ASCII between them make one stretch, so a Japanese file
// goes through the code page in one call; 50 MB of blank lines after the
// items cost a copy.
template <class Ascii, class Other>
bool ForEachStretch(std::string_view s, Ascii ascii, Other other) {
  constexpr std::size_t kGap = 4096;
  std::size_t at = 0;
  for (std::size_t high = FirstHighByte(s, 0); high != std::string_view::npos;) {
    std::size_t begin = s.rfind('\n', high);
    begin = begin == std::string_view::npos || begin < at ? at : begin + 1;
    std::size_t end = high;
    for (;;) {
      end = s.find('\n', end);
      end = end == std::string_view::npos ? s.size() : end + 1;
      high = FirstHighByte(s, end);
      if (high == std::string_view::npos || high - end >= kGap) break;
      end = high;
    }
    if (begin > at) ascii(s.substr(at, begin - at));
    if (!other(s.substr(begin, end - begin))) return false;
    at = end;
  }
  if (at < s.size()) ascii(s.substr(at));
  return true;
}

// A stretch of a Shift-JIS file as text: mostly whole from the code page's
// own conversion; else line by line, and character by character in a line
// that does not come back whole.
void SjisLinesToText(std::string_view bytes, const CodePage& codePage, std::string& out) {
  auto whole = [&](std::string_view stretch, bool lineOnly) {
    const std::u16string decoded = codePage.Decode(stretch);
    if (codePage.Encode(decoded) != stretch) return false;
    for (char16_t c : decoded)
      if (c == kReplacement || c == 0x30FB || (!lineOnly && c >= 0xD800 && c <= 0xDFFF)) return false;
    out += Utf16ToUtf8(decoded);
    return true;
  };
  if (whole(bytes, false)) return;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find('\n', at);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view line = bytes.substr(at, end - at);
    if (IsAscii(line))
      out += line;
    else if (!whole(line, true))
      SjisStretchToText(line, codePage, out);
    at = end;
  }
}

// A stretch of text as Shift-JIS bytes; false when a character has none.
bool TextLinesToSjis(std::string_view text, const CodePage& codePage, std::string& bytes) {
  // Stretches without escaped bytes go through the code page whole; each
  // must come back as it was, or a character has no Shift-JIS form. (A
  // malformed byte, which no stretch of the program's text holds, is read
  // as its escape and stands for itself.)
  std::size_t from = 0;
  auto flush = [&](std::size_t to) {
    if (to == from) return true;
    const std::u16string piece = Utf8ToUtf16(text.substr(from, to - from));
    const std::string encoded = codePage.Encode(piece);
    if (codePage.Decode(encoded) != piece) return false;
    bytes += encoded;
    return true;
  };
  // Mostly the text converts whole; else it goes stretch by stretch.
  if (!HasEscapedBytes(text) && flush(text.size())) return true;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const char32_t c = NextCodePoint(text, i);
    if (c >= 0xDC00 && c <= 0xDCFF) {
      if (!flush(at)) return false;
      bytes += static_cast<char>(c - 0xDC00);
      from = i;
    }
  }
  return flush(text.size());
}

}  // namespace

std::string SjisFileToText(std::string file, const CodePage& codePage) {
  if (FirstHighByte(file, 0) == std::string_view::npos) return file;
  std::string out;
  out.reserve(file.size() + file.size() / 4);
  ForEachStretch(
      file, [&](std::string_view run) { out += run; },
      [&](std::string_view lines) {
        SjisLinesToText(lines, codePage, out);
        return true;
      });
  return out;
}

bool TextToSjisFile(std::string_view text, const CodePage& codePage, std::string& bytes) {
  bytes.clear();
  bytes.reserve(text.size());
  return ForEachStretch(
      text, [&](std::string_view run) { bytes += run; },
      [&](std::string_view lines) { return TextLinesToSjis(lines, codePage, bytes); });
}

std::string Utf16FileToText(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const std::size_t n = bytes.size() / 2;
  const std::size_t low = bigEndian ? 1 : 0;
  auto unit = [&](std::size_t k) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k + low]) |
                                 static_cast<unsigned char>(bytes[2 * k + 1 - low]) << 8);
  };
  for (std::size_t k = 0; k < n;) {
    const char16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
      k += 2;
    } else {
      AppendUtf8(out, u);  // a lone surrogate stays what it is
      ++k;
    }
  }
  return out;
}

bool TextToUtf16File(std::string_view text, const CodePage* escapedFrom, std::string& bytes) {
  bytes.clear();
  bytes.reserve(text.size() * 2);
  std::string escaped;  // a run of escaped bytes
  auto flushEscaped = [&]() {
    for (std::size_t i = 0; i < escaped.size();) {
      const std::size_t n = CharBytes(escaped, i);
      char16_t u = 0;
      if (!DecodeChar(std::string_view(escaped).substr(i, n), *escapedFrom, false, u)) return false;
      AppendUnit(bytes, u);
      i += n;
    }
    escaped.clear();
    return true;
  };
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = NextCodePoint(text, i);
    if (escapedFrom && c >= 0xDC00 && c <= 0xDCFF) {
      escaped += static_cast<char>(c - 0xDC00);
      continue;
    }
    if (!escaped.empty() && !flushEscaped()) return false;
    if (c >= 0x10000) {
      AppendUnit(bytes, 0xD800 + ((c - 0x10000) >> 10));
      AppendUnit(bytes, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      AppendUnit(bytes, c);
    }
  }
  return escaped.empty() || flushEscaped();
}

bool HasEscapedBytes(std::string_view text) {
  // An escaped byte is U+DC00..U+DCFF: ED B0..B3 xx in UTF-8.
  for (std::size_t i = text.find('\xED'); i != std::string_view::npos; i = text.find('\xED', i + 1))
    if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xB0 &&
        static_cast<unsigned char>(text[i + 1]) <= 0xB3)
      return true;
  return false;
}

std::string ShownText(std::string_view text, const CodePage& codePage) {
  if (!HasEscapedBytes(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::string run;  // a run of escaped bytes
  auto flushRun = [&] {
    for (std::size_t i = 0; i < run.size();) {
      const std::size_t n = CharBytes(run, i);
      const std::string_view code = std::string_view(run).substr(i, n);
      char16_t unit = 0;
      if (n == 2 && DecodeChar(code, codePage, false, unit))
        AppendUtf8(out, unit);
      else
        AppendEscaped(out, code);
      i += n;
    }
    run.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const char32_t c = NextCodePoint(text, i);
    if (c >= 0xDC00 && c <= 0xDCFF) {
      run += static_cast<char>(c - 0xDC00);
      continue;
    }
    if (!run.empty()) flushRun();
    out.append(text.substr(at, i - at));
  }
  flushRun();
  return out;
}

FilePath FilePath::WithExtension(const std::string& ext) const { return FilePath(ChangeFileExt(utf8, ext)); }

FilePath FilePath::Folder() const { return FilePath(ExtractFileDir(utf8)); }

std::string FilePath::FileName() const { return ExtractFileName(utf8); }

}  // namespace vx
