// The settings engine's batches: several keys of one section read or
// written in one pass over the section's lines, where the file allows it;
// key by key otherwise.
#include <cstdint>

#include "core/profile.h"
#include "core/profile_state.h"

namespace vx {

using namespace ini;

namespace {
// Whether a batch's keys are few, need no trimming and name distinct keys
// that a key line can hold: then each line answers at most one of them,
// and each can serve as a walk's hint. Otherwise the batch goes key by key
// (a name that no key line holds is then simply not found).
constexpr std::size_t kMaxBatch = 32;
template <class Key>
bool CheckBatch(const Key* keys, std::size_t count) {
  if (count > kMaxBatch) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view n = keys[i].key;
    if (n.empty() || n[0] == ';' || n[0] == '[' || Trim(n).size() != n.size()) return false;
    bool equals = false;
    for (char c : n) equals |= c == '=';
    if (equals) return false;
    for (std::size_t j = 0; j < i; ++j)
      if (FoldEqual(keys[j].key, n)) return false;
  }
  return true;
}

// Callers pass the same names with every item (their own constants): the
// names last checked are kept, so a batch of the same names is not checked
// again; a byte comparison of a few short names is all it costs.
template <class Key>
bool BatchFits(const Key* keys, std::size_t count, ProfileFile::BatchMemo& memo) {
  bool same = count == memo.sizes.size();
  for (std::size_t i = 0, at = 0; same && i < count; at += memo.sizes[i], ++i)
    same = keys[i].key.size() == memo.sizes[i] &&
           keys[i].key.compare(0, memo.sizes[i], memo.names, at, memo.sizes[i]) == 0;
  if (same) return memo.fits;
  memo.fits = CheckBatch(keys, count);
  memo.names.clear();
  memo.sizes.clear();
  for (std::size_t i = 0; i < count; ++i) {
    memo.names.append(keys[i].key);
    memo.sizes.push_back(keys[i].key.size());
  }
  return memo.fits;
}
}  // namespace

bool ProfileFile::SectionReads(Offset header, const KeyWrite* keys, std::size_t count, Offset& end) const {
  const std::string_view bytes = bytes_;
  std::size_t at = Line(bytes, header).next;
  for (std::size_t i = 0; i < count; ++i) {
    if (keys[i].remove) continue;
    const std::string_view key = keys[i].key, value = keys[i].value;
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
  if (count == 0) return;
  section = Trim(section);
  const Offset header = HeaderOf(section);
  if (header == kNone || (!touched_.empty() && touched_.count(header)) || !BatchFits(keys, count, batchMemo_)) {
    // A section new to the file, one with keys added, or an odd batch.
    for (std::size_t i = 0; i < count; ++i) {
      const Found found = FindKey(section, keys[i].key);
      if (found) AssignCut(*keys[i].value, ValueView(found), ShiftJis());
      keys[i].found = static_cast<bool>(found);
    }
    return;
  }
  // The first line of a name answers its key. Callers list the keys in the
  // file's order: the key after the last one answered is tried first.
  std::size_t expect = 0;
  nextHeader_ = ForEachKeyLine(
      bytes_, header, [&] { return keys[expect].key; },
      [&](const KeyLineAt& line) {
        for (std::size_t n = 0, i = expect; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
          if (keys[i].found) continue;
          if (!(line.hinted && i == expect) && !FoldEqual(keys[i].key, line.name)) continue;
          AssignCut(*keys[i].value, LineValue(line.at, line.rest), ShiftJis());
          keys[i].found = true;
          expect = i + 1 == count ? 0 : i + 1;
          return;
        }
      });
}

void ProfileFile::WriteKeys(std::string_view section, const KeyWrite* keys, std::size_t count) {
  if (count == 0) return;  // as no WriteString at all
  section = Trim(section);
  const Offset header = HeaderOf(section);
  // Key by key: each value as WriteString takes it.
  auto one = [this, section](const KeyWrite& key) {
    if (key.remove)
      DeleteKey(section, key.key);
    else if (key.quoted)
      WriteString(section, key.key, std::string(1, '"').append(key.value).append(1, '"'));
    else
      WriteString(section, key.key, key.value);
  };
  if (header == kNone || (!touched_.empty() && touched_.count(header)) || !BatchFits(keys, count, batchMemo_)) {
    for (std::size_t i = 0; i < count; ++i) one(keys[i]);
    return;
  }
  bool removes = false;
  for (std::size_t i = 0; i < count; ++i) removes |= keys[i].remove;
  dirty_ = true;
  // The usual save writes back what the file holds: when the section's
  // first lines read so already, each is the first of its name, and
  // nothing changes. The next line says whether the section ends there;
  // when it does, the section holds none of the keys to remove either.
  Offset end = 0;
  if (replaced_.empty() && SectionReads(header, keys, count, end)) {
    std::size_t first = end;
    while (first < bytes_.size() && IsBlank(bytes_[first])) ++first;
    const bool ends = first >= bytes_.size() || bytes_[first] == '[';
    if (ends || !removes) {
      nextHeader_ = first < bytes_.size() && bytes_[first] == '[' ? end : kNone;
      return;
    }
  }
  // As in ReadKeys: the key after the last one written is tried first.
  std::uint32_t written = 0;  // a bit for each key
  static_assert(kMaxBatch <= 32, "a bit for each key of a batch");
  std::size_t expect = 0;
  nextHeader_ = ForEachKeyLine(
      bytes_, header, [&] { return keys[expect].key; },
      [&](const KeyLineAt& line) {
        for (std::size_t n = 0, i = expect; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
          const std::string_view key = keys[i].key;
          if (written >> i & 1) continue;
          if (!(line.hinted && i == expect) && !FoldEqual(key, line.name)) continue;
          written |= std::uint32_t(1) << i;
          if (keys[i].remove)
            DeleteLine(line.at);
          else
            Rewrite(line.at, line.text, key, keys[i].value, keys[i].quoted);
          expect = i + 1 == count ? 0 : i + 1;
          return;
        }
      });
  bool deleted = false;
  for (std::size_t i = 0; i < count; ++i) deleted |= keys[i].remove && (written >> i & 1);
  if (deleted) Rescan(header);
  // Keys the section lacks are added after its last key line, in order;
  // a key to remove that it lacks is no change.
  for (std::size_t i = 0; i < count; ++i)
    if (!(written >> i & 1) && !keys[i].remove) one(keys[i]);
}

}  // namespace vx
