#include "core/Unit_All.h"

#include <exception>
#include <memory>
#include <set>

#include "base/text.h"
#include "core/Unit_File.h"
#include "core/launch.h"
#include "core/messages.h"

namespace vx {

std::string AtomName;
FilePath IniFileName;
std::string ExeFileName;
Handle HotKeyWnd = 0;
bool ShortCutView = false;
TVorlexType MenuHotKeyItem;
std::int32_t LeftDoubleClickMenuNo = 0;
std::int32_t RightDoubleClickMenuNo = 0;
bool VisibleMenuIcon = false;
std::string LanguageSetting;
bool UseSuspendTime = false;
TExeList* ExeList = nullptr;

namespace {
Platform* g_platform = nullptr;
}

void SetCorePlatform(Platform* platform) { g_platform = platform; }

Platform& CorePlatform() {
  if (!g_platform) throw std::logic_error("the launcher core has no platform");
  return *g_platform;
}

void ShowMessage(const std::string& text) { CorePlatform().MessageBox(text, kAppTitle, Platform::BoxKind::Plain); }

// --------------------------------------------------------------- TVorlexType

void TVorlexType::Empty() {
  Atom = 0;
  HotKey = 0;
  for (const TItemField& f : kItemFields) {
    if (f.text) (this->*f.text).clear();
    if (f.option) this->*f.option = 0;
  }
}

bool TVorlexType::operator==(const TVorlexType& other) const {
  for (const TItemField& f : kItemFields) {
    const bool same = f.text     ? this->*f.text == other.*f.text
                      : f.option ? this->*f.option == other.*f.option
                                 : HotKey == other.HotKey;
    if (!same) return false;
  }
  return true;
}

const TItemField& ItemField(const char* key) {
  for (const TItemField& f : kItemFields)
    if (f.key == key) return f;
  throw std::logic_error(std::string("no item field ") + key);
}

// ------------------------------------------------------------------ TExeList

void TExeList::Check(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range(Format(Tr(kMsgListIndex), index));
}

TVorlexType* TExeList::Items(int index) const {
  Check(index);
  return items_[static_cast<std::size_t>(index)].get();
}

std::unique_ptr<TVorlexType> TExeList::Fresh() {
  if (spare_.empty()) return std::make_unique<TVorlexType>();
  std::unique_ptr<TVorlexType> record = std::move(spare_.back());
  spare_.pop_back();
  record->Empty();
  return record;
}

TVorlexType* TExeList::Add() {
  items_.push_back(Fresh());
  return items_.back().get();
}

TVorlexType* TExeList::Insert(int index) {
  if (index != Count()) Check(index);
  auto it = items_.insert(items_.begin() + index, Fresh());
  return it->get();
}

void TExeList::Delete(int index) {
  Check(index);
  items_.erase(items_.begin() + index);
}

void TExeList::Move(int from, int to) {
  Check(from);
  Check(to);
  auto record = std::move(items_[static_cast<std::size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(record));
}

void TExeList::Clear() {
  // The first record goes last onto the spare pile, so the records come
  // back in their order, each to an item much like the one it held.
  spare_.reserve(spare_.size() + items_.size());
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) spare_.push_back(std::move(*it));
  items_.clear();
}

void ClearExeList() {
  if (ExeList) ExeList->Clear();
}

void FinalizeUnitAll() {
  ForgetSettings();
  AtomName.clear();
  IniFileName = FilePath();
  ExeFileName.clear();
  HotKeyWnd = 0;
  ShortCutView = false;
  MenuHotKeyItem = TVorlexType{};
  LeftDoubleClickMenuNo = 0;
  RightDoubleClickMenuNo = 0;
  VisibleMenuIcon = false;
  LanguageSetting.clear();
  UseSuspendTime = false;
}

// ---------------------------------------------------------------- ShortCuts

HotKeyParts SplitShortCut(ShortCut hotKey, bool win) {
  HotKeyParts parts;
  if (win) parts.modifiers |= kModWin;
  if (hotKey & scAlt) parts.modifiers |= kModAlt;
  if (hotKey & scCtrl) parts.modifiers |= kModControl;
  if (hotKey & scShift) parts.modifiers |= kModShift;
  parts.vk = hotKey & scKeyMask;
  return parts;
}

namespace {
enum : std::uint16_t { hkShift = 0x01, hkControl = 0x02, hkAlt = 0x04 };
}

ShortCut ShortCutFromHotKeyControl(std::uint16_t value) {
  const std::uint16_t key = value & 0xFF, mods = value >> 8;
  if (key == 0) return 0;
  ShortCut sc = key;
  if (mods & hkShift) sc |= scShift;
  if (mods & hkControl) sc |= scCtrl;
  if (mods & hkAlt) sc |= scAlt;
  return sc;
}

std::uint16_t HotKeyControlFromShortCut(ShortCut hotKey) {
  std::uint16_t mods = 0;
  if (hotKey & scShift) mods |= hkShift;
  if (hotKey & scCtrl) mods |= hkControl;
  if (hotKey & scAlt) mods |= hkAlt;
  return static_cast<std::uint16_t>((mods << 8) | (hotKey & 0xFF));
}

// ------------------------------------------------------------------- Hotkeys

namespace {

// The record that an index names, or null when it names none.
TVorlexType* RecordAt(std::int32_t index) {
  if (index == -1) return &MenuHotKeyItem;
  if (!ExeList || index < 0 || index >= ExeList->Count()) return nullptr;
  return ExeList->Items(index);
}

}  // namespace

std::int32_t RegisterItemHotKey(std::int32_t index, ShortCut hotKey) {
  if (hotKey == 0) return -1;
  TVorlexType* rec = RecordAt(index);
  if (!rec) return -1;
  if (rec->Atom != 0) UnregisterItemHotKey(index);

  Platform& p = CorePlatform();
  const std::uint16_t atom = p.GlobalAddAtom(AtomName + std::to_string(index));
  if (atom == 0) {
    ShowMessage(std::string(Tr(kMsgAtomFailed)) + rec->Name + "]");
    return -1;
  }
  const HotKeyParts parts = SplitShortCut(hotKey, rec->Win != 0);
  // A held key starts its item once, not once per keyboard repeat.
  if (p.RegisterHotKey(HotKeyWnd, atom, parts.modifiers | kModNoRepeat, parts.vk)) {
    rec->Atom = atom;
    return 0;
  }
  p.GlobalDeleteAtom(atom);
  std::string text = Tr(kMsgHotKeyFailed);
  if (index == -1)
    text += std::string(Tr(kMsgMenuHotKeyLabel)) + ShortCutText(rec->HotKey, rec->Win) + ")]";
  else
    text += "[" + rec->Name + " (" + ShortCutText(rec->HotKey, rec->Win) + ")]";
  ShowMessage(text);
  return -1;
}

std::int32_t UnregisterItemHotKey(std::int32_t index) {
  TVorlexType* rec = RecordAt(index);
  if (!rec || rec->Atom == 0) return -1;
  CorePlatform().UnregisterHotKey(HotKeyWnd, rec->Atom);
  CorePlatform().GlobalDeleteAtom(rec->Atom);
  rec->Atom = 0;
  return 0;
}

void UnregisterAllHotKeys() {
  const int count = ExeList ? ExeList->Count() : 0;
  for (int i = 0; i < count; ++i) UnregisterItemHotKey(i);
  UnregisterItemHotKey(-1);
}

void RegisterAllHotKeys() {
  UnregisterAllHotKeys();
  // Each failure is shown by RegisterItemHotKey itself, with the item and
  // its keys; the other items are registered all the same.
  const int count = ExeList ? ExeList->Count() : 0;
  for (int i = 0; i < count; ++i) RegisterItemHotKey(i, ExeList->Items(i)->HotKey);
  RegisterItemHotKey(-1, MenuHotKeyItem.HotKey);
}

// --------------------------------------------------- Launching and key names

namespace {
int ShowCommand(std::uint8_t show) {
  return show == smMinimized ? kSwShowMinNoActive : show == smMaximized ? kSwShowMaximized : kSwShow;
}
}  // namespace

namespace {
// The starts under way, by what they start: a second press meanwhile (the
// share still looking) starts no second copy.
std::set<std::string> g_starting;

// Starts what the shell is asked to open as the options say, aside: the
// shell's start, which program the item runs (a shortcut is read) and
// which of its windows is open (paths are compared) may all wait for a
// share that is offline. A start the shell refuses is not reported again:
// the shell has shown the person its own message, with the cause, in a box
// owned by Vorlex's window. A person who declines the elevation prompt has
// said so already, and sees nothing more. The options are a program's: a
// document, a folder or a URL has no "runas" verb and no window of its own
// to look for.
void Start(const LaunchRequest& request, const std::string& named, bool activate, bool runAs, int show) {
  Platform& p = CorePlatform();
  const std::string key = FoldCase(request.file.utf8) + '\n' + request.params + (runAs ? "\nrunas" : "");
  if (!g_starting.insert(key).second) return;
  struct Found {
    Handle window = 0;
    std::exception_ptr failure;
  };
  auto found = std::make_shared<Found>();
  const Handle foreground = activate ? p.shell().ForegroundWindow() : 0;  // at the press or click
  auto work = [found, request, named, activate, runAs, show, foreground, owner = HotKeyWnd, &p] {
    try {
      const FilePath program = activate || runAs ? ProgramOf(named, p) : FilePath();
      if (activate && !program.empty()) found->window = WindowToBringForward(program, p, foreground);
      // Refused the foreground, the window flashes on the taskbar: the
      // person sees where it is, and a second copy would only add to it.
      if (!found->window) p.shell().ShellExecute(runAs && !program.empty() ? "runas" : "OPEN", request, show, owner);
    } catch (...) {
      found->failure = std::current_exception();
    }
  };
  auto done = [found, key, &p] {
    g_starting.erase(key);
    if (found->failure) std::rethrow_exception(found->failure);
    if (found->window) p.shell().BringForward(found->window);
  };
  p.jobs().RunAside(JobSpec(Lane::Start, named, std::move(work), std::move(done)));
}

// Finds aside what `find` says of an item's Exe, resolved; `answer` hears
// it on the UI thread.
void FindOfExe(const std::string& exe, std::function<bool(const std::string&, Platform&)> find,
               std::function<void(bool)> answer) {
  Platform& p = CorePlatform();
  auto yes = std::make_shared<bool>(false);
  p.jobs().RunAside(JobSpec(
      Lane::Check, exe,
      [yes, exe, find = std::move(find), &p] {
        std::string named;
        ResolveLaunch(exe, "", "", p, &named);
        *yes = find(named, p);
      },
      [yes, answer = std::move(answer)] { answer(*yes); }));
}
}  // namespace

void ExecItem(std::int32_t index, bool elevated) {
  if (!ExeList || index < 0 || index >= ExeList->Count()) return;
  const TVorlexType item = *ExeList->Items(index);
  if (item.Exe.empty()) return;
  std::string named;
  const LaunchRequest request = ResolveLaunch(item.Exe, item.Par, item.Dir, CorePlatform(), &named);
  Start(request, named, item.Activate != 0, item.RunAs || elevated, ShowCommand(item.Show));
}

void FindStartsProgram(const std::string& exe, std::function<void(bool)> answer) {
  FindOfExe(
      exe, [](const std::string& named, Platform& p) { return !ProgramOf(named, p).empty(); }, std::move(answer));
}

void FindNamesFolder(const std::string& exe, std::function<void(bool)> answer) {
  FindOfExe(
      exe,
      [](const std::string& named, Platform& p) {
        return !named.empty() && p.shell().IsFolder(FilePath(AsSystemHasIt(named, p)));
      },
      std::move(answer));
}

FilePath ItemFolder(const TVorlexType& item) { return ResolveLaunch(item.Exe, "", "", CorePlatform()).file; }

void OpenFolderEntry(const FilePath& path, bool elevated) {
  // A program in System32 starts as 64-bit Windows has it, as an item's
  // does; a document goes as named, to the program that opens it.
  Platform& p = CorePlatform();
  const FilePath file(IsProgramPath(path.utf8, p) ? AsSystemHasIt(path.utf8, p) : path.utf8);
  Start(LaunchRequest{file, "", path.Folder()}, path.utf8, false, elevated, ShowCommand(smNormal));
}

ItemIconSpec ParseIconText(const std::string& text) {
  const std::size_t comma = text.rfind(',');
  std::int32_t index = 0;
  if (comma == std::string::npos || !ParseInt32(text.substr(comma + 1), index)) return {text, 0};
  return {text.substr(0, comma), index};
}

std::string IconText(const std::string& file, int index) { return file + "," + std::to_string(index); }

std::uintptr_t RequestItemIcon(const TVorlexType& item, Point size, Handle wnd, std::uint32_t msg,
                               const std::shared_ptr<const void>& holder) {
  Platform& p = CorePlatform();
  const FilePath started = ResolveLaunch(item.Exe, "", "", p).file;
  if (item.Icon.empty()) return p.icons().RequestFileIcon(started, wnd, msg, holder);
  const ItemIconSpec chosen = IconToPick(item);
  return p.icons().RequestChosenIcon(ChosenIcon{FilePath(chosen.file), chosen.index, size}, started, wnd, msg, holder);
}

ItemIconSpec IconToPick(const TVorlexType& item) {
  // A relative icon file lies beside Vorlex, as a relative program does.
  ItemIconSpec chosen = item.Icon.empty() ? ItemIconSpec{item.Exe, 0} : ParseIconText(item.Icon);
  chosen.file = ResolveLaunch(chosen.file, "", "", CorePlatform()).file.utf8;
  return chosen;
}

std::string KeyNameText(std::uint16_t vk) {
  const std::uint32_t scan = CorePlatform().MapVirtualKey(vk);
  const std::int32_t lParam = static_cast<std::int32_t>(scan << 16);
  if (lParam == 0) return "";
  return CorePlatform().GetKeyNameText(lParam);
}

std::string ShortCutText(ShortCut hotKey, bool win) {
  // Key names come from the keyboard layout; the Windows key's ("Left
  // Windows") is not the name Windows' own settings give it.
  std::string text = win && hotKey != 0 ? "Win + " : "";
  if (hotKey & scCtrl) text += KeyNameText(kVkControl) + " + ";
  if (hotKey & scShift) text += KeyNameText(kVkShift) + " + ";
  if (hotKey & scAlt) text += KeyNameText(kVkMenu) + " + ";
  return text + KeyNameText(hotKey & scKeyMask);
}

}  // namespace vx
