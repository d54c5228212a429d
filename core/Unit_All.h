// Shared state and routines: the launch items, the settings that several
// windows share, hotkey registration, launching, program icons and the
// display text of hotkeys.
//
// The shared state is module-level, read and written directly by every
// window. Routines report success as 0 and failure or nothing done as -1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx {

// A 16-bit hotkey: the low 13 bits are the virtual-key code; 0x2000 adds
// Shift, 0x4000 Ctrl, 0x8000 Alt; 0 means no hotkey.
using ShortCut = std::uint16_t;
enum : ShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scKeyMask = 0x1FFF };

// How a started program's first window shows.
enum TShowMode : std::uint8_t { smNormal = 0, smMinimized = 1, smMaximized = 2 };

// One launch item.
struct TVorlexType {
  std::uint16_t Atom = 0;  // atom of the live hotkey registration, 0 = none
  std::string Name;
  ShortCut HotKey = 0;
  std::string Exe;
  std::string Par;
  std::string Dir;
  // The start options; 0, the default, is how every item started before
  // they existed and is not stored.
  std::uint8_t Activate = 0;  // 1: a window of the running program comes forward instead of a new copy
  std::uint8_t RunAs = 0;     // 1: started elevated (the shell's "runas")
  std::uint8_t Show = 0;      // the started program's first window: a TShowMode
  std::uint8_t Submenu = 0;   // 1: a folder opens as a menu of its files
  std::uint8_t Win = 0;       // 1: the hotkey also takes a Windows key
  // The icon the person chose, as "path,index" (IconText); empty: the
  // icon of what the item starts.
  std::string Icon;
  // Back to a zero-filled record, every field of it, with the texts'
  // storage kept (for a record the list takes again).
  void Empty();
  // The same stored fields (kItemFields); the live registration aside.
  bool operator==(const TVorlexType& other) const;
  bool operator!=(const TVorlexType& other) const { return !(*this == other); }
};

// The fields of a launch item, each described once: its key in the item's
// section (in the order the file holds them), what it is, and its member.
// The settings file's read and write, the comparison of items and the
// editor's fields all walk this table.
struct TItemField {
  enum class Kind {
    Text,    // a text, written between quotes
    Path,    // a text that names a file or folder: a person's path goes in by its short name
    HotKey,  // the ShortCut, written as a number
    Option,  // a small number, 0 to values - 1: written only when not 0, removed when 0
    IfSet,   // a text written between quotes when not empty, removed when empty
  };
  std::string_view key;
  Kind kind;
  std::string TVorlexType::*text = nullptr;     // a Text's or Path's member
  std::uint8_t TVorlexType::*option = nullptr;  // an Option's member
  std::uint8_t values = 0;                      // an Option's values; another stored value reads as 0
};
inline const TItemField kItemFields[] = {
    {"Name", TItemField::Kind::Text, &TVorlexType::Name},
    {"HotKey", TItemField::Kind::HotKey},
    // Beside HotKey rather than in its number, so that a Vorlex that does
    // not know the Windows key reads the rest of the hotkey as before.
    {"Win", TItemField::Kind::Option, nullptr, &TVorlexType::Win, 2},
    {"Exe", TItemField::Kind::Path, &TVorlexType::Exe},
    {"Par", TItemField::Kind::Text, &TVorlexType::Par},
    {"Dir", TItemField::Kind::Path, &TVorlexType::Dir},
    {"Activate", TItemField::Kind::Option, nullptr, &TVorlexType::Activate, 2},
    {"RunAs", TItemField::Kind::Option, nullptr, &TVorlexType::RunAs, 2},
    {"Show", TItemField::Kind::Option, nullptr, &TVorlexType::Show, 3},
    {"Submenu", TItemField::Kind::Option, nullptr, &TVorlexType::Submenu, 2},
    {"Icon", TItemField::Kind::IfSet, &TVorlexType::Icon},
};
inline constexpr std::size_t kItemFieldCount = sizeof kItemFields / sizeof kItemFields[0];
// The field with that key; throws std::logic_error for a key the table lacks.
const TItemField& ItemField(const char* key);

// The ordered list of launch items; it owns its records, and a record keeps
// its address while the list is reordered.
class TExeList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // The record at `index`; raises the list index error outside 0..Count-1.
  TVorlexType* Items(int index) const;
  TVorlexType* Add();  // appends a new, zero-filled record
  TVorlexType* Insert(int index);
  void Delete(int index);  // disposes of the record
  void Move(int from, int to);
  // Empties the list. Its records are kept, emptied, for the records added
  // next, as a vector keeps its capacity: a reload (the editor's Cancel, a
  // load after a load) then allocates nothing per item, and a record added
  // is zero-filled all the same.
  void Clear();

 private:
  void Check(int index) const;
  std::unique_ptr<TVorlexType> Fresh();
  std::vector<std::unique_ptr<TVorlexType>> items_;
  std::vector<std::unique_ptr<TVorlexType>> spare_;  // cleared records; the back one goes next
};

