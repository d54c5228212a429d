#include "core/profile.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "platform/text.h"

namespace vx {

namespace {

using Offset = std::uint32_t;
constexpr Offset kNone = UINT32_MAX;
constexpr std::string_view kCrLf = "\r\n";
// A section with more key lines than this gets a hash index when touched;
// below it a scan of its few keys is faster.
constexpr std::size_t kScanLimit = 32;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s) {
  // Most names and values have no blanks around them.
  if (s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back()))) return s;
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A key line: "name = value", neither a comment nor a blank line.
bool KeyName(std::string_view text, std::string_view& name, std::size_t* equals = nullptr) {
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

// The name of the section header that starts at `at`: "[name]" after
// optional blanks, or "[name" to the end of the line. The closing bracket is
// found as a character, so the trail byte 0x5D of a double-byte character
// does not end the name. Read straight from the file's bytes, without
// looking for the line's end first (a table probe reads many headers).
// The bytes at which the scan of a section name stops to look closer: the
// bracket, the line ends and the lead bytes of double-byte characters.
struct NameStops {
  bool stop[256] = {};
  constexpr NameStops() {
    stop[static_cast<unsigned char>(']')] = stop[static_cast<unsigned char>('\n')] =
        stop[static_cast<unsigned char>('\r')] = true;
    for (int c = 0; c < 256; ++c)
      if (IsLeadByte(static_cast<unsigned char>(c))) stop[c] = true;
  }
};
constexpr NameStops kNameStops;

bool SectionNameAt(std::string_view bytes, Offset at, std::string_view& name) {
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
    // A lone "\r", or a lead byte: its trail byte, unless the line ends there.
    close += IsLeadByte(static_cast<unsigned char>(data[close])) && close + 1 < size && !lineEndsAt(close + 1) ? 2 : 1;
  }
  close = std::min(close, size);
  name = Trim(std::string_view(data + b + 1, close - b - 1));
  return true;
}

// The value of a key line: after its first '=' (a byte loop, as in KeyName).
std::string_view ValueOf(std::string_view text) {
  std::size_t eq = 0;
  while (eq < text.size() && text[eq] != '=') ++eq;
  return Trim(text.substr(eq + 1));
}

// Is byte i of s the lead byte of a double-byte character (whose trail byte
// is never folded)?
bool LeadAt(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
}

unsigned char Upper(char ch) {
  const unsigned char c = static_cast<unsigned char>(ch);
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Names compare and hash without regard to ASCII case, the trail bytes of
// double-byte characters kept as they are. 64 bits on every build: the
// table takes its slot from the low bits and a line's tag from the high.
std::uint64_t FoldHash(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (LeadAt(s, i)) {
      h = (h ^ static_cast<unsigned char>(s[i])) * 1099511628211ull;
      ++i;
      h = (h ^ static_cast<unsigned char>(s[i])) * 1099511628211ull;
    } else {
      h = (h ^ Upper(s[i])) * 1099511628211ull;
    }
  }
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
bool FoldedEqual(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x) && i + 1 < n) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (x != y && Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
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
  // Bytes that differ even folded differ in every reading (a trail byte is
  // compared as it is).
  if (Upper(a[same]) != Upper(b[same])) return false;
  return FoldedEqual(a, b);
}

// The line that starts at `at`: its text without the line end, and where
// the next line starts.
struct LineAt {
  std::string_view text, eol;
  Offset next;
};
LineAt Line(std::string_view bytes, Offset at) {
  const std::size_t nl = bytes.find('\n', at);
  if (nl == std::string_view::npos) return LineAt{bytes.substr(at), {}, static_cast<Offset>(bytes.size())};
  std::size_t end = nl;
  if (end > at && bytes[end - 1] == '\r') --end;
  return LineAt{bytes.substr(at, end - at), bytes.substr(end, nl + 1 - end), static_cast<Offset>(nl + 1)};
}

bool KeyNameAt(std::string_view bytes, Offset at, std::string_view& name) {
  return KeyName(Line(bytes, at).text, name);
}

// "key=value", or key="value".
std::string KeyLine(std::string_view key, std::string_view value, bool quoted = false) {
  std::string line;
  line.reserve(key.size() + 3 + value.size());
  line.append(key).push_back('=');
  if (quoted) line.push_back('"');
  line.append(value);
  if (quoted) line.push_back('"');
  return line;
}

