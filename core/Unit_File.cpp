#include "core/Unit_File.h"

#include <algorithm>
#include <iterator>

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
ShortCut ShortCutOf(const ProfileFile::KeyRead& key) {
  std::int32_t v = 0;
  if (!key.found || !ParseInt32(key.value, v)) return 0;
  return (v < 0 || v > 0xFFFF) ? 0 : static_cast<ShortCut>(v);
}

// An item's keys, read in one pass over its section.
void ReadItem(const ProfileFile& ini, const std::string& section, TVorlexType& rec, const std::string& defName) {
  ProfileFile::KeyRead keys[] = {ProfileFile::KeyRead("Name"), ProfileFile::KeyRead("HotKey"), ProfileFile::KeyRead("Exe"),
                                 ProfileFile::KeyRead("Par"), ProfileFile::KeyRead("Dir")};
  ini.ReadKeys(section, keys, std::size(keys));
  auto take = [](ProfileFile::KeyRead& key, std::string& field, const std::string& def) {
    if (key.found)
      field = std::move(key.value);
    else
      field = def;
  };
  rec.Atom = 0;
  take(keys[0], rec.Name, defName);
  rec.HotKey = ShortCutOf(keys[1]);
  take(keys[2], rec.Exe, "");
  take(keys[3], rec.Par, "");
  take(keys[4], rec.Dir, "");
}

// `quoted` are buffers kept for every item's values, so a save of many
// items makes no string per value.
struct ItemText {
  std::string name, hotKey, exe, par, dir;
};

void WriteItem(ProfileFile& ini, const std::string& section, const TVorlexType& rec, ItemText& quoted) {
  auto quote = [](std::string& buffer, const std::string& s) -> std::string_view {
    buffer.assign(1, '"').append(s).push_back('"');
    return buffer;
  };
  quoted.hotKey = std::to_string(rec.HotKey);
  const ProfileFile::KeyWrite keys[] = {{"Name", quote(quoted.name, rec.Name)},
                                        {"HotKey", quoted.hotKey},
                                        {"Exe", quote(quoted.exe, rec.Exe)},
                                        {"Par", quote(quoted.par, rec.Par)},
                                        {"Dir", quote(quoted.dir, rec.Dir)}};
  ini.WriteKeys(section, keys, std::size(keys));
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
  ItemText quoted;
  WriteItem(ini, "-1", MenuHotKeyItem, quoted);
  for (int i = 0; i < ExeList->Count(); ++i) WriteItem(ini, std::to_string(i), *ExeList->Items(i), quoted);
  ini.Flush();
}

}  // namespace vx