// The system the launcher core works on. The program sets it before it makes
// its windows and clears it at the end; the tests, the fuzz target and the
// benchmarks set their own. The core reaches nothing of the windowing toolkit.
void SetCorePlatform(Platform* platform);
Platform& CorePlatform();
// Tells the person something: the plain message box, captioned with the
// program's title.
void ShowMessage(const std::string& text);

// The most items a settings file may declare; a larger Count loads this many.
inline constexpr int kMaxItems = 10000;

extern std::string AtomName;
extern FilePath IniFileName;     // beside the executable, named as the file system names it
extern std::string ExeFileName;  // the executable's file name
extern Handle HotKeyWnd;
extern bool ShortCutView;
extern TVorlexType MenuHotKeyItem;
extern std::int32_t LeftDoubleClickMenuNo;
extern std::int32_t RightDoubleClickMenuNo;
extern bool VisibleMenuIcon;
// [Basic] Language as the file holds it: "ja" or "en" fix the language,
// anything else (absent: "") follows Windows.
extern std::string LanguageSetting;
extern bool UseSuspendTime;
extern TExeList* ExeList;

// Disposes of every record in ExeList and empties it; hotkeys are not
// released here.
void ClearExeList();
// Returns every shared setting to its start value (zero, empty, false), as
// when the program ends. ExeList must already be freed.
void FinalizeUnitAll();

// Hotkey registration. Index -1 is MenuHotKeyItem.
std::int32_t RegisterItemHotKey(std::int32_t index, ShortCut hotKey);
std::int32_t UnregisterItemHotKey(std::int32_t index);
void RegisterAllHotKeys();
void UnregisterAllHotKeys();

// RegisterHotKey's modifiers and key for a ShortCut, with or without a
// Windows key.
struct HotKeyParts {
  std::uint32_t modifiers = 0;
  std::uint32_t vk = 0;
};
HotKeyParts SplitShortCut(ShortCut hotKey, bool win = false);
// The hotkey control's value (key in the low byte; 0x01 Shift, 0x02 Ctrl,
// 0x04 Alt in the high byte) and a ShortCut, both ways.
ShortCut ShortCutFromHotKeyControl(std::uint16_t value);
std::uint16_t HotKeyControlFromShortCut(ShortCut hotKey);

// Launching, icons and key names.
// Starts the item as its options say; `elevated` starts a program through
// "runas" this once, whatever the item's RunAs.
void ExecItem(std::int32_t index, bool elevated = false);
// Finds whether an item's Exe starts a program (or a shortcut to one), which
// the start options apply to; a document, a folder or a URL does not. A
// shortcut is read aside (it may lie on a share that is offline): `answer`
// runs on the UI thread when it is known.
void FindStartsProgram(const std::string& exe, std::function<void(bool)> answer);
// Finds whether an item's Exe names a folder (after its variables and the
// folder beside Vorlex), which may open as a menu; aside, as above.
void FindNamesFolder(const std::string& exe, std::function<void(bool)> answer);
// The folder an item's Exe names, as the system takes it.
FilePath ItemFolder(const TVorlexType& item);
// Starts a file or folder of a folder's menu through the shell's "OPEN",
// in its own folder; `elevated` starts a program (or a shortcut to one)
// through "runas".
void OpenFolderEntry(const FilePath& path, bool elevated);
// An item's chosen icon: the file and the icon's index in it (a negative
// index is a resource ID), stored as "path,index". A text without a
// number after its last comma is a file's first icon.
struct ItemIconSpec {
  std::string file;
  int index = 0;
};
ItemIconSpec ParseIconText(const std::string& text);
std::string IconText(const std::string& file, int index);
// Asks for an item's icon, off the UI thread: the icon the person chose,
// made at `size`, else (none chosen, or its file or icon cannot be read)
// the shell's icon of what the item starts. `msg` comes to `wnd` with the
// returned ticket when Icons::TakeFileIcon has it.
std::uintptr_t RequestItemIcon(const TVorlexType& item, Point size, Handle wnd, std::uint32_t msg,
                               const std::shared_ptr<const void>& holder = nullptr);
// The file and index the icon picker opens on for an item: its chosen
// icon, else the first icon of the program it starts.
ItemIconSpec IconToPick(const TVorlexType& item);
std::string KeyNameText(std::uint16_t vk);
// A hotkey as Windows' own settings write it: "Win + Ctrl + Shift + Alt + N".
std::string ShortCutText(ShortCut hotKey, bool win = false);

}  // namespace vx