struct AddedKey {
  std::string name;  // trimmed, as written
  std::string line;  // "name=value", without its line end
};

const AddedKey* FindAdded(const std::vector<AddedKey>& keys, std::string_view name) {
  for (const AddedKey& k : keys)
    if (FoldEqual(k.name, name)) return &k;
  return nullptr;
}

}  // namespace

// What is known of a section of the file once it has been touched.
struct ProfileFile::Section {
  struct Key {
    Offset line, name;
    std::uint32_t nameSize, textSize;  // the line's text ends at line + textSize
  };
  Offset insertAt = 0;        // where new keys go: after the last key line, or the header
  std::vector<Key> keys;      // the first line of each key name, in file order (a small section)
  // Where the next lookup starts in `keys`: callers read a section's keys
  // in the file's order, so the key after the last one found is tried first.
  std::uint32_t cursor = 0;
  LineTable index{KeyNameAt};  // the first line of each key name (a big section)
  std::vector<AddedKey> added;
};

struct ProfileFile::NewSection {
  std::string name;
  std::vector<AddedKey> keys;
};

// Where a key was found: an original line (maybe rewritten) or an added one.
struct ProfileFile::Found {
  Offset line = kNone;
  const AddedKey* added = nullptr;
  std::string_view text;  // the original line's text, without its line end
  // The original line's text, from the scan where it was found.
  std::string_view Text(std::string_view bytes) const { return text.data() ? text : Line(bytes, line).text; }
  explicit operator bool() const { return line != kNone || added; }
};

namespace {
constexpr Offset kOffsetMask = (Offset(1) << ProfileFile::kOffsetBits) - 1;
// The hash bits a slot keeps: 0..62, so that no slot equals kNone.
Offset TagOf(std::uint64_t hash) { return static_cast<Offset>((hash >> 40) % 63) << ProfileFile::kOffsetBits; }
}  // namespace

std::size_t ProfileFile::LineTable::SlotOf(std::string_view bytes, std::string_view name, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const Offset tag = TagOf(hash);
  for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const Offset held = slots_[slot];
    if (held == kNone) return slot;
    std::string_view other;
    if ((held & ~kOffsetMask) == tag && nameOf_(bytes, held & kOffsetMask, other) && FoldEqual(other, name))
      return slot;
  }
}

Offset ProfileFile::LineTable::Find(std::string_view bytes, std::string_view name) const {
  if (slots_.empty()) return kNone;
  const Offset held = slots_[SlotOf(bytes, name, FoldHash(name))];
  return held == kNone ? kNone : held & kOffsetMask;
}

void ProfileFile::LineTable::Reserve(std::size_t lines) {
  if (count_ != 0) return;
  std::size_t size = 16;
  while (lines * 4 > size * 3) size *= 2;
  if (size > slots_.size()) slots_.assign(size, kNone);
}

void ProfileFile::LineTable::Insert(std::string_view bytes, Offset line) {
  if ((count_ + 1) * 4 > slots_.size() * 3) {
    std::vector<Offset> old(std::max<std::size_t>(slots_.size() * 2, 16), kNone);
    old.swap(slots_);
    count_ = 0;
    for (Offset held : old)
      if (held != kNone) Insert(bytes, held & kOffsetMask);
  }
  std::string_view name;
  nameOf_(bytes, line, name);
  const std::uint64_t hash = FoldHash(name);
  Offset& slot = slots_[SlotOf(bytes, name, hash)];
  if (slot != kNone) {
    hadDuplicates_ = true;
    return;  // a duplicate: the first stays
  }
  slot = TagOf(hash) | line;
  ++count_;
}

ProfileFile::ProfileFile(Files& files, FilePath path)
    : files_(files), path_(std::move(path)), sections_(SectionNameAt) {
  try {
    existed_ = files_.Read(path_, bytes_, kMaxFileSize);
  } catch (const FileTooLarge&) {
    throw std::runtime_error(Format(kMsgTooLarge, path_.display));
  } catch (const SystemError& e) {
    throw std::runtime_error(Format(kMsgCannotRead, path_.display) + "\r\n" + e.what());
  }
  if (existed_) Parse();
}

ProfileFile::~ProfileFile() = default;

