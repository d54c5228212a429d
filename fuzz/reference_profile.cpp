#include "fuzz/reference_profile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vx::fuzz {

namespace {

// Written from the code page's and the profile functions' rules, sharing no
// code with the engine, so that the two can disagree when one is wrong.

// CP932's lead bytes: 0x81 to 0x9F and 0xE0 to 0xFC start a two-byte
// character (the single bytes 0xA1 to 0xDF are half-width katakana).
const std::array<bool, 256> kLead = [] {
  std::array<bool, 256> lead{};
  for (int b = 0x81; b <= 0x9F; ++b) lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) lead[b] = true;
  return lead;
}();

// A trail byte: 0x40 to 0x7E and 0x80 to 0xFC.
bool Trail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The length of the character at byte i: a lead byte with a trail byte
// after it makes two, anything else one. UTF-8 text has no such pairs that
// matter: no byte of a character beyond ASCII is a bracket or a letter.
std::size_t CharLength(std::string_view s, std::size_t i) {
  return kLead[static_cast<unsigned char>(s[i])] && i + 1 < s.size() && Trail(static_cast<unsigned char>(s[i + 1])) ? 2
                                                                                                                    : 1;
}

// The length of the UTF-8 sequence at byte i (a malformed byte: one), and
// its code point.
std::size_t Utf8Length(std::string_view s, std::size_t i, char32_t& c) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  const std::size_t n = b < 0x80 ? 1 : b >= 0xF0 && b < 0xF8 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) {
    c = b;
    return 1;
  }
  c = n == 1 ? b : b & (0xFF >> (n + 1));
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) {
      c = b;
      return 1;
    }
    c = c << 6 | (t & 0x3F);
  }
  return n;
}

// What a character of a UTF-16 file counts against the limit: its
// Shift-JIS bytes, two for each UTF-16 unit of a character Shift-JIS lacks.
// (The program holds a byte of a Shift-JIS file that is no character as
// U+DC00 plus the byte, counted one; a lone surrogate of a UTF-16 file in
// that range counts the same.)
std::size_t Width(char32_t c) {
  if (c < 0x81 || (c >= 0xFF61 && c <= 0xFF9F) || (c >= 0xF8F0 && c <= 0xF8F3) || (c >= 0xDC00 && c <= 0xDCFF))
    return 1;
  return c >= 0x10000 ? 4 : 2;
}

// An integer as the profile functions' callers read one: spaces, a sign,
// then decimal digits, or hexadecimal ones after "$" or "0x" (the "0x" only
// when something follows it); hexadecimal wraps to 32 bits, decimal must fit.
bool ParseInt32(const std::string& text, std::int32_t& out) {
  std::string_view t = text;
  t.remove_prefix(std::min(t.find_first_not_of(' '), t.size()));
  bool minus = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    minus = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (text.size() > 2 && t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return false;
  std::uint64_t v = 0;
  for (char c : t) {
    const int d = (c >= '0' && c <= '9')                                 ? c - '0'
                  : base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                         : -1;
    if (d < 0) return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;  // beyond 32 bits, however it would go on
  }
  if (base == 16) {
    const std::uint32_t bits = static_cast<std::uint32_t>(minus ? 0x100000000ull - v : v);
    out = static_cast<std::int32_t>(bits);
    return true;
  }
  const std::int64_t signed64 = minus ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
  if (signed64 < INT32_MIN || signed64 > INT32_MAX) return false;
  out = static_cast<std::int32_t>(signed64);
  return true;
}

constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A section header: "[name]" after optional blanks. Yields the trimmed name.
bool SectionName(std::string_view text, std::string_view& name) {
  std::size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  if (b >= text.size() || text[b] != '[') return false;
  // The name ends at the first character that is a "]" (never a trail byte).
  std::size_t close = std::string_view::npos;
  for (std::size_t i = b + 1; i < text.size(); i += CharLength(text, i)) {
    if (CharLength(text, i) == 1 && text[i] == ']') {
      close = i;
      break;
    }
  }
  name = Trim(text.substr(b + 1, close == std::string_view::npos ? std::string_view::npos : close - b - 1));
  return true;
}

// A key line: "name = value", neither a comment nor a blank line.
bool KeyName(std::string_view text, std::string_view& name) {
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return false;
  std::string_view t = Trim(text.substr(0, eq));
  if (t.empty() || t[0] == ';') return false;
  name = t;
  return true;
}

std::string_view ValueOf(std::string_view text) { return Trim(text.substr(text.find('=') + 1)); }

// Is byte i of s the lead byte of a double-byte character (whose trail byte
// is never folded)? In UTF-8 text no letter follows a byte beyond ASCII.
bool LeadAt(std::string_view s, std::size_t i) { return CharLength(s, i) == 2; }

void PutUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void PutUnit(std::string& out, char32_t u) {
  out += static_cast<char>(u & 0xFF);
  out += static_cast<char>(u >> 8 & 0xFF);
}

unsigned char Upper(char ch) {
  const unsigned char c = static_cast<unsigned char>(ch);
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

std::size_t ReferenceProfile::FoldHash::operator()(std::string_view s) const {
  // The name as FoldEqual compares it, hashed by the library.
  std::string folded(s);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (LeadAt(s, i))
      ++i;
    else
      folded[i] = static_cast<char>(Upper(s[i]));
  }
  return std::hash<std::string>()(folded);
}

bool ReferenceProfile::FoldEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LeadAt(a, i)) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}

