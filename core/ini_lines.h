// The text rules of the settings file's lines, as the engine reads them:
// where a line ends, what a section header and a key line name, how names
// compare and hash (without regard to ASCII case; the file's text is
// UTF-8 here, where no byte of a character beyond ASCII is a bracket, a
// line end or a letter), and the walks over the header lines
// and over one section's key lines. Included by the engine alone.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text.h"

namespace vx::ini {

using Offset = std::uint32_t;
constexpr Offset kNone = UINT32_MAX;

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s) {
  // Most names and values have no blanks around them.
  if (s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back()))) return s;
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A key line: "name = value", neither a comment nor a blank line.
inline bool KeyName(std::string_view text, std::string_view& name, std::size_t* equals = nullptr) {
  // A byte loop: the '=' of a key line comes after a short name.
  std::size_t eq = 0;
  while (eq < text.size() && text[eq] != '=') ++eq;
  if (eq == text.size()) return false;
  std::string_view t = Trim(text.substr(0, eq));
  if (t.empty() || t[0] == ';') return false;
  name = t;
  if (equals) *equals = eq;
  return true;
}

// The bytes at which the scan of a section name stops to look closer: the
// bracket and the line ends.
struct NameStops {
  bool stop[256] = {};
  constexpr NameStops() {
    stop[static_cast<unsigned char>(']')] = stop[static_cast<unsigned char>('\n')] =
        stop[static_cast<unsigned char>('\r')] = true;
  }
};
inline constexpr NameStops kNameStops;

// The name of the section header that starts at `at`: "[name]" after
// optional blanks, or "[name" to the end of the line. The closing bracket is
// the first of the line. Read straight from the file's bytes, without
// looking for the line's end first (a table probe reads many headers).
inline bool SectionNameAt(std::string_view bytes, Offset at, std::string_view& name) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t b = at;
  while (b < size && IsBlank(data[b])) ++b;
  if (b >= size || data[b] != '[') return false;
  // The line's text ends before "\n", or before "\r\n"; a "\r" that ends
  // the file is text, as Line takes it.
  auto lineEndsAt = [&](std::size_t i) {
    return data[i] == '\n' || (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n');
  };
  std::size_t close = b + 1;
  for (;;) {
    while (close < size && !kNameStops.stop[static_cast<unsigned char>(data[close])]) ++close;
    if (close >= size || data[close] == ']' || lineEndsAt(close)) break;
    ++close;  // a lone "\r"
  }
  close = std::min(close, size);
  name = Trim(std::string_view(data + b + 1, close - b - 1));
  return true;
}

// The value of a key line: after its first '=' (a byte loop, as in KeyName).
inline std::string_view ValueOf(std::string_view text) {
  std::size_t eq = 0;
  while (eq < text.size() && text[eq] != '=') ++eq;
  return Trim(text.substr(eq + 1));
}

inline unsigned char Upper(char ch) {
  const unsigned char c = static_cast<unsigned char>(ch);
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Names compare and hash without regard to ASCII case. 64 bits on every build: the
// table takes its slot from the low bits and a line's tag from the high.
inline std::uint64_t FoldHash(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;
  for (char c : s) h = (h ^ Upper(c)) * 1099511628211ull;
  return h ^ (h >> 29);
}

// Whether `s` is what stands at `at` (a byte loop: names are short).
inline bool SameBytes(const char* at, std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (at[i] != s[i]) return false;
  return true;
}

// Whether the bytes at `at` are `s`, none of them a line feed, so that they
// stand within one line. Eight bytes at a time: a value is compared for
// every key a save writes.
inline bool SameLineText(const char* at, std::string_view s) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, at + i, 8);
    std::memcpy(&b, s.data() + i, 8);
    const std::uint64_t lf = b ^ (kOnes * '\n');  // a zero byte where b holds a line feed
    if (a != b || ((lf - kOnes) & ~lf & kHighs)) return false;
  }
  for (; i < s.size(); ++i)
    if (at[i] != s[i] || s[i] == '\n') return false;
  return true;
}

// The folded comparison of two names of one size.
inline bool FoldedEqual(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i] && Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

