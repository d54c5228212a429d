// The settings engine as it was first built: every line held as a record.
// The fuzz target compares the engine with it (same reads, same bytes
// written), since it is simple enough to trust and was fuzzed on its own.
//
// Rules kept: section and key names match without regard to case; blanks
// around names and values are trimmed; one pair of enclosing quotes is
// removed on read; the first of duplicate sections or keys wins; foreign
// sections, keys, comments, blank lines and the first line stay byte for
// byte; a written line ends in CR LF; a new key goes to the end of its
// section, a new section to the end of the file, or where the section's
// last key stood before it was removed. A value is read into a
// buffer of 2048 bytes, so at most 2047 bytes are seen, never splitting a
// double-byte character.
//
// A file that starts with the byte-order mark FF FE is UTF-16 LE: it is
// held as UTF-8 (a lone surrogate as a code point of its own), read and
// written in UTF-8's rules, its limit counted as Shift-JIS would count the
// characters (two bytes a UTF-16 unit beyond ASCII and the half-width
// katakana), and written back as UTF-16 LE after its mark.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx::fuzz {

class ReferenceProfile {
 public:
  static constexpr std::size_t kValueBufferSize = 2048;

  // Opens and parses the file once; a missing file reads as empty.
  explicit ReferenceProfile(std::string bytes);

  bool Utf16() const { return utf16_; }
  // Whether the code page writes the character of the double-byte code
  // `then` (a duplicate code) as `now`: a value written back as it was shown
  // keeps the file's code.
  std::function<bool(std::string_view then, std::string_view now)> duplicate;

  bool Existed() const { return existed_; }
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // The value as an integer (see ParseInt32); `def` when missing or no number.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Takes the key's first line out of its section; a later line of the same
  // name answers from then on.
  void DeleteKey(const std::string& section, const std::string& key);

  // The file's bytes as they would be flushed.
  std::string Text() const;

  // UTF-16 LE units and UTF-8, both ways, as this reference converts them.
  static std::string FromUtf16(std::string_view units);
  static std::string ToUtf16(std::string_view utf8);

 private:
  // Names compare and hash without regard to ASCII case (trail bytes of
  // double-byte characters kept as they are), so no folded copies are made.
  struct FoldHash {
    std::size_t operator()(std::string_view s) const;
  };
  struct FoldEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // The longest run of whole characters from the start within the limit.
  std::string WholeCharacters(std::string_view s, std::size_t limit) const;
  using NameIndex = std::unordered_map<std::string_view, std::size_t, FoldHash, FoldEqual>;
  struct Line {
    std::string_view text;  // without its line end; into the file's bytes or blocks_
    std::string_view eol;   // "\r\n", "\n" or "" (the last line of a file without one)
  };
  struct Key {
    std::string_view name;
    std::size_t line;
  };
  struct Section {
    Line header;
    std::vector<Line> lines;
    // The section's keys in file order, first of duplicates first. A section
    // holds a handful, and a scan of a few neighbours beats any hash; a big
    // one gets an index when first searched.
    std::vector<Key> keys;
    mutable std::unique_ptr<NameIndex> bigIndex;  // name -> position in keys
    // New keys go after this line (SIZE_MAX: right below the header): the
    // last key line, or the line before a last key removed.
    std::size_t lastKey = SIZE_MAX;
  };
  static const Key* FindIn(const Section& sec, std::string_view key);

  void Parse();
  const Line* FindKey(std::string_view section, std::string_view key) const;
  // Copies the pieces, joined, into storage that never moves.
  std::string_view Keep(std::string_view a, std::string_view b = {}, std::string_view c = {});

  bool existed_ = true;
  // Whether a key line that reads `then` already shows as `now`.
  bool ShownAlike(std::string_view then, std::string_view now) const;
  bool utf16_ = false;
  std::string oddByte_;                          // a UTF-16 file's odd last byte, written last
  std::string bytes_;                            // the file as read; unchanged lines point into it
  std::vector<std::unique_ptr<char[]>> blocks_;  // written lines and names
  std::size_t blockUsed_ = 0, blockSize_ = 0;
  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  NameIndex sectionIndex_;  // section name -> section, first wins
};

}  // namespace vx::fuzz