std::string ReferenceProfile::FromUtf16(std::string_view units) {
  std::string out;
  auto unit = [&](std::size_t k) -> char32_t {
    return static_cast<unsigned char>(units[2 * k]) | static_cast<unsigned char>(units[2 * k + 1]) << 8;
  };
  const std::size_t n = units.size() / 2;
  for (std::size_t k = 0; k < n; ++k) {
    const char32_t u = unit(k);
    if (u >= 0xD800 && u < 0xDC00 && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) < 0xE000) {
      PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
      ++k;
    } else {
      PutUtf8(out, u);
    }
  }
  return out;  // an odd last byte is no unit
}

std::string ReferenceProfile::ToUtf16(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    i += Utf8Length(utf8, i, c);
    if (c >= 0x10000) {
      PutUnit(out, 0xD800 + ((c - 0x10000) >> 10));
      PutUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      PutUnit(out, c);
    }
  }
  return out;
}

ReferenceProfile::ReferenceProfile(std::string bytes) {
  // UTF-16 in either order, or UTF-8 after its mark, is written back as
  // UTF-16 LE.
  const bool le = bytes.rfind("\xFF\xFE", 0) == 0, be = bytes.rfind("\xFE\xFF", 0) == 0;
  const bool utf8 = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  utf16_ = le || be || utf8;
  if (le || be) {
    std::string units = bytes.substr(2);
    if (units.size() % 2) {
      oddByte_ = units.substr(units.size() - 1);
      units.pop_back();
    }
    if (be)
      for (std::size_t k = 0; k + 1 < units.size(); k += 2) std::swap(units[k], units[k + 1]);
    bytes_ = FromUtf16(units);
  } else {
    bytes_ = utf8 ? bytes.substr(3) : std::move(bytes);
  }
  Parse();
}

std::string ReferenceProfile::WholeCharacters(std::string_view s, std::size_t limit) const {
  std::size_t kept = 0, width = 0;
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = 0;
    const std::size_t n = utf16_ ? Utf8Length(s, i, c) : CharLength(s, i);
    width += utf16_ ? Width(c) : n;
    if (width > limit) break;
    kept = i += n;
  }
  return std::string(s.substr(0, kept));
}

std::string_view ReferenceProfile::Keep(std::string_view a, std::string_view b, std::string_view c) {
  const std::size_t size = a.size() + b.size() + c.size();
  if (blockUsed_ + size > blockSize_) {
    blockSize_ = std::max<std::size_t>(size, 64 * 1024);
    blocks_.push_back(std::make_unique<char[]>(blockSize_));
    blockUsed_ = 0;
  }
  char* out = blocks_.back().get() + blockUsed_;
  char* p = out;
  for (std::string_view piece : {a, b, c}) p = std::copy(piece.begin(), piece.end(), p);
  blockUsed_ += size;
  return std::string_view(out, size);
}

void ReferenceProfile::Parse() {
  const std::string_view bytes = bytes_;
  // A section is a header and usually a few keys: reserve for a section per
  // four lines, so that the sections and their index rarely move or rehash.
  const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  sections_.reserve(lines / 4 + 16);
  sectionIndex_.reserve(lines / 4 + 16);
  std::size_t pos = 0;
  Section* current = nullptr;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      std::size_t end = nl;
      if (end > pos && bytes[end - 1] == '\r') --end;
      line.text = bytes.substr(pos, end - pos);
      line.eol = bytes.substr(end, nl + 1 - end);
      pos = nl + 1;
    }
    std::string_view name;
    if (SectionName(line.text, name)) {
      sections_.push_back(Section{line, {}, {}, nullptr, SIZE_MAX});
      current = &sections_.back();
      sectionIndex_.emplace(name, sections_.size() - 1);
    } else if (current) {
      if (KeyName(line.text, name)) {
        current->keys.push_back(Key{name, current->lines.size()});
        current->lastKey = current->lines.size();
      }
      current->lines.push_back(line);
    } else {
      preamble_.push_back(line);
    }
  }
}

const ReferenceProfile::Key* ReferenceProfile::FindIn(const Section& sec, std::string_view key) {
  constexpr std::size_t kScanLimit = 32;
  if (sec.keys.size() <= kScanLimit) {
    for (const Key& k : sec.keys)
      if (FoldEqual()(k.name, key)) return &k;
    return nullptr;
  }
  if (!sec.bigIndex) {
    // Built once when first needed; WriteString keeps it in step after that.
    // emplace keeps the first of duplicate keys.
    sec.bigIndex = std::make_unique<NameIndex>();
    for (std::size_t i = 0; i < sec.keys.size(); ++i) sec.bigIndex->emplace(sec.keys[i].name, i);
  }
  auto it = sec.bigIndex->find(key);
  return it == sec.bigIndex->end() ? nullptr : &sec.keys[it->second];
}