inline bool FoldEqual(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  // Callers mostly spell a name as the file does: the same bytes are equal
  // whatever they hold.
  std::size_t same = 0;
  while (same < n && a[same] == b[same]) ++same;
  if (same == n) return true;
  // Bytes that differ even folded differ.
  if (Upper(a[same]) != Upper(b[same])) return false;
  return FoldedEqual(a, b);
}

// The line that starts at `at`: its text without the line end, and where
// the next line starts.
struct LineAt {
  std::string_view text, eol;
  Offset next;
};
inline LineAt Line(std::string_view bytes, Offset at) {
  const std::size_t nl = bytes.find('\n', at);
  if (nl == std::string_view::npos) return LineAt{bytes.substr(at), {}, static_cast<Offset>(bytes.size())};
  std::size_t end = nl;
  if (end > at && bytes[end - 1] == '\r') --end;
  return LineAt{bytes.substr(at, end - at), bytes.substr(end, nl + 1 - end), static_cast<Offset>(nl + 1)};
}

inline bool KeyNameAt(std::string_view bytes, Offset at, std::string_view& name) {
  return KeyName(Line(bytes, at).text, name);
}

// "key=value", or key="value".
inline std::string KeyLine(std::string_view key, std::string_view value, bool quoted = false) {
  std::string line;
  line.reserve(key.size() + 3 + value.size());
  line.append(key).push_back('=');
  if (quoted) line.push_back('"');
  line.append(value);
  if (quoted) line.push_back('"');
  return line;
}

// Calls `f` with the start of every header line: one whose first byte
// after blanks is '['. Found by looking for '[' and checking that only
// blanks stand between it and the line's start, so the walk goes from
// bracket to bracket rather than line by line.
template <class F>
void ForEachHeaderLine(std::string_view bytes, F f) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  for (std::size_t at = 0; at < size;) {
    const void* hit = std::memchr(data + at, '[', size - at);
    if (!hit) return;
    const std::size_t open = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    std::size_t start = open;
    while (start > 0 && IsBlank(data[start - 1])) --start;
    if (start == 0 || data[start - 1] == '\n') f(static_cast<Offset>(start));
    at = open + 1;
  }
}

// A key line as a walk over a section sees it.
struct KeyLineAt {
  Offset at, next;        // where it starts, and where the line after it does
  std::string_view text;  // without the line end
  std::string_view name;  // trimmed
  std::string_view rest;  // after the '=', as it stands
  bool hinted;            // its name is the hint, byte for byte
};

// Walks the lines of the section whose header line starts at `header`, up
// to the next header line, and calls `each` with every key line. Returns
// where the next header line starts, or kNone at the end of the file.
// `hint()` names the key the caller expects next (or none): a line that
// starts with exactly "hint=" is that key's without a closer look. A hint
// holds no '=' and starts with neither ';' nor '[' (BatchFits sees to it).
template <class Hint, class F>
Offset ForEachKeyLine(std::string_view bytes, Offset header, Hint hint, F each) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  for (Offset at = Line(bytes, header).next; at < size;) {
    // The line's text ends before "\n" or "\r\n"; without a "\n" it runs to
    // the end of the file, a last "\r" included, as Line takes it.
    const void* hit = std::memchr(data + at, '\n', size - at);
    const std::size_t nl = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : size;
    const Offset next = hit ? static_cast<Offset>(nl + 1) : static_cast<Offset>(size);
    const std::size_t textEnd = hit && nl > at && data[nl - 1] == '\r' ? nl - 1 : nl;
    std::size_t first = at;
    while (first < textEnd && IsBlank(data[first])) ++first;
    if (first < textEnd && data[first] == '[') return at;
    const std::string_view text(data + at, textEnd - at);
    const std::string_view expected = hint();
    std::string_view name;
    std::size_t eq = expected.size();
    const bool hinted = !expected.empty() && text.size() > eq && text[eq] == '=' && SameBytes(text.data(), expected);
    if (hinted)
      name = text.substr(0, eq);
    else if (!KeyName(text, name, &eq))
      name = {};
    if (name.data()) each(KeyLineAt{at, next, text, name, text.substr(eq + 1), hinted});
    at = next;
  }
  return kNone;
}

// One pair of enclosing quotes removed.
inline std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace vx::ini
