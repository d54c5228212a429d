// The headless desktop's controls: made as they describe themselves, the
// messages the system's controls take, edit boxes with their caret and
// limit, list boxes, hotkey controls, drops, and a person's input into
// them (clicks, typing, pasting, selections, dialog keys).
#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "platform/headless/headless.h"

namespace vx {

std::u16string HeadlessPlatform::GetEditText(Handle edit) {
  const auto* w = system.FindWindowRecord(edit);
  return w ? w->editText : std::u16string();
}

void HeadlessPlatform::SetEditText(Handle edit, const std::u16string& text) {
  auto it = system.windows.find(edit);
  if (it == system.windows.end()) return;
  auto& w = it->second;
  w.editText = text;
  w.control.caption = w.desc.caption = Utf16ToUtf8(text);
  // As an edit box does when its text is set, the caret goes to the start.
  w.selStart = w.selEnd = 0;
}

void HeadlessPlatform::GetEditSelection(Handle edit, int& start, int& end) {
  const auto* w = system.FindWindowRecord(edit);
  start = w ? w->selStart : 0;
  end = w ? w->selEnd : 0;
}

void HeadlessPlatform::SetEditSelection(Handle edit, int start, int end) {
  auto it = system.windows.find(edit);
  if (it == system.windows.end()) return;
  const int n = static_cast<int>(it->second.editText.size());
  it->second.selStart = std::clamp(start, 0, n);
  it->second.selEnd = std::clamp(end, 0, n);
}

Handle HeadlessPlatform::CreateControl(Handle parent, const ControlDesc& desc, WindowProc* proc) {
  const Handle h = system.nextHandle++;
  HeadlessSystem::Window w;
  w.desc.className = "control";
  w.desc.caption = desc.caption;
  w.proc = proc;
  w.process = this;
  w.visible = desc.visible;
  w.parent = parent;
  w.isControl = true;
  if (proc) proc->window = h;
  w.control = desc;
  w.desc.caption = desc.caption;
  if (IsEdit(w)) w.editText = Utf8ToUtf16(desc.caption);
  w.defaultButton = desc.className == "BUTTON" && (desc.style & 0x0F) == kBsDefPushButton;
  for (const SetupMessage& m : desc.setup) ControlMessage(w, m.msg, m.wParam, m.lParam);
  system.windows[h] = w;
  return h;
}

void HeadlessPlatform::ControlMessage(HeadlessSystem::Window& w, std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  switch (msg) {
    case kBmSetCheck:
      w.checked = wParam != 0;
      break;
    case kEmLimitText:
      w.textLimit = static_cast<int>(wParam);
      break;
    case kLbSetItemHeight:
      w.itemHeight = static_cast<int>(lParam);
      break;
    default:
      break;  // the rest changes nothing this desktop shows
  }
}

void HeadlessPlatform::SetControlBounds(Handle control, Rect bounds) {
  auto it = system.windows.find(control);
  if (it != system.windows.end()) it->second.control.bounds = bounds;
}

void HeadlessPlatform::EnableWindow(Handle wnd, bool enabled) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end()) it->second.control.enabled = enabled;
}

void HeadlessPlatform::SetCheck(Handle control, bool checked) {
  auto it = system.windows.find(control);
  if (it != system.windows.end()) it->second.checked = checked;
}

void HeadlessPlatform::SetFont(Handle wnd, Handle font) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end()) it->second.control.font = font;
}

Handle HeadlessPlatform::CreateFont(const std::string& face, int height, int) {
  const Handle h = system.nextHandle++;
  system.fonts[h] = {face, height};
  return h;
}

Point HeadlessPlatform::TextExtent(Handle font, const std::string& text) {
  auto it = system.fonts.find(font);
  const std::string face = it == system.fonts.end() ? "System" : it->second.first;
  const int height = it == system.fonts.end() ? 16 : it->second.second;
  const bool mono = face == "ＭＳ ゴシック" || face == "ＭＳ 明朝";
  // In 1/20 of the height, Segoe UI's widest of each kind rounded up.
  auto twentieths = [mono](char32_t c) {
    const bool half = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);  // ASCII, half-width katakana
    if (mono || !half) return half ? 10 : 20;
    if (c == 'M' || c == 'W' || c == 'm' || c == '%' || c == '@') return 20;
    if (c == 'w') return 16;
    if (c >= 'A' && c <= 'Z') return 16;
    if (std::strchr("ijlrtfI!.,:;'|() []", static_cast<int>(c))) return 8;
    return 12;  // other lowercase letters, digits and signs
  };
  const std::u16string units = Utf8ToUtf16(text);
  int total = 0;
  for (char16_t u : units) total += twentieths(u);
  // A line: the height itself in the monospace fonts, and Segoe UI's
  // ascent and descent, a third more than its height, in any other.
  return Point{(total * height + 19) / 20, mono ? height : (height * 4 + 2) / 3};
}

