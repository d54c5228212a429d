// The settings engine's reading and writing of the file: its forms (a
// Shift-JIS file, UTF-16 in either order, UTF-8 after its mark), the last
// file kept, and the flush.
#include <mutex>

#include "base/text.h"
#include "core/ini_lines.h"
#include "core/messages.h"
#include "core/profile.h"
#include "core/profile_state.h"

namespace vx {

using namespace ini;

namespace {
constexpr std::size_t kKeptLimit = 4u << 20;
std::mutex g_keptLock;
bool g_remembering = true;
}  // namespace

ProfileFile::ProfileFile(Files& files, FilePath path, const CodePage& codePage)
    : files_(files), path_(std::move(path)), codePage_(codePage), sections_(SectionNameAt) {
  std::string raw;
  try {
    existed_ = files_.Read(path_, raw, kMaxFileSize);
  } catch (const FileTooLarge&) {
    throw std::runtime_error(Format(Tr(kMsgTooLarge), path_.utf8));
  } catch (const SystemError& e) {
    throw std::runtime_error(Format(Tr(kMsgCannotRead), path_.utf8) + "\r\n" + e.what());
  }
  if (!existed_) return;
  if (Recall(raw)) return;
  // UTF-16 LE is the Unicode form Windows' profile functions write. A file
  // in UTF-16 BE or UTF-8 with a byte-order mark is read whole in its own
  // form and saved as UTF-16 LE: never Shift-JIS lines appended to it.
  const bool le = raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE';
  const bool be = raw.size() >= 2 && raw[0] == '\xFE' && raw[1] == '\xFF';
  bool kept = true;  // a flush of the text in its form writes these very bytes
  if (le || be) {
    form_ = Form::Utf16;
    const std::string_view units = std::string_view(raw).substr(2);
    SetText(Utf16FileToText(units, be));
    // An odd last byte is no unit; it is kept, last, as it was.
    if (units.size() % 2) oddByte_ = units.back();
    kept = le && oddByte_.empty();
  } else if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    form_ = Form::Utf16;
    // A byte that is no UTF-8 has no UTF-16 form either: U+FFFD, as any
    // program that reads the file shows it.
    SetText(Utf16ToUtf8(Utf8ToUtf16(std::string_view(raw).substr(3))));
    kept = false;
  } else if (IsAscii(raw)) {
    SetText(std::move(raw));  // the same bytes in the text
    asciiText_ = true;
  } else {
    SetText(SjisFileToText(raw, codePage_));
    mayHoldEscapes_ = HasEscapedBytes(bytes_);
  }
  // Offsets into the text take 26 bits.
  if (bytes_.size() > kMaxFileSize) throw std::runtime_error(Format(Tr(kMsgTooLargeText), path_.utf8));
  Parse();
  if (kept) Remember(asciiText_ ? text_ : std::make_shared<const std::string>(std::move(raw)));
}

void ProfileFile::SetText(std::string text) {
  text_ = std::make_shared<const std::string>(std::move(text));
  bytes_ = *text_;
}

// The last file read or written, both ways: its bytes, its text and, once
// it was read, its sections. Every routine reads the file anew, and a save
// writes what it read with a few lines changed; when the bytes read are
// those kept (the file read again, or just written), or the text to write
// is, the rest is known without converting or parsing the whole file
// again, and the text is shared, not copied. Only files in a form a flush
// writes, up to kKeptLimit.
struct ProfileFile::Kept {
  std::uint64_t codePage = 0;  // its serial; 0: nothing kept
  Form form = Form::ShiftJis;
  bool ascii = false;  // the text is the bytes
  bool mayHoldEscapes = false;
  bool parsed = false;  // `sections` is the text's
  std::shared_ptr<const std::string> raw, text;
  LineTable sections{SectionNameAt};
};

ProfileFile::Kept& ProfileFile::TheKept() {
  static Kept kept;
  return kept;
}

bool ProfileFile::Recall(const std::string& raw) {
  bool parsed = false;
  {
    std::lock_guard<std::mutex> held(g_keptLock);
    const Kept& k = TheKept();
    if (!g_remembering || !k.raw || k.codePage != codePage_.Serial() || *k.raw != raw) return false;
    form_ = k.form;
    asciiText_ = k.ascii;
    mayHoldEscapes_ = k.mayHoldEscapes;
    text_ = k.text;
    bytes_ = *text_;
    parsed = k.parsed;
    if (parsed) sections_ = k.sections;
  }
  // Just written: known, but not yet parsed.
  if (!parsed) {
    Parse();
    std::lock_guard<std::mutex> held(g_keptLock);
    Kept& k = TheKept();
    if (k.text == text_) {
      k.sections = sections_;
      k.parsed = true;
    }
  }
  return true;
}

