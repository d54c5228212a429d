#include "core/Unit_File.h"

#include <optional>

#include "base/text.h"
#include "core/Unit_All.h"
#include "core/messages.h"
#include "core/profile.h"

namespace vx {

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Flag(bool b) { return b ? "1" : "0"; }

// A ShortCut as stored: a value outside 0..65535 does not fit and loads as
// "no hotkey", so one damaged key cannot stop the rest of the file loading.
ShortCut ShortCutOf(const std::string& text) {
  std::int32_t v = 0;
  if (!ParseInt32(text, v)) return 0;
  return (v < 0 || v > 0xFFFF) ? 0 : static_cast<ShortCut>(v);
}

// An option as stored: a value it does not know (a later version's, a
// damaged one) reads as the default.
std::uint8_t OptionOf(const std::string& text, std::uint8_t values) {
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < 0 || v >= values) return 0;
  return static_cast<std::uint8_t>(v);
}

// An item's keys, read in one pass over its section. A missing text is
// empty, a missing name `defName`, a missing hotkey none, a missing option 0.
void ReadItem(const ProfileFile& ini, const std::string& section, TVorlexType& rec, const std::string& defName) {
  std::string numbers[kItemFieldCount];  // the hotkey's and the options' texts
  ProfileFile::KeyRead keys[kItemFieldCount];
  for (std::size_t i = 0; i < kItemFieldCount; ++i) {
    const TItemField& f = kItemFields[i];
    keys[i] = ProfileFile::KeyRead{f.key, f.text ? &(rec.*f.text) : &numbers[i]};
  }
  ini.ReadKeys(section, keys, kItemFieldCount);
  rec.Atom = 0;
  for (std::size_t i = 0; i < kItemFieldCount; ++i) {
    const TItemField& f = kItemFields[i];
    if (f.option)
      rec.*f.option = keys[i].found ? OptionOf(numbers[i], f.values) : 0;
    else if (!f.text)
      rec.HotKey = keys[i].found ? ShortCutOf(numbers[i]) : 0;
    else if (!keys[i].found)
      rec.*f.text = f.text == &TVorlexType::Name ? defName : std::string();
  }
}

// An item's keys, written in one pass over its section; the texts go
// between quotes as they are written, with no string made for them. An
// option at its default and an empty IfSet text are removed, so that an
// item without them is stored as it was before they existed.
void WriteItem(ProfileFile& ini, const std::string& section, const TVorlexType& rec, std::string& hotKey) {
  hotKey = std::to_string(rec.HotKey);
  static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  ProfileFile::KeyWrite keys[kItemFieldCount];
  for (std::size_t i = 0; i < kItemFieldCount; ++i) {
    const TItemField& f = kItemFields[i];
    if (f.option) {
      const std::uint8_t v = rec.*f.option;
      keys[i] = ProfileFile::KeyWrite{f.key, kDigits[v < 10 ? v : 0], false, v == 0};
    } else {
      keys[i] = f.text ? ProfileFile::KeyWrite{f.key, rec.*f.text, true,
                                               f.kind == TItemField::Kind::IfSet && (rec.*f.text).empty()}
                       : ProfileFile::KeyWrite{f.key, hotKey, false};
    }
  }
  ini.WriteKeys(section, keys, kItemFieldCount);
}

// The items and shared settings as the file holds them, as one text: what
// SaveSettings writes and LoadSettings reads, and nothing else (the run's
// times and foreign sections change without them).
std::string SettingsOf(const ProfileFile& ini) {
  std::string all;
  auto add = [&all](const std::string& value) {
    all += value;
    all += '\0';
  };
  for (const char* key : {"AtomName", "Count", "ShortCutView", "LeftDoubleClickMenuNo", "RightDoubleClickMenuNo",
                          "VisibleMenuIcon", "Language"})
    add(ini.ReadString("Basic", key, "\x01"));
  std::int32_t count = ini.ReadInteger("Basic", "Count", 0);
  if (count > kMaxItems) count = kMaxItems;
  for (std::int32_t i = -1; i < count; ++i) {
    std::string values[kItemFieldCount];
    ProfileFile::KeyRead keys[kItemFieldCount];
    for (std::size_t k = 0; k < kItemFieldCount; ++k) keys[k] = ProfileFile::KeyRead{kItemFields[k].key, &values[k]};
    ini.ReadKeys(std::to_string(i), keys, kItemFieldCount);
    for (std::size_t k = 0; k < kItemFieldCount; ++k) add(keys[k].found ? values[k] : "\x01");
  }
  return all;
}

