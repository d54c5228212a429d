// The private-profile engine: reads and writes an INI file the way the
// Windows profile functions do on the files they accept, with one parse per
// use and a durable, atomic flush.
//
// Rules kept: section and key names match without regard to case; blanks
// around names and values are trimmed; one pair of enclosing quotes is
// removed on read; the first of duplicate sections or keys wins; foreign
// sections, keys, comments, blank lines and the first line stay byte for
// byte; a written line ends in CR LF; a new key goes to the end of its
// section, a new section to the end of the file; a key removed takes its
// first line away, so that a later line of its name answers from then on.
// A value is read into a
// buffer of 2048 bytes, so at most 2047 Shift-JIS bytes are seen (SjisWidth),
// never splitting a character. A section name ends at its first "]".
//
// The file's two forms: Shift-JIS bytes, or UTF-16 LE after a byte-order
// mark (FF FE), as Windows' own profile functions keep Unicode. The engine
// reads either into UTF-8 and works on that; a flush writes the file in
// its form. A Shift-JIS file stays Shift-JIS, byte for byte, while every
// character fits; the first flush that must hold a character Shift-JIS
// lacks writes the whole file as UTF-16, and a UTF-16 file stays so.
//
// Memory: the file's bytes, one 32-bit slot per distinct section (a little
// more for the hash table's slack), and, only for the sections a caller
// touches, one slot per key line; nothing per blank or comment line. The
// flush streams the unchanged stretches of the file and the written lines
// without joining them, unless they must be converted. So a file of any
// shape costs at most two and a half times its text (three times while a
// flush converts it), and a file is taken only while its text is within
// kMaxFileSize. The last file of up to 4 MiB is kept besides (its bytes,
// its text where that differs, its section table).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/codepage.h"
#include "platform/platform.h"

namespace vx {

class ProfileFile {
 public:
  static constexpr std::size_t kValueBufferSize = 2048;
  // The largest settings file the engine reads.
  static constexpr std::size_t kMaxFileSize = 64u << 20;
  static constexpr unsigned kOffsetBits = 26;
  static_assert(kMaxFileSize <= std::size_t(1) << kOffsetBits, "a line's offset fits its slot");

