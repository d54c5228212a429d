// Fuzz target of the settings file (libFuzzer).
//
// An input is a settings file, a zero byte, and a script of reads, writes
// and removals. The file is Shift-JIS, or UTF-16 LE when it starts with FF
// FE; the script's texts are Shift-JIS bytes for a Shift-JIS file, and
// UTF-8 for a UTF-16 one. Checked on every input:
// - the engine answers every read of the script as the reference engine
//   does (keys read one by one or a few of a section together), and after
//   the writes both produce the same bytes in the file's form; a flush
//   writes exactly those bytes;
// - the launcher's load and save: what a save writes loads back as the same
//   items and settings, and a second save writes the same bytes again.
// Any difference aborts, as do the sanitizers' findings.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "core/profile.h"
#include "fuzz/reference_profile.h"
#include "platform/headless/headless.h"

namespace {

using namespace vx;

// One file, in memory.
class MemoryFiles : public Files {
 public:
  std::string bytes;
  bool exists = false;
  bool Read(const FilePath&, std::string& out, std::size_t maxBytes) override {
    if (!exists) return false;
    if (bytes.size() > maxBytes) throw FileTooLarge("too large");
    out = bytes;
    return true;
  }
  bool Exists(const FilePath&) override { return exists; }
  void Create(const FilePath&, const std::string& b) override {
    bytes = b;
    exists = true;
  }
  void Append(const FilePath&, const std::string& b) override {
    bytes += b;
    exists = true;
  }
  void Replace(const FilePath&, const std::vector<std::string_view>& pieces) override {
    bytes.clear();
    for (std::string_view p : pieces) bytes += p;
    exists = true;
  }
};

class MemoryPlatform : public HeadlessPlatform {
 public:
  MemoryPlatform(HeadlessSystem& s) : HeadlessPlatform(s, "C:\\Vorlex\\Vorlex.exe") {}
  Files& files() override { return memory; }
  MemoryFiles memory;
};

// The bytes with those outside printable ASCII as \xNN.
std::string Shown(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char buf[8];
    std::snprintf(buf, sizeof buf, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    out += buf;
  }
  return out;
}

[[noreturn]] void Fail(const char* what, const std::string& a, const std::string& b) {
  std::fprintf(stderr, "%s\n--- engine:\n%s\n--- expected:\n%s\n", what, Shown(a).c_str(), Shown(b).c_str());
  std::abort();
}

// Reads the script: each step takes a byte and a few short names.
class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool More() const { return p_ < end_; }
  std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  // A name or value: a length, then that many bytes without line ends; or
  // one of a few names the program uses, in other letter cases.
  std::string Text() {
    static const char* const kNames[] = {"Basic", "count", "-1", "0", "1", "NAME", "HotKey", "Time", "‐]x"};
    const std::uint8_t n = Byte();
    if (n >= 0xF0) return kNames[n % (sizeof kNames / sizeof *kNames)];
    std::string s;
    for (std::uint8_t i = 0; i < n % 24 && More(); ++i) {
      const char c = static_cast<char>(Byte());
      if (c != '\r' && c != '\n') s += c;
    }
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

const IconvCodePage kSjis;

// The reference's texts and the engine's: the engine holds UTF-8, the
// reference a Shift-JIS file's bytes as they are. A UTF-16 file's script
// gives both the same UTF-8.
class Texts {
 public:
  explicit Texts(bool utf16) : utf16_(utf16) {}
  std::string Engine(const std::string& reference) const {
    return utf16_ ? reference : SjisFileToText(reference, kSjis);
  }
  // A value read: a Shift-JIS file's duplicate codes show as their characters.
  std::string Read(const std::string& reference) const {
    return utf16_ ? reference : ShownText(Engine(reference), kSjis);
  }
  std::string FromScript(const std::string& bytes) const { return utf16_ ? Utf16ToUtf8(Utf8ToUtf16(bytes)) : bytes; }

 private:
  bool utf16_;
};

void CheckEngine(const std::string& file, Script script) {
  MemoryFiles files;
  files.bytes = file;
  files.exists = true;
  ProfileFile ini(files, FilePath("f.ini"), kSjis);
  fuzz::ReferenceProfile ref(file);
  ref.duplicate = [](std::string_view then, std::string_view now) {
    const std::u16string c = kSjis.Decode(then);
    if (c.size() != 1 || c[0] == 0xFFFD || (c[0] >= 0xD800 && c[0] <= 0xDFFF) || (c[0] == 0x30FB && then != "\x81\x45"))
      return false;
    return kSjis.Encode(c) == now && kSjis.Decode(now) == c;
  };
  const Texts texts(ref.Utf16());
  // The script's texts in the reference's form, and in the engine's.
  struct Text {
    std::string ref, engine;
  };
  auto next = [&] {
    const std::string t = texts.FromScript(script.Text());
    return Text{t, texts.Engine(t)};
  };
  for (int steps = 0; script.More() && steps < 200; ++steps) {
    const std::uint8_t op = script.Byte();
    const Text sectionText = next(), keyText = next();
    const std::string &section = sectionText.ref, &key = keyText.ref;
    if (op & 4) {
      // A few keys of one section together, checked against the reference
      // taking them one by one.
      Text names[3] = {keyText, next(), next()}, values[3];
      std::string read[3];
      const std::size_t count = 1 + op % 3;
      if (op & 1) {
        // Bits 5 to 7 remove the batch's keys instead of writing them.
        ProfileFile::KeyWrite keys[3];
        for (std::size_t i = 0; i < count; ++i) {
          values[i] = next();
          const bool quoted = (op & 8) != 0, remove = (op >> (5 + i) & 1) != 0;
          keys[i] = {names[i].engine, values[i].engine, quoted, remove};
          if (remove)
            ref.DeleteKey(section, names[i].ref);
          else
            ref.WriteString(section, names[i].ref, quoted ? "\"" + values[i].ref + "\"" : values[i].ref);
        }
        ini.WriteKeys(sectionText.engine, keys, count);
      } else {
        ProfileFile::KeyRead keys[3] = {
            {names[0].engine, &read[0]}, {names[1].engine, &read[1]}, {names[2].engine, &read[2]}};
        ini.ReadKeys(sectionText.engine, keys, count);
        for (std::size_t i = 0; i < count; ++i) {
          const std::string want = texts.Read(ref.ReadString(section, names[i].ref, "\x01"));
          const std::string got = keys[i].found ? read[i] : "\x01";
          if (got != want) Fail("read together differs", got, want);
        }
      }
      continue;
    }
    if ((op & 1) && (op & 16)) {
      ini.DeleteKey(sectionText.engine, keyText.engine);
      ref.DeleteKey(section, key);
    } else if (op & 1) {
      const Text value = next();
      ini.WriteString(sectionText.engine, keyText.engine, value.engine);
      ref.WriteString(section, key, value.ref);
    } else if (op & 2) {
      if (ini.ReadInteger(sectionText.engine, keyText.engine, -7) != ref.ReadInteger(section, key, -7))
        Fail("integer read differs", section, key);
    } else {
      const std::string a = ini.ReadString(sectionText.engine, keyText.engine, "def");
      const std::string b = texts.Read(ref.ReadString(section, key, "def"));
      if (a != b) Fail("read differs", a, b);
    }
  }
  // Nothing of the script needs another form: the file keeps its own. (A
  // Shift-JIS file's text is compared as bytes: a byte written before "]"
  // may pair with it when the file is read again, as Shift-JIS has it.)
  const std::string expected = ref.Text();
  if (ref.Utf16() && ini.Text() != ref.FromUtf16(expected.substr(2))) Fail("text differs", ini.Text(), expected);
  ini.Flush();
  // A file in UTF-16 BE or UTF-8 becomes UTF-16 LE when it is written; one
  // that nothing was written to stays as it was.
  const bool otherForm = file.rfind("\xFE\xFF", 0) == 0 || file.rfind("\xEF\xBB\xBF", 0) == 0;
  if (files.bytes != expected && !(otherForm && files.bytes == file))
    Fail("written bytes differ", files.bytes, expected);
}

struct Snapshot {
  std::string atomName;
  bool shortCutView, visibleMenuIcon;
  std::int32_t left, right;
  std::vector<TVorlexType> items;  // the launch items, then the menu hotkey's
  // Items compare by every field of the item's field table.
  bool operator==(const Snapshot& o) const {
    return atomName == o.atomName && shortCutView == o.shortCutView && visibleMenuIcon == o.visibleMenuIcon &&
           left == o.left && right == o.right && items == o.items;
  }
};

Snapshot Take() {
  Snapshot s{AtomName, ShortCutView, VisibleMenuIcon, LeftDoubleClickMenuNo, RightDoubleClickMenuNo, {}};
  for (int i = 0; i < ExeList->Count(); ++i) s.items.push_back(*ExeList->Items(i));
  s.items.push_back(MenuHotKeyItem);
  return s;
}

void CheckLoadSave(const std::string& file) {
  static HeadlessSystem system;
  static MemoryPlatform* platform = new MemoryPlatform(system);
  SetCorePlatform(platform);
  platform->messageBoxes.clear();
  platform->memory.bytes = file;
  platform->memory.exists = true;
  IniFileName = FilePath("C:\\Vorlex\\Vorlex.ini");
  ExeFileName = "Vorlex.exe";
  AtomName = "Atom_Vorlex";
  MenuHotKeyItem = TVorlexType{};
  TExeList list;
  ExeList = &list;
  try {
    WriteIniHeader();
    LoadSettings();
    const Snapshot loaded = Take();
    SaveSettings();
    const std::string saved = platform->memory.bytes;
    ClearExeList();
    LoadSettings();
    // A save writes nothing for an empty list, so the file's own sections
    // load again; otherwise the same items come back.
    if (loaded.items.size() > 1 && !(Take() == loaded)) Fail("a saved file loads differently", saved, file);
    SaveSettings();
    if (platform->memory.bytes != saved) Fail("a second save writes other bytes", platform->memory.bytes, saved);
  } catch (const std::runtime_error&) {
    // Only a file too large to read may raise here.
    if (file.size() <= ProfileFile::kMaxFileSize) {
      ExeList = nullptr;
      throw;
    }
  }
  ClearExeList();
  ExeList = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
  const std::size_t fileSize = zero ? static_cast<std::size_t>(zero - data) : size;
  std::string file(reinterpret_cast<const char*>(data), fileSize);
  // A UTF-8 file (after its mark) is fuzzed as valid UTF-8: a byte that is
  // none reads as U+FFFD, which the reference need not know.
  if (file.rfind("\xEF\xBB\xBF", 0) == 0) file = "\xEF\xBB\xBF" + Utf16ToUtf8(Utf8ToUtf16(file.substr(3)));
  const std::size_t rest = zero ? size - fileSize - 1 : 0;
  // The engine against the reference converts every time; the program's
  // own load and save keep the last file, as they do in the program.
  ProfileFile::RememberConversions(false);
  CheckEngine(file, Script(zero ? zero + 1 : data + size, rest));
  ProfileFile::RememberConversions(true);
  // Thousands of items take a second a run under the sanitizers; the limit
  // on Count has its own tests, and breadth matters more here.
  MemoryFiles peek;
  peek.bytes = file;
  peek.exists = true;
  if (ProfileFile(peek, FilePath("f.ini"), kSjis).ReadInteger("Basic", "Count", 0) <= 200) CheckLoadSave(file);
  return 0;
}
