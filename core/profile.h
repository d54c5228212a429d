// The private-profile engine: reads and writes an INI file the way the
// Windows profile functions do on the files they accept, with one parse per
// use and a durable, atomic flush.
//
// Rules kept: section and key names match without regard to case; blanks
// around names and values are trimmed; one pair of enclosing quotes is
// removed on read; the first of duplicate sections or keys wins; foreign
// sections, keys, comments, blank lines and the first line stay byte for
// byte; a written line ends in CR LF; a new key goes to the end of its
// section, a new section to the end of the file. A value is read into a
// buffer of 2048 bytes, so at most 2047 bytes are seen, never splitting a
// double-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace vx {

class ProfileFile {
 public:
  static constexpr std::size_t kValueBufferSize = 2048;

  // Opens and parses the file once; a missing file reads as empty.
  ProfileFile(Files& files, std::string path);

  bool Existed() const { return existed_; }
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // The value as an integer (see ParseInt32); `def` when missing or no number.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Writes pending changes to disk, durably and atomically. Raises the
  // error "<path> に書き込めません" when the system refuses; the file on
  // disk is then unchanged.
  void Flush();

  // The file's bytes as they would be flushed.
  std::string Text() const;

 private:
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n" or "" (the last line of a file without one)
  };
  struct Section {
    Line header;
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys;  // folded key -> line, first wins
    std::size_t lastKey = SIZE_MAX;                     // index of the last key line
  };

  void Parse(const std::string& bytes);
  const Line* FindKey(const std::string& section, const std::string& key) const;

  Files& files_;
  std::string path_;
  bool existed_ = false;
  bool dirty_ = false;
  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> section, first wins
};

}  // namespace vx