void HeadlessPlatform::SetClientSize(Handle wnd, int width, int height) {
  auto it = system.windows.find(wnd);
  if (it == system.windows.end()) return;
  it->second.desc.width = width;
  it->second.desc.height = height;
}

void HeadlessPlatform::SetWindowBounds(Handle wnd, const EdgeRect& b) {
  auto it = system.windows.find(wnd);
  if (it == system.windows.end()) return;
  it->second.position = Point{b.left, b.top};
  it->second.desc.width = b.right - b.left;
  it->second.desc.height = b.bottom - b.top;
}

void HeadlessPlatform::CenterOnScreen(Handle wnd) {
  auto it = system.windows.find(wnd);
  if (it == system.windows.end()) return;
  it->second.centred = true;
  it->second.position = Point{(1920 - it->second.desc.width) / 2, (1080 - it->second.desc.height) / 2};
}

std::vector<std::string> HeadlessPlatform::ChildOrder(Handle parent) const {
  std::vector<std::string> names;  // the window map is ordered by handle, which rises as windows are made
  for (const auto& [h, w] : system.windows)
    if (w.isControl && w.parent == parent) names.push_back(w.control.name);
  return names;
}

Handle HeadlessPlatform::FindControl(Handle top, const std::string& name) const {
  for (const auto& [h, w] : system.windows) {
    if (!w.isControl || w.control.name != name) continue;
    for (Handle p = w.parent; p; p = system.FindWindowRecord(p) ? system.FindWindowRecord(p)->parent : 0)
      if (p == top) return h;
  }
  return 0;
}

const HeadlessSystem::Window& HeadlessPlatform::Control(Handle top, const std::string& name) const {
  const auto* w = system.FindWindowRecord(FindControl(top, name));
  if (!w) throw std::runtime_error("no control " + name);
  return *w;
}

HeadlessSystem::Window* HeadlessPlatform::Reachable(Handle top, const std::string& name, Handle& h) {
  h = FindControl(top, name);
  if (!h || !Showing(h)) return nullptr;
  // Every window up to the top one must take input: a modal dialog
  // disables the forms under it.
  for (Handle p = h; p; p = system.FindWindowRecord(p)->parent) {
    const auto& w = *system.FindWindowRecord(p);
    if (!w.control.enabled) return nullptr;
    if (!w.parent) break;
  }
  return &system.windows.at(h);
}

void HeadlessPlatform::Notify(Handle control, std::uint16_t code) {
  const auto& w = *system.FindWindowRecord(control);
  PostMessage(w.parent, kWmCommand,
              (static_cast<std::uintptr_t>(code) << 16) | static_cast<std::uint16_t>(w.control.id),
              static_cast<std::intptr_t>(control));
}

bool HeadlessPlatform::Click(Handle top, const std::string& name) {
  Handle h;
  if (!Reachable(top, name, h)) return false;
  Notify(h, kBnClicked);
  return true;
}

bool HeadlessPlatform::Type(Handle top, const std::string& name, const std::string& text) {
  Handle h;
  auto* w = Reachable(top, name, h);
  if (!w) return false;
  if (IsEdit(*w)) {
    const std::u16string typed = Utf8ToUtf16(text);
    EditTyped(h, *w, typed, static_cast<int>(typed.size()));
    w->control.caption = w->desc.caption = text;  // the bytes as given
  } else {
    w->control.caption = w->desc.caption = text;
  }
  Notify(h, kEnChange);
  return true;
}

void HeadlessPlatform::EditTyped(Handle, HeadlessSystem::Window& w, std::u16string text, int caret) {
  w.editText = std::move(text);
  w.control.caption = w.desc.caption = Utf16ToUtf8(w.editText);
  w.selStart = w.selEnd = caret;
}

bool HeadlessPlatform::TypeUnicode(Handle top, const std::string& name, const std::u16string& text) {
  Handle h;
  auto* w = Reachable(top, name, h);
  if (!w || !IsEdit(*w)) return false;
  EditTyped(h, *w, text, static_cast<int>(text.size()));
  Notify(h, kEnChange);
  return true;
}

bool HeadlessPlatform::TypeAtCaret(Handle top, const std::string& name, const std::u16string& text) {
  for (char16_t c : text)
    if (!Paste(top, name, std::u16string(1, c))) return false;
  return true;
}