  // Opens and parses the file once; a missing file reads as empty (and is
  // made Shift-JIS). A file that exists but cannot be read whole raises
  // "<path> を読み込めません" with the system's text, one beyond
  // kMaxFileSize "<path> は大きすぎます"; nothing is then written over it.
  // `codePage` converts a Shift-JIS file.
  ProfileFile(Files& files, FilePath path, const CodePage& codePage);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Whether the last file read or written is kept (its bytes, its text and
  // its sections, up to 4 MiB) for the next routine that reads the same
  // bytes or writes the same text (on by default). Every routine still
  // reads the file. Off, every routine converts and parses the whole file:
  // the fuzzing tests the conversions themselves.
  static void RememberConversions(bool on);

  bool Existed() const { return existed_; }
  // Whether the file as read holds no text at all.
  bool Blank() const { return bytes_.empty(); }
  enum class Form { ShiftJis, Utf16 };
  Form FileForm() const { return form_; }
  std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
  // The value as an integer (see ParseInt32); `def` when missing or no number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's first line from the section, as the profile functions
  // do when a key is written without a value; a missing key changes nothing.
  void DeleteKey(std::string_view section, std::string_view key);
  // Several keys of one section at once, each answered or written as
  // ReadString (ReadInteger's text) or WriteString would, in the order
  // given. Where the file holds the section and nothing was added to it,
  // that is one pass over the section's lines, with no lookup per key.
  struct KeyRead {
    std::string_view key;
    std::string* value;  // set as ReadString gives it when found, else left as it is
    bool found = false;
  };
  struct KeyWrite {
    std::string_view key;
    std::string_view value;
    bool quoted = false;  // written between double quotes: key="value"
    bool remove = false;  // not written but removed, as DeleteKey removes it
  };
  void ReadKeys(std::string_view section, KeyRead* keys, std::size_t count) const;
  // The key names of the batch checked last (joined, and their sizes), and
  // whether they suit the one-pass walk.
  struct BatchMemo {
    std::string names;
    std::vector<std::size_t> sizes;
    bool fits = false;
  };
  void WriteKeys(std::string_view section, const KeyWrite* keys, std::size_t count);

  // Writes pending changes to disk, durably and atomically, in the file's
  // form, or as UTF-16 when a Shift-JIS file must hold a character it
  // lacks. Raises the error "<path> に書き込めません" when the system
  // refuses, and kMsgCannotConvert when the file must become UTF-16 but
  // holds bytes that are no Shift-JIS characters; the file on disk is then
  // unchanged.
  void Flush();

  // The file's text (UTF-8) as it would be flushed.
  std::string Text() const;

 private:
  using Offset = std::uint32_t;
  // An open-addressing table of line starts, keyed by the name each line
  // holds (a section header's, or a key line's): the first line of a name
  // stays. One 32-bit slot per line, with a quarter or more to spare. A
  // slot holds the line's offset in its low 26 bits (the file is at most
  // 64 MiB) and a few bits of its name's hash above them, so a probe
  // seldom reads a line whose name is not the one sought.
  class LineTable {
   public:
    // The name that the line starting at `at` holds.
    using NameOf = bool (*)(std::string_view bytes, Offset at, std::string_view& name);
    explicit LineTable(NameOf nameOf) : nameOf_(nameOf) {}
    bool Empty() const { return count_ == 0; }
    // Whether a line was left out because one of its name came first.
    bool HadDuplicates() const { return hadDuplicates_; }
    // The line that holds `name`, or UINT32_MAX.
    Offset Find(std::string_view bytes, std::string_view name) const;
    // Adds the line, unless a line of its name is there already.
    void Insert(std::string_view bytes, Offset line);
    // Makes room for `lines` lines at once, so that no growth rehashes them.
    void Reserve(std::size_t lines);

   private:
    std::size_t SlotOf(std::string_view bytes, std::string_view name, std::uint64_t hash) const;
    NameOf nameOf_;
    std::vector<Offset> slots_;
    std::size_t count_ = 0;
    bool hadDuplicates_ = false;
  };
  struct Section;
  struct NewSection;
  struct Found;
  struct Kept;
  static Kept& TheKept();
  void SetText(std::string text);
  // Takes the text, its form and its sections from the file kept last when
  // `raw` is its bytes.
  bool Recall(const std::string& raw);
  // The bytes that the text, in pieces, makes in `form`, when it is the
  // kept file's; null otherwise.
  std::shared_ptr<const std::string> RecallBytes(Form form, const std::vector<std::string_view>& text) const;
  // Keeps this file, parsed: `raw` its bytes as read (an ASCII file's are
  // its text).
  void Remember(std::shared_ptr<const std::string> raw) const;
  // Keeps `file` in place of the last, unless it is none or too large.
  static void KeepFile(Kept file);

  void Parse();
  Offset HeaderOf(std::string_view section) const;  // kNone when not in the file
  Section& StateOf(Offset header) const;
  // The section's record, kept for the flush (its new keys) from here on.
  Section& Keep(Offset header) const;
  Found FindKey(std::string_view section, std::string_view key) const;
  // Whether the lines after `header` read exactly key=value CR LF for
  // `keys` (trimmed names) that are not removed, in order; `end` is then
  // where they end.
  bool SectionReads(Offset header, const KeyWrite* keys, std::size_t count, Offset& end) const;
  // The value to store in a key line that reads `line` now: the line's own
  // bytes when they show as `value` (a Shift-JIS file's duplicate codes),
  // else `value`. `stored` holds them.
  std::string_view AsStored(std::string_view line, std::string_view key, std::string_view value, bool quoted,
                            std::string& stored) const;
  // Stores "key=value" for an original key line (unless it reads so already).
  void Rewrite(Offset line, std::string_view text, std::string_view key, std::string_view value, bool quoted);
  // A found key's value as read: trimmed, one pair of quotes removed; as
  // stored (ValueView) and as a caller sees it, cut to the buffer (ValueText).
  std::string_view ValueView(const Found& found) const;
  std::string ValueText(const Found& found) const;
  // The value of an original key line whose text after '=' is `rest`.
  std::string_view LineValue(Offset line, std::string_view rest) const;
  std::vector<std::string_view> Pieces() const;
  // The code page that shows a Shift-JIS file's values, when any of them
  // may hold an escaped byte; none for UTF-16.
  const CodePage* ShiftJis() const { return mayHoldEscapes_ ? &codePage_ : nullptr; }
  // A value written into a Shift-JIS file may hold escaped bytes too.
  void NoteWritten(std::string_view value) {
    if (!mayHoldEscapes_ && form_ == Form::ShiftJis && HasEscapedBytes(value)) mayHoldEscapes_ = true;
  }
  // Takes an original key line out of the file.
  void DeleteLine(Offset line);
  bool Deleted(Offset line) const;
  // Scans a section of the file again, after lines of it were deleted; its
  // new keys stay.
  void Rescan(Offset header);

  Files& files_;
  FilePath path_;
  const CodePage& codePage_;
  Form form_ = Form::ShiftJis;
  bool existed_ = false;
  bool dirty_ = false;
  // The file's text as read, UTF-8: held (and shared with the kept file)
  // by text_, and seen through bytes_.
  std::shared_ptr<const std::string> text_;
  std::string_view bytes_;
  LineTable sections_;  // the header of each distinct section (the first of duplicates)
  // The sections that were read or written, by header offset.
  mutable std::unordered_map<Offset, std::unique_ptr<Section>> touched_;
  mutable std::string_view lastName_;  // the section found last (its name in bytes_), and where
  mutable Offset lastHeader_ = UINT32_MAX;
  mutable Section* lastSection_ = nullptr;
  // The header that ended the last section scanned: callers that go through
  // the file in order ask for it next.
  mutable Offset nextHeader_ = UINT32_MAX;
  // The last section scanned, unless it was kept in touched_.
  mutable std::unique_ptr<Section> scratch_;
  mutable Offset scratchHeader_ = UINT32_MAX;
  // Key line start -> new text; an empty text for a line deleted.
  std::unordered_map<Offset, std::string> replaced_;
  std::size_t deletions_ = 0;
  mutable BatchMemo batchMemo_;
  std::string oddByte_;                             // the odd last byte of a UTF-16 file, kept last
  bool asciiText_ = false;                          // the file as read holds ASCII alone
  bool mayHoldEscapes_ = false;                     // a Shift-JIS file whose text holds an escaped byte, or may
  bool endsWithLineEnd_ = false;                    // the file's last line is written with a line end
  std::vector<std::unique_ptr<NewSection>> added_;  // sections new to the file, in order
  std::unordered_map<std::string, NewSection*> addedIndex_;  // folded name -> section
};

}  // namespace vx
