#include "core/profile.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "core/ini_lines.h"
#include "core/messages.h"
#include "core/profile_state.h"

namespace vx {

using namespace ini;

namespace {

constexpr std::string_view kCrLf = "\r\n";
// A section with more key lines than this gets a hash index when touched;
// below it a scan of its few keys is faster.
constexpr std::size_t kScanLimit = 32;

const AddedKey* FindAdded(const std::vector<AddedKey>& keys, std::string_view name) {
  for (const AddedKey& k : keys)
    if (FoldEqual(k.name, name)) return &k;
  return nullptr;
}

}  // namespace

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

void ProfileFile::Parse() {
  const std::string_view bytes = bytes_;
  // Header lines are counted first, so the table is made at its size once;
  // only header lines are remembered. Duplicates take no slot, so a file of
  // short header lines gets room for one per 8 bytes at first (the table
  // then holds at most about 1.3 times the file) and grows only if that
  // many distinct sections come.
  std::size_t headers = 0;
  ForEachHeaderLine(bytes, [&headers](Offset) { ++headers; });
  sections_.Reserve(std::min(headers, bytes.size() / 8));
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
  // holds nothing that could end it early or be trimmed: no bracket or
  // line end, no blank at either end.
  const std::size_t n = section.size(), at = nextHeader_;
  const bool predicted = at != kNone && !sections_.HadDuplicates();
  auto plain = [&] {
    bool odd = IsBlank(section.front()) || IsBlank(section.back());
    for (char c : section) odd |= kNameStops.stop[static_cast<unsigned char>(c)];
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
  nextHeader_ = ForEachKeyLine(
      bytes, header, [] { return std::string_view(); },
      [&](const KeyLineAt& line) {
        const Offset at = line.at;
        const std::string_view name = line.name;
        sec.insertAt = line.next;
        // A deleted line answers no key; new keys still go after it, where
        // the section's last key line stood.
        if (deletions_ != 0 && Deleted(at)) return;
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

std::string_view ProfileFile::ValueView(const Found& found) const {
  if (found.added) return Unquoted(ValueOf(found.added->line));
  return LineValue(found.line, ValueOf(found.Text(bytes_)));
}

std::string_view ProfileFile::LineValue(Offset line, std::string_view rest) const {
  auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(line);
  return Unquoted(rewritten != replaced_.end() ? ValueOf(rewritten->second) : Trim(rest));
}

std::string ProfileFile::ValueText(const Found& found) const {
  std::string out;
  AssignCut(out, ValueView(found), ShiftJis());
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
  NoteWritten(value);
  const Found found = FindKey(sectionName, keyName);
  if (found.added) {
    AddedKey& added = const_cast<AddedKey&>(*found.added);
    std::string stored;
    added.line = KeyLine(keyName, AsStored(added.line, keyName, value, false, stored));
    return;
  }
  if (found) {
    Rewrite(found.line, found.Text(bytes_), keyName, value, false);
    return;
  }
  const Offset header = HeaderOf(sectionName);
  std::vector<AddedKey>* keys = nullptr;
  if (header != kNone) {
    Section& sec = Keep(header);
    // A key added after the file's last line gives that line its line end,
    // which it keeps should the key be removed again.
    if (sec.insertAt == bytes_.size()) endsWithLineEnd_ = true;
    keys = &sec.added;
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

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  const Found found = FindKey(sectionName, keyName);
  if (!found) return;
  dirty_ = true;
  if (found.added) {
    // A key this engine added: it goes from its list, and a section new to
    // the file keeps its header, as the profile functions keep it.
    const Offset header = HeaderOf(sectionName);
    std::vector<AddedKey>& keys =
        header != kNone ? Keep(header).added : addedIndex_.at(FoldCase(std::string(sectionName)))->keys;
    for (auto it = keys.begin(); it != keys.end(); ++it)
      if (&*it == found.added) {
        keys.erase(it);
        break;
      }
    return;
  }
  DeleteLine(found.line);
  Rescan(HeaderOf(sectionName));
}

void ProfileFile::DeleteLine(Offset line) {
  std::string& text = replaced_[line];
  text.clear();
  text.shrink_to_fit();
  ++deletions_;
}

bool ProfileFile::Deleted(Offset line) const {
  auto it = replaced_.find(line);
  return it != replaced_.end() && it->second.empty();
}

void ProfileFile::Rescan(Offset header) {
  std::vector<AddedKey> added;
  auto kept = touched_.find(header);
  if (kept != touched_.end()) {
    added = std::move(kept->second->added);
    touched_.erase(kept);
  }
  if (scratchHeader_ == header) scratchHeader_ = kNone;
  lastSection_ = nullptr;
  // Kept from now on, so that the batch reads and writes, which walk the
  // file's lines, leave this section to the lookups that know its deletions.
  Keep(header).added = std::move(added);
}

std::string_view ProfileFile::AsStored(std::string_view line, std::string_view key, std::string_view value, bool quoted,
                                       std::string& stored) const {
  const std::size_t q = quoted ? 1 : 0, v = key.size() + 1 + q;
  if (form_ != Form::ShiftJis || line.size() < v + q || line[key.size()] != '=' ||
      (quoted && (line[v - 1] != '"' || line.back() != '"')) || !SameBytes(line.data(), key))
    return value;
  const std::string_view held = line.substr(v, line.size() - v - q);
  if (!HasEscapedBytes(held) || ShownText(held, codePage_) != value) return value;
  stored.assign(held);
  return stored;
}

void ProfileFile::Rewrite(Offset line, std::string_view text, std::string_view key, std::string_view value,
                          bool quoted) {
  NoteWritten(value);
  auto rewritten = replaced_.empty() ? replaced_.end() : replaced_.find(line);
  const std::size_t q = quoted ? 1 : 0, v = key.size() + 1 + q;
  std::string stored;
  value =
      AsStored(rewritten != replaced_.end() ? std::string_view(rewritten->second) : text, key, value, quoted, stored);
  // A line that already reads "key=value" stays as it is: the flush
  // writes the file's own bytes for it, with no edit to place. Only the
  // last line of a file without a final line end is written all the same,
  // so that it gets its line end as every written line does.
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
      if (!e.replacement->empty()) {
        raw(*e.replacement);
        raw(old.eol.empty() ? kCrLf : old.eol);
      }
      pos = old.next;
    } else {
      for (const AddedKey& k : *e.added) line(k.line);
    }
  }
  raw(bytes.substr(pos));
  if (endsWithLineEnd_ && !atLineStart) raw(kCrLf);
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

}  // namespace vx
