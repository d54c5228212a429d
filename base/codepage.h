// Where a person's text becomes CP932, and the paths of the program's own
// files, which never go through the code page.
//
// Edit boxes, dropped files and the file-open dialog hand over UTF-16, as the
// system holds it. ToCp932 is the one place where such text becomes the
// CP932 that the settings file stores: it says which characters CP932 cannot
// hold exactly, so that no caller ever keeps a look-alike (best-fit turns ü
// into u and ¥ into the path separator).
#pragma once

#include <string>
#include <string_view>

namespace vx {

// UTF-8 and UTF-16, both ways. A lone surrogate becomes U+FFFD in UTF-8; a
// malformed UTF-8 sequence becomes U+FFFD in UTF-16.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The system's conversions between CP932 and UTF-16, as a backend has them.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // The CP932 bytes the system makes of `text`. A character that CP932
  // lacks may come out as anything; ToCp932 finds it.
  virtual std::string Encode(std::u16string_view text) const = 0;
  virtual std::u16string Decode(std::string_view cp932) const = 0;
};

// A person's text as CP932.
struct Cp932Text {
  std::string text;     // exactly the person's text when `lost` is empty
  std::u32string lost;  // each character CP932 cannot hold, once, in order
  bool exact() const { return lost.empty(); }
};

// The person's text as CP932, exact only when converting it back gives the
// same UTF-16. A lone surrogate is a lost character of its own.
Cp932Text ToCp932(std::u16string_view text, const CodePage& codePage);
// Characters as a person can look them up: "U+00FC U+301C".
std::string CharacterList(const std::u32string& chars);

// The path of one of the program's own files (its executable, settings file
// and log) as the file system names it: UTF-8 here and UTF-16 in the
// system's calls, never through the code page, so that a folder named
// "Café Jürgen" is the folder used. `display` is the same path as CP932 text
// for messages, with '?' for the characters that CP932 lacks.
struct FilePath {
  std::string utf8;
  std::string display;

  FilePath() = default;
  FilePath(std::string utf8Path, std::string displayText)
      : utf8(std::move(utf8Path)), display(std::move(displayText)) {}
  // A path whose display form is its ASCII, with '?' for anything else.
  explicit FilePath(std::string utf8Path);

  bool empty() const { return utf8.empty(); }
  // The same path with its extension replaced by `ext` (ASCII, with its dot).
  FilePath WithExtension(const std::string& ext) const;
  // The folder that holds the file, without its final separator.
  FilePath Folder() const;
  // The file-name part, as display text.
  std::string FileNameDisplay() const;
  friend bool operator==(const FilePath& a, const FilePath& b) { return a.utf8 == b.utf8; }
  friend bool operator!=(const FilePath& a, const FilePath& b) { return !(a == b); }
};

}  // namespace vx