const ReferenceProfile::Line* ReferenceProfile::FindKey(std::string_view section, std::string_view key) const {
  auto s = sectionIndex_.find(Trim(section));
  if (s == sectionIndex_.end()) return nullptr;
  const Section& sec = sections_[s->second];
  const Key* k = FindIn(sec, Trim(key));
  return k ? &sec.lines[k->line] : nullptr;
}

std::string ReferenceProfile::ReadString(const std::string& section, const std::string& key,
                                         const std::string& def) const {
  const Line* line = FindKey(section, key);
  std::string_view value = line ? ValueOf(line->text) : std::string_view(def);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > kValueBufferSize - 1) return WholeCharacters(value, kValueBufferSize - 1);
  return std::string(value);
}

std::int32_t ReferenceProfile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
  if (!FindKey(section, key)) return def;
  std::int32_t v;
  return ParseInt32(ReadString(section, key, ""), v) ? v : def;
}

void ReferenceProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  auto s = sectionIndex_.find(sectionName);
  if (s == sectionIndex_.end()) {
    // A new section goes to the end of the file, after a line end of its own
    // when the file's last line has none.
    Line* last = nullptr;
    if (!sections_.empty())
      last = sections_.back().lines.empty() ? &sections_.back().header : &sections_.back().lines.back();
    else if (!preamble_.empty())
      last = &preamble_.back();
    if (last && last->eol.empty()) last->eol = kCrLf;
    const std::string_view header = Keep("[", sectionName, "]");
    const std::string_view text = Keep(keyName, "=", value);
    sections_.push_back(
        Section{Line{header, kCrLf}, {Line{text, kCrLf}}, {Key{text.substr(0, keyName.size()), 0}}, nullptr, 0});
    sectionIndex_.emplace(header.substr(1, sectionName.size()), sections_.size() - 1);
    return;
  }
  Section& sec = sections_[s->second];
  const std::string_view text = Keep(keyName, "=", value);
  if (const Key* k = FindIn(sec, keyName)) {
    Line& line = sec.lines[k->line];
    if (!ShownAlike(line.text, text)) line.text = text;
    if (line.eol.empty()) line.eol = kCrLf;
    return;
  }
  // A new key goes after the section's last key (or right below its header),
  // ahead of any blank or comment lines that close the section.
  std::size_t at = sec.lastKey == SIZE_MAX ? 0 : sec.lastKey + 1;
  Line& before = at == 0 ? sec.header : sec.lines[at - 1];
  if (before.eol.empty()) before.eol = kCrLf;
  sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), Line{text, kCrLf});
  // Key lines after the insertion point cannot exist (it follows the last key).
  sec.keys.push_back(Key{text.substr(0, keyName.size()), at});
  if (sec.bigIndex) sec.bigIndex->emplace(sec.keys.back().name, sec.keys.size() - 1);
  sec.lastKey = at;
}

bool ReferenceProfile::ShownAlike(std::string_view then, std::string_view now) const {
  if (utf16_ || !duplicate || then.size() != now.size()) return false;
  for (std::size_t i = 0; i < then.size();) {
    const std::size_t n = CharLength(then, i);
    if (CharLength(now, i) != n) return false;
    if (then.substr(i, n) != now.substr(i, n) && (n != 2 || !duplicate(then.substr(i, 2), now.substr(i, 2))))
      return false;
    i += n;
  }
  return true;
}

void ReferenceProfile::DeleteKey(const std::string& section, const std::string& key) {
  auto s = sectionIndex_.find(Trim(section));
  if (s == sectionIndex_.end()) return;
  Section& sec = sections_[s->second];
  const Key* k = FindIn(sec, Trim(key));
  if (!k) return;
  const std::size_t line = k->line;
  sec.keys.erase(sec.keys.begin() + (k - sec.keys.data()));
  for (Key& other : sec.keys)
    if (other.line > line) --other.line;
  sec.lines.erase(sec.lines.begin() + static_cast<std::ptrdiff_t>(line));
  sec.bigIndex.reset();  // positions in keys have moved; made again when next needed
  if (sec.lastKey != SIZE_MAX && sec.lastKey >= line) sec.lastKey = sec.lastKey == 0 ? SIZE_MAX : sec.lastKey - 1;
}

std::string ReferenceProfile::Text() const {
  std::size_t size = 0;
  auto measure = [&size](const Line& l) { size += l.text.size() + l.eol.size(); };
  for (const Line& l : preamble_) measure(l);
  for (const Section& s : sections_) {
    measure(s.header);
    for (const Line& l : s.lines) measure(l);
  }
  std::string out;
  out.reserve(size);
  auto put = [&out](const Line& l) {
    out += l.text;
    out += l.eol;
  };
  for (const Line& l : preamble_) put(l);
  for (const Section& s : sections_) {
    put(s.header);
    for (const Line& l : s.lines) put(l);
  }
  return utf16_ ? "\xFF\xFE" + ToUtf16(out) + oddByte_ : out;
}

}  // namespace vx::fuzz