namespace {
// Calls `f` with the start of every header line: one whose first byte
// after blanks is '['. Found by looking for '[' and checking that only
// blanks stand between it and the line's start, so the walk goes from
// bracket to bracket rather than line by line. Such a '[' is never the
// trail byte of a double-byte character: a lead byte would stand before it.
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
    if (!expected.empty() && text.size() > eq && text[eq] == '=' && SameBytes(text.data(), expected))
      name = text.substr(0, eq);
    else if (!KeyName(text, name, &eq))
      name = {};
    if (name.data()) each(KeyLineAt{at, next, text, name, text.substr(eq + 1)});
    at = next;
  }
  return kNone;
}

// Whether a batch's keys, trimmed, are few and name distinct keys that a
// key line can hold: then each line answers at most one of them, and each
// can serve as a walk's hint. Otherwise the batch goes key by key (a name
// that no key line holds is then simply not found).
constexpr std::size_t kMaxBatch = 32;
template <class Key>
bool BatchFits(const Key* keys, std::size_t count) {
  if (count > kMaxBatch) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view n = Trim(keys[i].key);
    if (n.empty() || n[0] == ';' || n[0] == '[') return false;
    bool equals = false;
    for (char c : n) equals |= c == '=';
    if (equals) return false;
    for (std::size_t j = 0; j < i; ++j)
      if (FoldEqual(Trim(keys[j].key), n)) return false;
  }
  return true;
}
}  // namespace

void ProfileFile::Parse() {
  const std::string_view bytes = bytes_;
  // Header lines are counted first, so the table is made at its size once;
  // only header lines are remembered.
  std::size_t headers = 0;
  ForEachHeaderLine(bytes, [&headers](Offset) { ++headers; });
  sections_.Reserve(headers);
  ForEachHeaderLine(bytes, [&](Offset at) { sections_.Insert(bytes, at); });
}

Offset ProfileFile::HeaderOf(std::string_view section) const {
  // Callers work through one section at a time: the last answer is kept.
  if (lastHeader_ != kNone && FoldEqual(lastName_, section)) return lastHeader_;
  // Without duplicate sections, the header after the last one scanned is
  // the one of its name: no table probe is needed for it.
  Offset header = kNone;
  std::string_view name;
  const std::string_view bytes = bytes_;
  // Mostly that header reads "[section]" as it is asked for, and the name
  // holds nothing that could end it early: no bracket, line end or
  // double-byte character.
  const std::size_t n = section.size(), at = nextHeader_;
  const bool predicted = at != kNone && !sections_.HadDuplicates();
  auto plain = [&] {
    bool odd = false;
    for (char c : section) odd |= c == ']' || c == '\n' || c == '\r' || IsLeadByte(static_cast<unsigned char>(c));
    return !odd;
  };
  if (predicted && n != 0 && at + n + 2 <= bytes.size() && bytes[at] == '[' && bytes[at + n + 1] == ']' &&
      SameBytes(bytes.data() + at + 1, section) && plain()) {
    header = nextHeader_;
    name = bytes.substr(at + 1, n);
  } else if (predicted && SectionNameAt(bytes, nextHeader_, name) && FoldEqual(name, section)) {
    header = nextHeader_;
  } else {
    header = sections_.Find(bytes_, section);
    if (header != kNone) SectionNameAt(bytes_, header, name);
  }
  if (header != kNone && header != lastHeader_) {
    lastName_ = name;
    lastHeader_ = header;
    lastSection_ = nullptr;
  }
  return header;
}

