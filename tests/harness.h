// Shared test scaffolding: a temporary folder, a headless desktop, and the
// program started on it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/Fom_Main.h"
#include "app/program.h"
#include "base/names.h"
#include "base/text.h"
#include "core/Unit_All.h"
#include "platform/headless/headless.h"
#include "toolkit/toolkit.h"

namespace vx::test {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The system's Shift-JIS, as the headless desktop has it.
inline const CodePage& Sjis() {
  static const IconvCodePage codePage;
  return codePage;
}

// A test's text (UTF-8; a byte that is no UTF-8 stands for itself) as the
// bytes of a Shift-JIS file.
inline std::string SjisBytes(const std::string& text) {
  std::string bytes;
  EXPECT_TRUE(TextToSjisFile(text, Sjis(), bytes)) << "no Shift-JIS form: " << text;
  return bytes;
}

// A settings file's bytes, Shift-JIS or UTF-16 after its byte-order mark, as
// a test's text: a byte that is no character stands for itself.
inline std::string FileText(const std::string& bytes) {
  const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  const std::string text = utf16 ? Utf16FileToText(bytes.substr(2)) : SjisFileToText(bytes, Sjis());
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    const char32_t c = NextCodePoint(text, i);
    if (!utf16 && c >= 0xDC00 && c <= 0xDCFF)
      out += static_cast<char>(c - 0xDC00);
    else
      out.append(text, at, i - at);
  }
  return out;
}

// A form with nothing on it, for the toolkit's and the tray's own tests.
class PlainForm : public TForm {
 public:
  explicit PlainForm(TComponent* owner) : TForm(owner, "TPlain", "plain") {}
};

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/vorlex-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A person's choice in a menu that shows: the entry with that caption
// (-1, nothing chosen, when the menu has none).
inline int Choose(const HeadlessPlatform::Popup& pop, const std::string& caption) {
  for (std::size_t i = 0; i < pop.entries.size(); ++i)
    if (pop.entries[i].caption == caption) return pop.firstId + static_cast<int>(i);
  ADD_FAILURE() << "no menu entry " << caption;
  return -1;
}
// The same in a submenu that shows.
inline int Choose(const HeadlessPlatform::Shown& sub, const std::string& caption) {
  for (std::size_t i = 0; i < sub.entries.size(); ++i)
    if (sub.entries[i].caption == caption) return sub.firstId + static_cast<int>(i);
  ADD_FAILURE() << "no submenu entry " << caption;
  return -1;
}
// An onPopup answer that chooses the entry with that caption.
inline std::function<int(const HeadlessPlatform::Popup&)> Choosing(const std::string& caption) {
  return [caption](const HeadlessPlatform::Popup& pop) { return Choose(pop, caption); };
}

// One running copy of the program on a headless desktop.
class Desktop {
 public:
  explicit Desktop(HeadlessSystem* shared = nullptr)
      : system_(shared ? shared : &own_), p(*system_, dir / "Vorlex.exe") {}
  ~Desktop() { program.reset(); }

  std::string Ini() const { return dir / "Vorlex.ini"; }
  // The settings file as text, whatever its form, and its bytes.
  std::string IniText() const { return FileText(ReadFile(Ini())); }
  std::string IniBytes() const { return ReadFile(Ini()); }
  // Writes a Shift-JIS settings file.
  void WriteIni(const std::string& text) const { WriteFile(Ini(), SjisBytes(text)); }

  int Start() {
    program = std::make_unique<VorlexProgram>(p);
    return program->Start();
  }
  // Handles every queued message; true once the program has been told to end.
  bool Pump() { return program->Run(); }
  // Sends a close request to the main window, runs to the end, finishes.
  int Close() {
    p.PostMessage(Form_Main->GetHandle(), kWmClose, 0, 0);
    EXPECT_TRUE(Pump());
    int code = program->Finish();
    program.reset();
    return code;
  }
  // A tray callback as the shell sends it.
  void Tray(std::uint32_t mouseMessage) {
    p.PostMessage(Form_Main->TI_Main->WindowHandle(), kTrayCallbackMessage, 1,
                  static_cast<std::intptr_t>(mouseMessage));
  }
  HeadlessSystem& system() { return *system_; }

  TempDir dir;

 private:
  HeadlessSystem own_;
  HeadlessSystem* system_;

 public:
  HeadlessPlatform p;
  std::unique_ptr<VorlexProgram> program;
};

// The shared state of the launcher on a headless platform with an empty item
// list, without the toolkit or the program's windows: for tests of the core
// routines. Nothing in its folder is read before a routine runs.
class CoreSession {
 public:
  CoreSession() : p(system, dir / "Vorlex.exe") {
    SetCorePlatform(&p);
    ExeList = new TExeList;
    AtomName = "Atom_Vorlex";
    IniFileName = FilePath(dir / "Vorlex.ini");
    ExeFileName = "Vorlex.exe";
    HotKeyWnd = p.CreateWindow(WindowSpec{}, nullptr);
  }
  ~CoreSession() {
    delete ExeList;
    ExeList = nullptr;
    FinalizeUnitAll();
    SetCorePlatform(nullptr);
  }
  CoreSession(const CoreSession&) = delete;
  CoreSession& operator=(const CoreSession&) = delete;

  TempDir dir;
  HeadlessSystem system;
  HeadlessPlatform p;
};

class CoreTest : public ::testing::Test, protected CoreSession {
 protected:
  TVorlexType* AddItem(const std::string& name, ShortCut hotKey = 0, const std::string& exe = "") {
    TVorlexType* r = ExeList->Add();
    r->Name = name;
    r->HotKey = hotKey;
    r->Exe = exe;
    return r;
  }
};

}  // namespace vx::test
