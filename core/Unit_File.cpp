#include "core/Unit_File.h"

#include <algorithm>

#include "core/Unit_All.h"
#include "core/messages.h"
#include "core/profile.h"
#include "platform/text.h"

namespace vx {

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Flag(bool b) { return b ? "1" : "0"; }

// A ShortCut as stored: a value outside 0..65535 does not fit and loads as
// "no hotkey", so one damaged key cannot stop the rest of the file loading.
ShortCut ReadShortCut(const ProfileFile& ini, const std::string& section) {
  const std::int32_t v = ini.ReadInteger(section, "HotKey", 0);
  return (v < 0 || v > 0xFFFF) ? 0 : static_cast<ShortCut>(v);
}

void ReadItem(const ProfileFile& ini, const std::string& section, TVorlexType& rec, const std::string& defName) {
  rec.Atom = 0;
  rec.Name = ini.ReadString(section, "Name", defName);
  rec.HotKey = ReadShortCut(ini, section);
  rec.Exe = ini.ReadString(section, "Exe", "");
  rec.Par = ini.ReadString(section, "Par", "");
  rec.Dir = ini.ReadString(section, "Dir", "");
}

// `quoted` is one buffer for every item's values, so a save of many items
// makes no string per value.
void WriteItem(ProfileFile& ini, const std::string& section, const TVorlexType& rec, std::string& quoted) {
  auto quote = [&quoted](const std::string& s) -> const std::string& {
    quoted.assign(1, '"').append(s).push_back('"');
    return quoted;
  };
  ini.WriteString(section, "Name", quote(rec.Name));
  ini.WriteString(section, "HotKey", std::to_string(rec.HotKey));
  ini.WriteString(section, "Exe", quote(rec.Exe));
  ini.WriteString(section, "Par", quote(rec.Par));
  ini.WriteString(section, "Dir", quote(rec.Dir));
}

}  // namespace

void WriteIniHeader() {
  Files& files = CorePlatform().files();
  if (!files.Exists(IniFileName)) {
    try {
      files.Create(IniFileName, std::string(kIniHeaderLine) + "\r\n");
    } catch (const SystemError& e) {
      throw std::runtime_error(Format(kMsgCannotCreate, IniFileName.display) + "\r\n" + e.what());
    }
  }
  ProfileFile ini(files, IniFileName);
  ini.WriteString("Head", "Name", Quoted(ExeFileName));
  ini.WriteString("Head", "Version", Quoted(kVersion));
  ini.Flush();
}

void LoadSettings() {
  ExeList->Clear();
  ProfileFile ini(CorePlatform().files(), IniFileName);
  if (!ini.Existed()) return;

  AtomName = ini.ReadString("Basic", "AtomName", kDefaultAtomName);
  std::int32_t count = ini.ReadInteger("Basic", "Count", 0);
  ShortCutView = ini.ReadInteger("Basic", "ShortCutView", 0) != 0;
  LeftDoubleClickMenuNo = ini.ReadInteger("Basic", "LeftDoubleClickMenuNo", -1);
  RightDoubleClickMenuNo = ini.ReadInteger("Basic", "RightDoubleClickMenuNo", -1);
  VisibleMenuIcon = ini.ReadInteger("Basic", "VisibleMenuIcon", 1) != 0;

  ReadItem(ini, "-1", MenuHotKeyItem, kDefaultMenuHotKeyName);
  if (count > kMaxItems) {
    // Said once per load; the sections beyond the limit stay in the file.
    ShowMessage(Format(Format(kMsgTooManyItems, IniFileName.display), count));
    count = kMaxItems;
  }
  for (std::int32_t i = 0; i < count; ++i) ReadItem(ini, std::to_string(i), *ExeList->Add(), "");
}

void SaveSettings() {
  if (ExeList->Count() == 0) return;
  ProfileFile ini(CorePlatform().files(), IniFileName);
  ini.WriteString("Basic", "AtomName", Quoted(AtomName));
  ini.WriteString("Basic", "Count", std::to_string(ExeList->Count()));
  ini.WriteString("Basic", "ShortCutView", Flag(ShortCutView));
  ini.WriteString("Basic", "LeftDoubleClickMenuNo", std::to_string(LeftDoubleClickMenuNo));
  ini.WriteString("Basic", "RightDoubleClickMenuNo", std::to_string(RightDoubleClickMenuNo));
  ini.WriteString("Basic", "VisibleMenuIcon", Flag(VisibleMenuIcon));
  std::string quoted;
  WriteItem(ini, "-1", MenuHotKeyItem, quoted);
  for (int i = 0; i < ExeList->Count(); ++i) WriteItem(ini, std::to_string(i), *ExeList->Items(i), quoted);
  ini.Flush();
}

}  // namespace vx