ProfileFile::Section& ProfileFile::StateOf(Offset header) const {
  if (header == lastHeader_ && lastSection_) return *lastSection_;
  if (!touched_.empty()) {
    auto known = touched_.find(header);
    if (known != touched_.end()) {
      lastSection_ = header == lastHeader_ ? known->second.get() : nullptr;
      nextHeader_ = kNone;
      return *known->second;
    }
  }
  // A section is scanned into one reused record: callers go through the
  // file a section at a time, and most sections are only read or rewritten.
  // A section that gets new keys, or a big one with its index, is kept.
  if (!scratch_) scratch_ = std::make_unique<Section>();
  Section& sec = *scratch_;
  sec.keys.clear();
  sec.cursor = 0;
  sec.index = LineTable(KeyNameAt);
  sec.added.clear();
  scratchHeader_ = header;
  const std::string_view bytes = bytes_;
  // A small section keeps the first line of each key name in a list; a
  // big one gets an index over them, grown as the scan goes, so that
  // neither holds a slot per duplicate.
  const char* const data = bytes.data();
  sec.insertAt = Line(bytes, header).next;
  auto listed = [&](std::string_view name) {
    const unsigned char first = Upper(name[0]);
    for (const Section::Key& k : sec.keys)
      if (k.nameSize == name.size() && Upper(data[k.name]) == first &&
          FoldEqual(std::string_view(data + k.name, k.nameSize), name))
        return true;
    return false;
  };
  nextHeader_ = ForEachKeyLine(bytes, header, [] { return std::string_view(); }, [&](const KeyLineAt& line) {
    const Offset at = line.at;
    const std::string_view name = line.name;
    if (!sec.index.Empty()) {
      sec.index.Insert(bytes, at);
    } else if (!listed(name)) {
      if (sec.keys.size() == kScanLimit) {
        for (const Section::Key& k : sec.keys) sec.index.Insert(bytes, k.line);
        sec.keys.clear();
        sec.index.Insert(bytes, at);
      } else {
        sec.keys.push_back(Section::Key{at, static_cast<Offset>(name.data() - data),
                                        static_cast<std::uint32_t>(name.size()),
                                        static_cast<std::uint32_t>(line.text.size())});
      }
    }
    sec.insertAt = line.next;
  });
  Section& made = sec.index.Empty() ? sec : Keep(header);
  lastSection_ = header == lastHeader_ ? &made : nullptr;
  return made;
}

ProfileFile::Section& ProfileFile::Keep(Offset header) const {
  if (scratchHeader_ != header) {
    // Not the section scanned last: scanned now, or found kept already.
    Section& state = StateOf(header);
    if (scratchHeader_ != header) return state;
  }
  scratchHeader_ = kNone;
  Section& made = *touched_.emplace(header, std::move(scratch_)).first->second;
  if (header == lastHeader_) lastSection_ = &made;
  return made;
}

ProfileFile::Found ProfileFile::FindKey(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  Found found;
  const std::string_view bytes = bytes_;
  // Callers read or write an item's keys together: the section of the last
  // call is checked first, without the calls that find it anew.
  Section* known = lastSection_ && FoldEqual(lastName_, section) ? lastSection_ : nullptr;
  if (!known) {
    const Offset header = HeaderOf(section);
    if (header != kNone) known = &StateOf(header);
  }
  if (known) {
    Section& sec = *known;
    if (!sec.index.Empty()) {
      found.line = sec.index.Find(bytes, key);
      if (found) return found;
    } else {
      const std::size_t n = sec.keys.size();
      std::size_t i = sec.cursor < n ? sec.cursor : 0;
      for (std::size_t tried = 0; tried < n; ++tried, i = i + 1 == n ? 0 : i + 1) {
        const Section::Key& k = sec.keys[i];
        if (k.nameSize == key.size() && FoldEqual(bytes.substr(k.name, k.nameSize), key)) {
          sec.cursor = static_cast<std::uint32_t>(i + 1);
          found.line = k.line;
          found.text = bytes.substr(k.line, k.textSize);
          return found;
        }
      }
    }
    found.added = FindAdded(sec.added, key);
    return found;
  }
  auto added = addedIndex_.find(FoldCase(std::string(section)));
  if (added != addedIndex_.end()) found.added = FindAdded(added->second->keys, key);
  return found;
}

namespace {
// One pair of enclosing quotes removed.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A value as a caller sees it: within the read buffer, never splitting a
// double-byte character.
void AssignCut(std::string& out, std::string_view value) {
  if (value.size() > ProfileFile::kValueBufferSize - 1)
    out = CutAtCharBoundary(std::string(value), ProfileFile::kValueBufferSize - 1);
  else
    out.assign(value);
}
}  // namespace

std::string_view ProfileFile::ValueView(const Found& found) const {
  if (found.added) return Unquoted(ValueOf(found.added->line));
  auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(found.line);
  return Unquoted(ValueOf(rewritten != replaced_.end() ? std::string_view(rewritten->second) : found.Text(bytes_)));
}

std::string_view ProfileFile::LineValue(Offset line, std::string_view rest) const {
  auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(line);
  return Unquoted(rewritten != replaced_.end() ? ValueOf(rewritten->second) : Trim(rest));
}

std::string ProfileFile::ValueText(const Found& found) const {
  std::string out;
  AssignCut(out, ValueView(found));
  return out;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
  const Found found = FindKey(section, key);
  return found ? ValueText(found) : def;
}