std::shared_ptr<const std::string> ProfileFile::RecallBytes(Form form,
                                                            const std::vector<std::string_view>& text) const {
  // The text is compared in the pieces a flush streams, where they stand.
  std::lock_guard<std::mutex> held(g_keptLock);
  const Kept& k = TheKept();
  if (!g_remembering || !k.raw || k.codePage != codePage_.Serial() || k.form != form || k.ascii) return nullptr;
  std::size_t at = 0;
  for (std::string_view piece : text) {
    if (k.text->compare(at, piece.size(), piece) != 0) return nullptr;
    at += piece.size();
  }
  return at == k.text->size() ? k.raw : nullptr;
}

void ProfileFile::Remember(std::shared_ptr<const std::string> raw) const {
  // Sized first: the section table is copied only for a file that is kept.
  if (raw->size() > kKeptLimit || bytes_.size() > kKeptLimit) return KeepFile(Kept{});
  KeepFile(Kept{codePage_.Serial(), form_, asciiText_, mayHoldEscapes_, true, std::move(raw), text_, sections_});
}

void ProfileFile::KeepFile(Kept file) {
  std::lock_guard<std::mutex> held(g_keptLock);
  Kept& k = TheKept();
  if (!g_remembering || !file.raw || file.raw->size() > kKeptLimit || file.text->size() > kKeptLimit)
    k = Kept{};
  else
    k = std::move(file);
}

void ProfileFile::RememberConversions(bool on) {
  std::lock_guard<std::mutex> held(g_keptLock);
  g_remembering = on;
  TheKept() = Kept{};
}

ProfileFile::~ProfileFile() = default;

void ProfileFile::Flush() {
  if (!dirty_) return;
  std::vector<std::string_view> pieces = Pieces();
  std::size_t textSize = 0;
  for (std::string_view piece : pieces) textSize += piece.size();
  // Text that is all ASCII is the same bytes in Shift-JIS: it streams as it
  // is. Anything else is converted whole, unless it is the kept file's.
  Form form = form_;
  // Of the file's own text, only what was written needs asking.
  bool ascii = form == Form::ShiftJis;
  const char* const text0 = bytes_.data();
  for (std::size_t i = 0; ascii && i < pieces.size(); ++i)
    ascii = (asciiText_ && pieces[i].data() >= text0 && pieces[i].data() < text0 + bytes_.size()) || IsAscii(pieces[i]);
  // A file written in its own form as it was read, or as it was last
  // written, is known already; anything else is converted whole.
  std::shared_ptr<const std::string> written = ascii ? nullptr : RecallBytes(form, pieces);
  if (!ascii && !written) {
    std::string text, converted;
    text.reserve(textSize);
    for (std::string_view piece : pieces) text += piece;
    if (form == Form::ShiftJis && !TextToSjisFile(text, codePage_, converted)) form = Form::Utf16;
    if (form == Form::Utf16) {
      // Escaped bytes of a Shift-JIS file become the characters they stand for.
      if (!TextToUtf16File(text, form_ == Form::ShiftJis ? &codePage_ : nullptr, converted))
        throw std::runtime_error(Format(Tr(kMsgCannotConvert), path_.utf8));
      converted.insert(0, "\xFF\xFE", 2);
    }
    written = std::make_shared<const std::string>(std::move(converted));
    // Kept as the file it is now: these bytes, this text, not yet parsed.
    if (oddByte_.empty()) {
      const bool escapes = form == Form::ShiftJis && HasEscapedBytes(text);
      KeepFile(Kept{codePage_.Serial(), form, false, escapes, false, written,
                    std::make_shared<const std::string>(std::move(text)), LineTable(SectionNameAt)});
    }
  }
  if (written) pieces.assign(1, *written);
  if (!oddByte_.empty()) pieces.push_back(oddByte_);
  // A file the next start could not read (its bytes, or its text) is
  // not written.
  std::size_t fileSize = 0;
  for (std::string_view piece : pieces) fileSize += piece.size();
  if (fileSize > kMaxFileSize || textSize > kMaxFileSize)
    throw std::runtime_error(Format(Tr(fileSize > kMaxFileSize ? kMsgTooLarge : kMsgTooLargeText), path_.utf8));
  try {
    files_.Replace(path_, pieces);
  } catch (const SystemError&) {
    throw std::runtime_error(Format(Tr(kMsgCannotWrite), path_.utf8));
  }
  form_ = form;
  dirty_ = false;
  existed_ = true;
}

}  // namespace vx
