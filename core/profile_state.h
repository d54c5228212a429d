// What the settings engine keeps of the sections a caller has touched,
// shared by its lookups and single writes (profile.cpp) and its batches of
// keys (profile_batch.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "core/ini_lines.h"
#include "core/profile.h"

namespace vx {

// A key line that a write added to a section.
struct AddedKey {
  std::string name;  // trimmed, as written
  std::string line;  // "name=value", without its line end
};

// What is known of a section of the file once it has been touched.
struct ProfileFile::Section {
  struct Key {
    Offset line, name;
    std::uint32_t nameSize, textSize;  // the line's text ends at line + textSize
  };
  Offset insertAt = 0;    // where new keys go: after the last key line, or the header
  std::vector<Key> keys;  // the first line of each key name, in file order (a small section)
  // Where the next lookup starts in `keys`: callers read a section's keys
  // in the file's order, so the key after the last one found is tried first.
  std::uint32_t cursor = 0;
  LineTable index{ini::KeyNameAt};  // the first line of each key name (a big section)
  std::vector<AddedKey> added;
};

struct ProfileFile::NewSection {
  std::string name;
  std::vector<AddedKey> keys;
};

// Where a key was found: an original line (maybe rewritten) or an added one.
struct ProfileFile::Found {
  Offset line = ini::kNone;
  const AddedKey* added = nullptr;
  std::string_view text;  // the original line's text, without its line end
  // The original line's text, from the scan where it was found.
  std::string_view Text(std::string_view bytes) const { return text.data() ? text : ini::Line(bytes, line).text; }
  explicit operator bool() const { return line != ini::kNone || added; }
};

// A value as a caller sees it: within the read buffer (in Shift-JIS
// bytes), never splitting a character. A Shift-JIS file's (`shiftJis`
// given) shows its duplicate codes as their characters, and is never cut
// inside a double-byte code.
inline void AssignCut(std::string& out, std::string_view value, const CodePage* shiftJis) {
  if (shiftJis && HasEscapedBytes(value))
    out = CutToSjisWidth(ShownText(value, *shiftJis), ProfileFile::kValueBufferSize - 1, true);
  else if (value.size() > ProfileFile::kValueBufferSize - 1)
    out = CutToSjisWidth(std::string(value), ProfileFile::kValueBufferSize - 1);
  else
    out.assign(value);
}

}  // namespace vx