std::int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  const Found found = FindKey(section, key);
  if (!found) return def;
  // A value within the buffer is parsed where it stands.
  const std::string_view value = ValueView(found);
  std::int32_t v;
  const bool number = value.size() < kValueBufferSize ? ParseInt32(value, v) : ParseInt32(ValueText(found), v);
  return number ? v : def;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  dirty_ = true;
  const Found found = FindKey(sectionName, keyName);
  if (found.added) {
    const_cast<AddedKey*>(found.added)->line = KeyLine(keyName, value);
    return;
  }
  if (found) {
    Rewrite(found.line, found.Text(bytes_), keyName, value, false);
    return;
  }
  const Offset header = HeaderOf(sectionName);
  std::vector<AddedKey>* keys = nullptr;
  if (header != kNone) {
    keys = &Keep(header).added;
  } else {
    NewSection*& s = addedIndex_[FoldCase(std::string(sectionName))];
    if (!s) {
      added_.push_back(std::make_unique<NewSection>());
      s = added_.back().get();
      s->name = std::string(sectionName);
    }
    keys = &s->keys;
  }
  keys->push_back(AddedKey{std::string(keyName), KeyLine(keyName, value)});
}

void ProfileFile::Rewrite(Offset line, std::string_view text, std::string_view key, std::string_view value,
                          bool quoted) {
  // A line that already reads "key=value" stays as it is: the flush
  // writes the file's own bytes for it, with no edit to place. Only the
  // last line of a file without a final line end is written all the same,
  // so that it gets its line end as every written line does.
  auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(line);
  const std::size_t q = quoted ? 1 : 0, v = key.size() + 1 + q;
  const bool hasLineEnd = line + text.size() < bytes_.size();
  if (rewritten == replaced_.end() && hasLineEnd && text.size() == v + value.size() + q && text[key.size()] == '=' &&
      (!quoted || (text[v - 1] == '"' && text.back() == '"')) && SameBytes(text.data(), key) &&
      std::memcmp(text.data() + v, value.data(), value.size()) == 0)
    return;
  if (rewritten != replaced_.end())
    rewritten->second = KeyLine(key, value, quoted);
  else
    replaced_.emplace(line, KeyLine(key, value, quoted));
}

bool ProfileFile::SectionReads(Offset header, const KeyWrite* keys, std::size_t count, Offset& end) const {
  const std::string_view bytes = bytes_;
  std::size_t at = Line(bytes, header).next;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view key = Trim(keys[i].key), value = keys[i].value;
    const std::size_t q = keys[i].quoted ? 1 : 0, v = at + key.size() + 1 + q, e = v + value.size() + q;
    // The value may not hold a line end of its own, or its line would end early.
    if (e + 2 > bytes.size() || bytes[at + key.size()] != '=' || bytes[e] != '\r' || bytes[e + 1] != '\n' ||
        (q && (bytes[v - 1] != '"' || bytes[e - 1] != '"')) || !SameBytes(bytes.data() + at, key) ||
        !SameLineText(bytes.data() + v, value))
      return false;
    at = e + 2;
  }
  end = static_cast<Offset>(at);
  return true;
}

void ProfileFile::ReadKeys(std::string_view section, KeyRead* keys, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) keys[i].found = false;
  section = Trim(section);
  const Offset header = HeaderOf(section);
  if (header == kNone || (!touched_.empty() && touched_.count(header)) || !BatchFits(keys, count)) {
    // A section new to the file, one with keys added, or an odd batch.
    for (std::size_t i = 0; i < count; ++i) {
      const Found found = FindKey(section, keys[i].key);
      if (found) AssignCut(*keys[i].value, ValueView(found));
      keys[i].found = static_cast<bool>(found);
    }
    return;
  }
  // The first line of a name answers its key. Callers list the keys in the
  // file's order: the key after the last one answered is tried first.
  std::size_t expect = 0;
  nextHeader_ = ForEachKeyLine(bytes_, header, [&] { return Trim(keys[expect].key); }, [&](const KeyLineAt& line) {
    for (std::size_t n = 0, i = expect; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
      if (keys[i].found || !FoldEqual(Trim(keys[i].key), line.name)) continue;
      AssignCut(*keys[i].value, LineValue(line.at, line.rest));
      keys[i].found = true;
      expect = i + 1 == count ? 0 : i + 1;
      return;
    }
  });
}

