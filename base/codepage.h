// The conversions between the program's text (UTF-8), the system's UTF-16
// and the two forms of the settings file: Shift-JIS bytes, or UTF-16 LE
// after a byte-order mark. And the paths of the program's own files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// UTF-8 and UTF-16, both ways. A lone surrogate becomes U+FFFD in UTF-8; a
// malformed UTF-8 sequence, or an escaped byte, becomes U+FFFD in UTF-16.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The system's conversions between Shift-JIS (code page 932) and UTF-16,
// as a backend has them. Encode never uses a look-alike: a character that
// the code page lacks comes out as '?'. Decode gives a character the code
// page does not define as U+FFFD or as Windows' default character.
class CodePage {
 public:
  CodePage();
  virtual ~CodePage() = default;
  // Told apart from every other code page made in this run.
  std::uint64_t Serial() const { return serial_; }
  virtual std::string Encode(std::u16string_view text) const = 0;
  virtual std::u16string Decode(std::string_view sjis) const = 0;

 private:
  std::uint64_t serial_;
};

// The settings file's text. A Shift-JIS file becomes UTF-8 whole; a byte
// that is no character, or a character written in a form other than the
// one the code page writes for it (Shift-JIS has duplicates), is escaped as
// the code point U+DC00 plus the byte, so that the same bytes come back.
std::string SjisFileToText(std::string bytes, const CodePage& codePage);
// The text as Shift-JIS bytes, escaped bytes as they were; false when a
// character has no Shift-JIS form.
bool TextToSjisFile(std::string_view text, const CodePage& codePage, std::string& bytes);
// A UTF-16 file's units (after its byte-order mark; little-endian unless
// `bigEndian`) as UTF-8; a lone surrogate is kept as a code point of its
// own, so it is written back. An odd last byte is no unit: it is left out
// (the caller keeps it).
std::string Utf16FileToText(std::string_view bytes, bool bigEndian = false);
// The text as UTF-16 LE units. `escapedFrom` is the code page of a
// Shift-JIS file being converted: its escaped bytes become the characters
// they are, and a byte that is no character makes the conversion fail
// (false). Without it, a surrogate is written as the unit it is.
bool TextToUtf16File(std::string_view text, const CodePage* escapedFrom, std::string& bytes);
// Whether the text holds an escaped byte.
bool HasEscapedBytes(std::string_view text);
// A Shift-JIS file's text as a person sees it: a double-byte code held
// escaped because the code page writes its character from another code
// (Windows' duplicates: ≒ from 0x8790 as from 0x81E0, 髙 from 0xFBFC and
// 0xEEE0) becomes that character, as Windows decodes it; any other escaped
// byte stays.
std::string ShownText(std::string_view text, const CodePage& codePage);

// The path of one of the program's own files (its executable, settings
// file and log) as the file system names it: UTF-8 here and UTF-16 in the
// system's calls, so that a folder named "Café Jürgen" is the folder used.
struct FilePath {
  std::string utf8;

  FilePath() = default;
  explicit FilePath(std::string utf8Path) : utf8(std::move(utf8Path)) {}

  bool empty() const { return utf8.empty(); }
  // The same path with its extension replaced by `ext` (ASCII, with its dot).
  FilePath WithExtension(const std::string& ext) const;
  // The folder that holds the file, without its final separator.
  FilePath Folder() const;
  // The file-name part.
  std::string FileName() const;
  friend bool operator==(const FilePath& a, const FilePath& b) { return a.utf8 == b.utf8; }
  friend bool operator!=(const FilePath& a, const FilePath& b) { return !(a == b); }
};

}  // namespace vx