std::optional<std::string> g_settings;  // as last loaded or saved (SettingsOf); none yet

}  // namespace

void WriteIniHeader() {
  Files& files = CorePlatform().files();
  if (!files.Exists(IniFileName)) {
    try {
      files.Create(IniFileName, std::string(kIniHeaderLine) + "\r\n");
    } catch (const SystemError& e) {
      throw std::runtime_error(Format(Tr(kMsgCannotCreate), IniFileName.utf8) + "\r\n" + e.what());
    }
  }
  ProfileFile ini(files, IniFileName, CorePlatform().codePage());
  ini.WriteString("Head", "Name", Quoted(ExeFileName));
  ini.WriteString("Head", "Version", Quoted(kVersion));
  ini.Flush();
}

void LoadSettings() {
  // The file is read before the list lets go of its items: a file that
  // cannot be read leaves the list as it was, and the items' memory is
  // taken back by the new items rather than merged away under the file's
  // bytes.
  ProfileFile ini(CorePlatform().files(), IniFileName, CorePlatform().codePage());
  ExeList->Clear();
  g_settings = SettingsOf(ini);
  if (!ini.Existed()) return;

  AtomName = ini.ReadString("Basic", "AtomName", kDefaultAtomName);
  std::int32_t count = ini.ReadInteger("Basic", "Count", 0);
  ShortCutView = ini.ReadInteger("Basic", "ShortCutView", 0) != 0;
  LeftDoubleClickMenuNo = ini.ReadInteger("Basic", "LeftDoubleClickMenuNo", -1);
  RightDoubleClickMenuNo = ini.ReadInteger("Basic", "RightDoubleClickMenuNo", -1);
  VisibleMenuIcon = ini.ReadInteger("Basic", "VisibleMenuIcon", 1) != 0;
  LanguageSetting = ini.ReadString("Basic", "Language", "");

  ReadItem(ini, "-1", MenuHotKeyItem, kDefaultMenuHotKeyName);
  if (count > kMaxItems) {
    // Said once per load; the sections beyond the limit stay in the file.
    ShowMessage(Format(Format(Tr(kMsgTooManyItems), IniFileName.utf8), count));
    count = kMaxItems;
  }
  for (std::int32_t i = 0; i < count; ++i) ReadItem(ini, std::to_string(i), *ExeList->Add(), "");
}

void SaveSettings(bool overwrite) {
  if (ExeList->Count() == 0) return;
  ProfileFile ini(CorePlatform().files(), IniFileName, CorePlatform().codePage());
  if (!overwrite && g_settings && SettingsOf(ini) != *g_settings) return;  // the file's are newer than these
  ini.WriteString("Basic", "AtomName", Quoted(AtomName));
  ini.WriteString("Basic", "Count", std::to_string(ExeList->Count()));
  ini.WriteString("Basic", "ShortCutView", Flag(ShortCutView));
  ini.WriteString("Basic", "LeftDoubleClickMenuNo", std::to_string(LeftDoubleClickMenuNo));
  ini.WriteString("Basic", "RightDoubleClickMenuNo", std::to_string(RightDoubleClickMenuNo));
  ini.WriteString("Basic", "VisibleMenuIcon", Flag(VisibleMenuIcon));
  // Written only when set: absent, Vorlex follows Windows.
  if (LanguageSetting.empty())
    ini.DeleteKey("Basic", "Language");
  else
    ini.WriteString("Basic", "Language", LanguageSetting);
  std::string hotKey;
  WriteItem(ini, "-1", MenuHotKeyItem, hotKey);
  for (int i = 0; i < ExeList->Count(); ++i) WriteItem(ini, std::to_string(i), *ExeList->Items(i), hotKey);
  ini.Flush();
  g_settings = SettingsOf(ini);
}

bool SettingsChangedOutside() {
  ProfileFile ini(CorePlatform().files(), IniFileName, CorePlatform().codePage());
  return ini.Existed() && !ini.Blank() && g_settings && SettingsOf(ini) != *g_settings;
}

void ForgetSettings() { g_settings.reset(); }

Language ChooseLanguage(Platform& platform, const FilePath& iniFile) {
  Language language = LanguageOfUi(platform.UiLanguage());
  try {
    ProfileFile ini(platform.files(), iniFile, platform.codePage());
    Language set = language;
    if (LanguageOfSetting(ini.ReadString("Basic", "Language", ""), set)) language = set;
  } catch (const std::exception&) {
  }
  return language;
}

}  // namespace vx