void ProfileFile::WriteKeys(std::string_view section, const KeyWrite* keys, std::size_t count) {
  section = Trim(section);
  const Offset header = HeaderOf(section);
  // Key by key: each value as WriteString takes it.
  auto one = [this, section](const KeyWrite& key) {
    if (key.quoted)
      WriteString(section, key.key, std::string(1, '"').append(key.value).append(1, '"'));
    else
      WriteString(section, key.key, key.value);
  };
  if (header == kNone || (!touched_.empty() && touched_.count(header)) || !BatchFits(keys, count)) {
    for (std::size_t i = 0; i < count; ++i) one(keys[i]);
    return;
  }
  dirty_ = true;
  // The usual save writes back what the file holds: when the section's
  // first lines read so already, each is the first of its name, and
  // nothing changes. The next line says whether the section ends there.
  Offset end = 0;
  if (replaced_.empty() && SectionReads(header, keys, count, end)) {
    std::size_t first = end;
    while (first < bytes_.size() && IsBlank(bytes_[first])) ++first;
    nextHeader_ = first < bytes_.size() && bytes_[first] == '[' ? end : kNone;
    return;
  }
  // As in ReadKeys: the key after the last one written is tried first.
  std::uint32_t written = 0;  // a bit for each key
  static_assert(kMaxBatch <= 32, "a bit for each key of a batch");
  std::size_t expect = 0;
  nextHeader_ = ForEachKeyLine(bytes_, header, [&] { return Trim(keys[expect].key); }, [&](const KeyLineAt& line) {
    for (std::size_t n = 0, i = expect; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
      const std::string_view key = Trim(keys[i].key);
      if ((written >> i & 1) || !FoldEqual(key, line.name)) continue;
      written |= std::uint32_t(1) << i;
      Rewrite(line.at, line.text, key, keys[i].value, keys[i].quoted);
      expect = i + 1 == count ? 0 : i + 1;
      return;
    }
  });
  // Keys the section lacks are added after its last key line, in order.
  for (std::size_t i = 0; i < count; ++i)
    if (!(written >> i & 1)) one(keys[i]);
}

std::vector<std::string_view> ProfileFile::Pieces() const {
  // The edits in file order: rewritten lines and the sections' new keys.
  struct Edit {
    Offset at;
    const std::string* replacement;      // a rewritten line, or
    const std::vector<AddedKey>* added;  // new keys inserted here
  };
  std::vector<Edit> edits;
  edits.reserve(replaced_.size() + touched_.size());
  for (const auto& [at, text] : replaced_) edits.push_back(Edit{at, &text, nullptr});
  for (const auto& [header, sec] : touched_)
    if (!sec->added.empty()) edits.push_back(Edit{sec->insertAt, nullptr, &sec->added});
  // A rewritten line and an insertion never share an offset: insertions
  // follow a section's last key line.
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });

  std::vector<std::string_view> out;
  bool atLineStart = true;  // the output so far is empty or ends with a line end
  auto raw = [&](std::string_view piece) {
    if (piece.empty()) return;
    out.push_back(piece);
    atLineStart = piece.back() == '\n';
  };
  auto line = [&](std::string_view text) {
    if (!atLineStart) raw(kCrLf);
    raw(text);
    raw(kCrLf);
  };
  const std::string_view bytes = bytes_;
  Offset pos = 0;
  for (const Edit& e : edits) {
    raw(bytes.substr(pos, e.at - pos));
    pos = e.at;
    if (e.replacement) {
      const LineAt old = Line(bytes, e.at);
      raw(*e.replacement);
      raw(old.eol.empty() ? kCrLf : old.eol);
      pos = old.next;
    } else {
      for (const AddedKey& k : *e.added) line(k.line);
    }
  }
  raw(bytes.substr(pos));
  for (const auto& s : added_) {
    if (!atLineStart) raw(kCrLf);
    raw("[");
    raw(s->name);
    raw("]");
    raw(kCrLf);
    for (const AddedKey& k : s->keys) line(k.line);
  }
  return out;
}

std::string ProfileFile::Text() const {
  std::string out;
  for (std::string_view piece : Pieces()) out += piece;
  return out;
}

void ProfileFile::Flush() {
  if (!dirty_) return;
  try {
    files_.Replace(path_, Pieces());
  } catch (const SystemError&) {
    throw std::runtime_error(Format(kMsgCannotWrite, path_.display));
  }
  dirty_ = false;
  existed_ = true;
}

}  // namespace vx
