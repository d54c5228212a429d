#include "core/profile.h"

#include <algorithm>

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

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
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

// The name of the section header that starts at `at`: "[name]" after
// optional blanks, or "[name" to the end of the line. The closing bracket is
// found as a character, so the trail byte 0x5D of a double-byte character
// does not end the name. Read straight from the file's bytes, without
// looking for the line's end first (a table probe reads many headers).
bool SectionNameAt(std::string_view bytes, Offset at, std::string_view& name) {
  std::size_t b = at;
  while (b < bytes.size() && IsBlank(bytes[b])) ++b;
  if (b >= bytes.size() || bytes[b] != '[') return false;
  // The line's text ends before "\n", or before "\r\n"; a "\r" that ends
  // the file is text, as Line takes it.
  auto textEnds = [&](std::size_t i) {
    return i >= bytes.size() || bytes[i] == '\n' || (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n');
  };
  std::size_t close = b + 1;
  while (!textEnds(close) && bytes[close] != ']')
    close += IsLeadByte(static_cast<unsigned char>(bytes[close])) && !textEnds(close + 1) ? 2 : 1;
  name = Trim(bytes.substr(b + 1, close - b - 1));
  return true;
}

std::string_view ValueOf(std::string_view text) { return Trim(text.substr(text.find('=') + 1)); }

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
// double-byte characters kept as they are.
std::size_t FoldHash(std::string_view s) {
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
  return static_cast<std::size_t>(h ^ (h >> 29));
}

bool FoldEqual(std::string_view a, std::string_view b) {
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
  std::vector<Key> keys;      // key lines in file order (a small section)
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

std::size_t ProfileFile::LineTable::SlotOf(std::string_view bytes, std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = FoldHash(name) & mask;; slot = (slot + 1) & mask) {
    std::string_view other;
    if (slots_[slot] == kNone || (nameOf_(bytes, slots_[slot], other) && FoldEqual(other, name)))
      return slot;
  }
}

Offset ProfileFile::LineTable::Find(std::string_view bytes, std::string_view name) const {
  return slots_.empty() ? kNone : slots_[SlotOf(bytes, name)];
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
    for (Offset l : old)
      if (l != kNone) Insert(bytes, l);
  }
  std::string_view name;
  nameOf_(bytes, line, name);
  Offset& slot = slots_[SlotOf(bytes, name)];
  if (slot != kNone) {
    hadDuplicates_ = true;
    return;  // a duplicate: the first stays
  }
  slot = line;
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
// Calls `f` with the start of every header line: one that starts with '['
// after blanks.
template <class F>
void ForEachHeaderLine(std::string_view bytes, F f) {
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t first = at;
    while (first < bytes.size() && IsBlank(bytes[first])) ++first;
    if (first < bytes.size() && bytes[first] == '[') f(static_cast<Offset>(at));
    const std::size_t nl = bytes.find('\n', first);
    at = nl == std::string_view::npos ? bytes.size() : nl + 1;
  }
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
  std::string_view next;
  if (nextHeader_ != kNone && !sections_.HadDuplicates() && SectionNameAt(bytes_, nextHeader_, next) &&
      FoldEqual(next, section))
    header = nextHeader_;
  else
    header = sections_.Find(bytes_, section);
  if (header != kNone && header != lastHeader_) {
    lastName_.assign(section);
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
  sec.index = LineTable(KeyNameAt);
  sec.added.clear();
  scratchHeader_ = header;
  const std::string_view bytes = bytes_;
  // A big section gets an index over the first line of each key name,
  // grown as the scan goes, so that it never holds a slot per duplicate.
  Offset at = Line(bytes, header).next;
  sec.insertAt = at;
  nextHeader_ = kNone;
  while (at < bytes.size()) {
    const LineAt line = Line(bytes, at);
    std::string_view name;
    if (SectionNameAt(bytes, at, name)) {
      nextHeader_ = at;
      break;
    }
    if (KeyName(line.text, name)) {
      if (!sec.index.Empty()) {
        sec.index.Insert(bytes, at);
      } else if (sec.keys.size() < kScanLimit) {
        sec.keys.push_back(Section::Key{at, static_cast<Offset>(name.data() - bytes.data()),
                                        static_cast<std::uint32_t>(name.size()),
                                        static_cast<std::uint32_t>(line.text.size())});
      } else {
        for (const Section::Key& k : sec.keys) sec.index.Insert(bytes, k.line);
        sec.keys.clear();
        sec.index.Insert(bytes, at);
      }
      sec.insertAt = line.next;
    }
    at = line.next;
  }
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
  const Offset header = HeaderOf(section);
  if (header != kNone) {
    const Section& sec = StateOf(header);
    if (!sec.index.Empty()) {
      found.line = sec.index.Find(bytes, key);
      if (found) return found;
    } else {
      for (const Section::Key& k : sec.keys) {
        if (k.nameSize == key.size() && FoldEqual(bytes.substr(k.name, k.nameSize), key)) {
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

std::string ProfileFile::ValueText(const Found& found) const {
  std::string_view value;
  if (found.added) {
    value = ValueOf(found.added->line);
  } else {
    auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(found.line);
    value = ValueOf(rewritten != replaced_.end() ? std::string_view(rewritten->second) : found.Text(bytes_));
  }
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > kValueBufferSize - 1) return CutAtCharBoundary(std::string(value), kValueBufferSize - 1);
  return std::string(value);
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  const Found found = FindKey(section, key);
  return found ? ValueText(found) : def;
}

std::int32_t ProfileFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
  const Found found = FindKey(section, key);
  if (!found) return def;
  std::int32_t v;
  return ParseInt32(ValueText(found), v) ? v : def;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  dirty_ = true;
  const Found found = FindKey(sectionName, keyName);
  if (found && !found.added) {
    // A line that already reads "key=value" stays as it is: the flush
    // writes the file's own bytes for it, with no edit to place.
    auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(found.line);
    if (rewritten == replaced_.end()) {
      const std::string_view old = found.Text(bytes_);
      if (old.size() == keyName.size() + 1 + value.size() && old.compare(0, keyName.size(), keyName) == 0 &&
          old[keyName.size()] == '=' && old.compare(keyName.size() + 1, value.size(), value) == 0)
        return;
    }
  }
  std::string line;
  line.reserve(keyName.size() + 1 + value.size());
  line.append(keyName).append("=").append(value);
  if (found.added) {
    const_cast<AddedKey*>(found.added)->line = std::move(line);
    return;
  }
  if (found) {
    replaced_[found.line] = std::move(line);
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
  keys->push_back(AddedKey{std::string(keyName), std::move(line)});
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