bool HeadlessPlatform::Paste(Handle top, const std::string& name, const std::u16string& text) {
  Handle h;
  auto* w = Reachable(top, name, h);
  if (!w || !IsEdit(*w)) return false;
  const int a = std::min(w->selStart, w->selEnd), b = std::max(w->selStart, w->selEnd);
  std::u16string insert = text;
  // The box's own limit counts characters, as an edit box does.
  if (w->textLimit > 0) {
    const int rest = static_cast<int>(w->editText.size()) - (b - a);
    const int room = std::max(0, w->textLimit - rest);
    if (static_cast<int>(insert.size()) > room) insert.resize(static_cast<std::size_t>(room));
  }
  if (insert.empty() && a == b) return true;  // refused: nothing changes, no notice
  std::u16string now =
      w->editText.substr(0, static_cast<std::size_t>(a)) + insert + w->editText.substr(static_cast<std::size_t>(b));
  EditTyped(h, *w, std::move(now), a + static_cast<int>(insert.size()));
  Notify(h, kEnChange);
  return true;
}

int HeadlessPlatform::Caret(Handle top, const std::string& name) const { return Control(top, name).selEnd; }

bool HeadlessPlatform::Select(Handle top, const std::string& name, int index) {
  Handle h;
  auto* w = Reachable(top, name, h);
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return false;
  w->selection = index;
  Notify(h, kLbnSelChange);
  return true;
}

bool HeadlessPlatform::PressHotKeyInto(Handle top, const std::string& name, std::uint16_t value) {
  Handle h;
  auto* w = Reachable(top, name, h);
  if (!w) return false;
  w->hotKey = value;
  Notify(h, kEnChange);
  return true;
}

bool HeadlessPlatform::PressDialogKey(Handle top, std::uint16_t vk) {
  const auto* form = system.FindWindowRecord(top);
  if (!form || !form->visible || !form->control.enabled || !form->proc) return false;
  if (vk == 0x0D) {
    const auto answer = static_cast<std::uint32_t>(form->proc->Dispatch(kDmGetDefId, 0, 0));
    PostMessage(top, kWmCommand, (answer >> 16) == kDcHasDefId ? (answer & 0xFFFF) : 1, 0);
  } else if (vk == 0x1B) {
    PostMessage(top, kWmCommand, 2, 0);
  }
  return true;
}

bool HeadlessPlatform::DropFiles(Handle wnd, const std::vector<std::string>& utf8Paths) {
  std::vector<std::u16string> paths;
  for (const std::string& p : utf8Paths) paths.push_back(Utf8ToUtf16(p));
  return DropUnicodeFiles(wnd, std::move(paths));
}

bool HeadlessPlatform::DropUnicodeFiles(Handle wnd, std::vector<std::u16string> paths) {
  const auto* w = system.FindWindowRecord(wnd);
  if (!w || !w->acceptsFiles) return false;
  const std::uintptr_t drop = system.nextHandle++;
  drops_[drop] = std::move(paths);
  liveDrops.insert(drop);
  PostMessage(wnd, kWmDropFiles, drop, 0);
  return true;
}

void HeadlessPlatform::ListInsert(Handle list, int index, const std::string& text) {
  auto& items = system.windows.at(list).items;
  items.insert(items.begin() + std::min<std::size_t>(static_cast<std::size_t>(index), items.size()), text);
}

void HeadlessPlatform::ListDelete(Handle list, int index) {
  auto& w = system.windows.at(list);
  if (index < 0 || index >= static_cast<int>(w.items.size())) return;
  w.items.erase(w.items.begin() + index);
  if (w.selection == index)
    w.selection = -1;
  else if (w.selection > index)
    --w.selection;
}

void HeadlessPlatform::ListSelect(Handle list, int index) { system.windows.at(list).selection = index; }
int HeadlessPlatform::ListSelection(Handle list) { return system.windows.at(list).selection; }
void HeadlessPlatform::SetHotKeyValue(Handle control, std::uint16_t value) {
  system.windows.at(control).hotKey = value;
}
std::uint16_t HeadlessPlatform::GetHotKeyValue(Handle control) { return system.windows.at(control).hotKey; }
void HeadlessPlatform::SetImageIcon(Handle control, Handle icon) { system.windows.at(control).icon = icon; }

bool HeadlessPlatform::OpenFileDialog(Handle owner, std::u16string& path) {
  return onOpenFile && onOpenFile(owner, path);
}

void HeadlessPlatform::DragAcceptFiles(Handle wnd, bool accept) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end()) it->second.acceptsFiles = accept;
}

std::vector<std::u16string> HeadlessPlatform::DroppedFiles(std::uintptr_t drop) {
  auto it = drops_.find(drop);
  return it == drops_.end() ? std::vector<std::u16string>{} : it->second;
}

}  // namespace vx
