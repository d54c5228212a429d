#include "platform/headless/headless.h"

#include <algorithm>
#include <filesystem>

#include "base/cleanup.h"
#include "base/text.h"

namespace vx {

// ------------------------------------------------------------ HeadlessSystem

bool HeadlessSystem::PressHotKey(std::uint32_t modifiers, std::uint32_t vk) {
  for (const HotKey& h : hotkeys) {
    if ((h.modifiers & kModKeys) == (modifiers & kModKeys) && h.vk == vk) {
      if (h.process) h.process->PostMessage(h.wnd, kWmHotKey, static_cast<std::uintptr_t>(h.id), 0);
      return h.process != nullptr;
    }
  }
  return false;
}

void HeadlessSystem::RestartShell() {
  trayIcons.clear();
  auto known = registeredMessages.find(FoldCase("TaskbarCreated"));
  if (known == registeredMessages.end()) return;  // nobody listens for it
  std::vector<std::pair<Handle, HeadlessPlatform*>> tops;
  for (const auto& [h, w] : windows)
    if (!w.isControl && w.proc && w.process) tops.emplace_back(h, w.process);
  for (const auto& [h, process] : tops)
    if (windows.count(h)) process->SendMessage(h, known->second, 0, 0);
}

void HeadlessSystem::OccupyHotKey(std::uint32_t modifiers, std::uint32_t vk) {
  hotkeys.push_back(HotKey{nullptr, 0, 0, modifiers, vk});
}

const HeadlessSystem::Window* HeadlessSystem::FindWindowRecord(Handle wnd) const {
  auto it = windows.find(wnd);
  return it == windows.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------- HeadlessPlatform

HeadlessPlatform::HeadlessPlatform(HeadlessSystem& sys, std::string path)
    : HeadlessJobs(*this),
      HeadlessIcons(*this),
      HeadlessShell(*this),
      system(sys),
      patientFiles(
          posixFiles, [this] { return tick; }, [this](std::uint32_t ms) { Sleep(ms); }),
      exePath(std::move(path)) {
  // A write's last step: the new file takes the old one's name.
  posixFiles.faultHook = [this](PosixFiles::Call call, const std::string& path) {
    const std::string temp = SafeFiles::kTempSuffix;
    if (call == PosixFiles::Call::ReplaceFile || (call == PosixFiles::Call::MoveFileEx && path.size() > temp.size() &&
                                                  path.compare(path.size() - temp.size(), temp.size(), temp) == 0))
      trace.push_back("write file");
  };
}

bool HeadlessPlatform::CreateSingleInstanceMutex(const std::string& name) {
  // A mutex of a copy that runs elevated exists, but this one may not open it.
  const bool denied = system.elevatedMutexes.count(name) != 0;
  const bool existed = !denied && !system.mutexes.insert(name).second;
  const std::uint32_t error = denied ? kErrorAccessDenied : existed ? kErrorAlreadyExists : 0u;
  return !AnotherCopyHoldsMutex(!denied, error);
}

namespace {
constexpr std::uint32_t kErrorNoMoreUserHandles = 1158;
}  // namespace

Handle HeadlessPlatform::CreateWindow(const WindowSpec& desc, WindowProc* proc) {
  if (refusedWindows.count(desc.className))
    throw SystemError("CreateWindowExW " + desc.className + " (1158): out of window handles", kErrorNoMoreUserHandles);
  const Handle h = system.nextHandle++;
  HeadlessSystem::Window w;
  w.desc = desc;
  w.proc = proc;
  w.process = this;
  system.windows[h] = w;
  if (proc) proc->window = h;
  trace.push_back("create " + desc.className);
  return h;
}

void HeadlessPlatform::DestroyWindow(Handle wnd) {
  auto it = system.windows.find(wnd);
  if (it == system.windows.end()) return;
  if (!it->second.isControl) trace.push_back("destroy " + it->second.desc.className);
  system.windows.erase(it);
  // Windows destroys a window's children with it, and its timers.
  std::vector<Handle> children;
  for (const auto& [h, w] : system.windows)
    if (w.parent == wnd) children.push_back(h);
  for (Handle c : children) DestroyWindow(c);
  for (auto t = timers.begin(); t != timers.end();) t = t->first.first == wnd ? timers.erase(t) : std::next(t);
  // Windows releases a destroyed window's hotkeys.
  auto& hk = system.hotkeys;
  hk.erase(std::remove_if(hk.begin(), hk.end(), [wnd](const HeadlessSystem::HotKey& h) { return h.wnd == wnd; }),
           hk.end());
  if (system.foreground == wnd) system.foreground = 0;
}

void HeadlessPlatform::ShowWindow(Handle wnd, bool show) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end()) it->second.visible = show;
}

void HeadlessPlatform::SetWindowText(Handle wnd, const std::string& text) {
  auto it = system.windows.find(wnd);
  if (it == system.windows.end()) return;
  it->second.desc.caption = text;
  it->second.control.caption = text;
  if (it->second.isControl && IsEdit(it->second)) SetEditText(wnd, Utf8ToUtf16(text));
}

FilePath HeadlessPlatform::ExePath() { return FilePath(exePath); }

bool HeadlessPlatform::GetEnvironmentVariable(const std::string& name, std::string& value) {
  for (const auto& [key, v] : environment) {
    if (FoldCase(key) == FoldCase(name)) {
      value = v;
      return true;
    }
  }
  return false;
}

bool HeadlessPlatform::IsWindowVisible(Handle wnd) { return Showing(wnd); }

bool HeadlessPlatform::Showing(Handle wnd) const {
  for (const auto* w = system.FindWindowRecord(wnd); w; w = w->parent ? system.FindWindowRecord(w->parent) : nullptr)
    if (!w->visible) return false;
  return system.FindWindowRecord(wnd) != nullptr;
}

void HeadlessPlatform::SetTimer(Handle wnd, std::uintptr_t id, std::uint32_t ms) {
  if (refuseTimers) throw SystemError("SetTimer (1158): out of window handles", kErrorNoMoreUserHandles);
  timers[{wnd, id}] = Timer{ms, tick + ms};
}

void HeadlessPlatform::KillTimer(Handle wnd, std::uintptr_t id) { timers.erase({wnd, id}); }

void HeadlessPlatform::AdvanceTo(std::uint64_t t) {
  tick = std::max(tick, t);
  for (auto& entry : timers) {
    Timer& timer = entry.second;
    const Handle wnd = entry.first.first;
    const std::uintptr_t id = entry.first.second;
    if (timer.due > tick) continue;
    const bool waiting = std::any_of(queue_.begin(), queue_.end(),
                                     [&](const Queued& q) { return q.wnd == wnd && q.msg == kWmTimer && q.w == id; });
    if (!waiting) {
      PostMessage(wnd, kWmTimer, id, 0);
      ++timerMessages;
    }
    timer.due = tick + timer.interval;
  }
}

void HeadlessPlatform::RunClock(std::uint64_t ms) {
  const std::uint64_t end = tick + ms;
  for (;;) {
    while (PumpMessage(false) == PumpResult::Dispatched) {
    }
    std::uint64_t next = end;
    for (const auto& [key, timer] : timers) next = std::min(next, timer.due);
    if (!scheduled_.empty()) next = std::min(next, scheduled_.begin()->first);
    if (next > end || (next == end && tick == end)) break;
    if (!scheduled_.empty() && scheduled_.begin()->first == next)
      RunNextScheduled();
    else
      AdvanceTo(next);
  }
}

std::uint32_t HeadlessPlatform::GetExStyle(Handle wnd) {
  const auto* w = system.FindWindowRecord(wnd);
  return w ? w->exStyle : 0;
}

void HeadlessPlatform::SetExStyle(Handle wnd, std::uint32_t style) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end()) it->second.exStyle = style;
}

std::intptr_t HeadlessPlatform::DefWindowProc(Handle, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
  return msg == kWmPowerBroadcast ? 1 : 0;  // TRUE, as Windows answers power notices
}

void HeadlessPlatform::PostMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
  queue_.push_back(Queued{wnd, msg, w, l, keys});
}

std::intptr_t HeadlessPlatform::SendMessage(Handle wnd, std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
  auto it = system.windows.find(wnd);
  if (it != system.windows.end() && it->second.isControl && !it->second.proc) {
    ControlMessage(it->second, msg, w, l);
    return 0;
  }
  const auto* rec = it == system.windows.end() ? nullptr : &it->second;
  if (!rec || !rec->proc) return 0;
  return rec->proc->Dispatch(msg, w, l);
}

void HeadlessPlatform::PostQuitMessage(int) { quit_ = true; }

PumpResult HeadlessPlatform::PumpMessage(bool wait) {
  // Waiting with nothing queued lets the scripted clock run to the next
  // piece of scheduled input.
  while (wait && queue_.empty() && !quit_ && !scheduled_.empty()) RunNextScheduled();
  if (queue_.empty()) {
    if (!quit_) return PumpResult::Idle;
    quit_ = false;
    return PumpResult::Quit;
  }
  Queued q = queue_.front();
  queue_.pop_front();
  const auto* rec = system.FindWindowRecord(q.wnd);
  if (rec && rec->proc) {
    // While a message is handled, the key state is the one of its posting.
    const std::array<bool, 256> live = keys;
    keys = q.keys;
    rec->proc->Dispatch(q.msg, q.w, q.l);
    keys = live;
  }
  return PumpResult::Dispatched;
}

void HeadlessPlatform::Schedule(std::uint32_t afterMs, std::function<void()> work) {
  scheduled_.emplace(tick + afterMs, std::move(work));
}

void HeadlessPlatform::WaitMessage(std::uint32_t ms) {
  waits.push_back(ms);
  if (!queue_.empty() || quit_) return;
  const std::uint64_t until = tick + ms;
  if (!scheduled_.empty() && scheduled_.begin()->first <= until)
    RunNextScheduled();
  else
    AdvanceTo(until);
}

void HeadlessPlatform::Sleep(std::uint32_t ms) {
  const std::uint64_t until = tick + ms;
  while (!scheduled_.empty() && scheduled_.begin()->first <= until) RunNextScheduled();
  AdvanceTo(until);
}

HeadlessPlatform::~HeadlessPlatform() = default;

bool HeadlessPlatform::SendToWindow(Handle wnd, const std::string& text) {
  const HeadlessSystem::Window* w = system.FindWindowRecord(wnd);
  if (!w || !w->process) return false;
  CopiedText copied{text};
  return w->process->SendMessage(wnd, kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&copied)) != 0;
}

void HeadlessPlatform::SleepWhile(std::uint32_t ms, const std::function<bool()>& waiting) {
  const std::uint64_t until = tick + ms;
  while (waiting() && !scheduled_.empty() && scheduled_.begin()->first <= until) RunNextScheduled();
  if (waiting()) AdvanceTo(until);
}

void HeadlessPlatform::RunNextScheduled() {
  auto next = scheduled_.begin();
  AdvanceTo(next->first);
  auto work = std::move(next->second);
  scheduled_.erase(next);
  work();
}

bool HeadlessPlatform::SetForegroundWindow(Handle wnd) {
  if (!system.FindWindowRecord(wnd)) return false;
  system.foreground = wnd;
  return true;
}

Handle HeadlessPlatform::FindWindow(const std::string& className, const std::string& caption) {
  for (const auto& [h, w] : system.windows)
    if (w.desc.kind != WindowKind::Utility && w.desc.className == className && w.desc.caption == caption) return h;
  return 0;
}

std::uint32_t HeadlessPlatform::RegisterWindowMessage(const std::string& name) {
  auto it = system.registeredMessages.find(FoldCase(name));
  if (it != system.registeredMessages.end()) return it->second;
  const std::uint32_t id = 0xC000 + static_cast<std::uint32_t>(system.registeredMessages.size());
  system.registeredMessages.emplace(FoldCase(name), id);
  return id;
}

bool HeadlessPlatform::MessageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  messageBoxes.push_back(Box{text, caption, kind});
  // While the person reads the box, its modal loop handles the thread's
  // posted messages and whatever falls due meanwhile; a quit stays queued.
  const std::uint64_t until = tick + boxShownMs;
  for (;;) {
    while (!queue_.empty()) PumpMessage(false);
    if (scheduled_.empty() || scheduled_.begin()->first > until) break;
    RunNextScheduled();
  }
  AdvanceTo(until);
  return kind != BoxKind::Question || !onQuestion || onQuestion(messageBoxes.back());
}

std::int16_t HeadlessPlatform::GetKeyState(int vk) {
  return (vk >= 0 && vk < 256 && keys[static_cast<std::size_t>(vk)]) ? static_cast<std::int16_t>(0x8000) : 0;
}

namespace {

// A US keyboard layout: virtual key -> scan code, scan code -> name.
struct KeyRow {
  std::uint32_t vk, scan;
  const char* name;
};
constexpr KeyRow kKeys[] = {
    {0x08, 0x0E, "Backspace"}, {0x09, 0x0F, "Tab"},     {0x0D, 0x1C, "Enter"}, {0x10, 0x2A, "Shift"},
    {0x11, 0x1D, "Ctrl"},      {0x12, 0x38, "Alt"},     {0x1B, 0x01, "Esc"},   {0x20, 0x39, "Space"},
    {0x21, 0x49, "Num 9"},     {0x22, 0x51, "Num 3"},   {0x23, 0x4F, "Num 1"}, {0x24, 0x47, "Num 7"},
    {0x25, 0x4B, "Num 4"},     {0x26, 0x48, "Num 8"},   {0x27, 0x4D, "Num 6"}, {0x28, 0x50, "Num 2"},
    {0x2D, 0x52, "Num 0"},     {0x2E, 0x53, "Num Del"}, {0x30, 0x0B, "0"},     {0x31, 0x02, "1"},
    {0x32, 0x03, "2"},         {0x33, 0x04, "3"},       {0x34, 0x05, "4"},     {0x35, 0x06, "5"},
    {0x36, 0x07, "6"},         {0x37, 0x08, "7"},       {0x38, 0x09, "8"},     {0x39, 0x0A, "9"},
    {0x41, 0x1E, "A"},         {0x42, 0x30, "B"},       {0x43, 0x2E, "C"},     {0x44, 0x20, "D"},
    {0x45, 0x12, "E"},         {0x46, 0x21, "F"},       {0x47, 0x22, "G"},     {0x48, 0x23, "H"},
    {0x49, 0x17, "I"},         {0x4A, 0x24, "J"},       {0x4B, 0x25, "K"},     {0x4C, 0x26, "L"},
    {0x4D, 0x32, "M"},         {0x4E, 0x31, "N"},       {0x4F, 0x18, "O"},     {0x50, 0x19, "P"},
    {0x51, 0x10, "Q"},         {0x52, 0x13, "R"},       {0x53, 0x1F, "S"},     {0x54, 0x14, "T"},
    {0x55, 0x16, "U"},         {0x56, 0x2F, "V"},       {0x57, 0x11, "W"},     {0x58, 0x2D, "X"},
    {0x59, 0x15, "Y"},         {0x5A, 0x2C, "Z"},       {0x70, 0x3B, "F1"},    {0x71, 0x3C, "F2"},
    {0x72, 0x3D, "F3"},        {0x73, 0x3E, "F4"},      {0x74, 0x3F, "F5"},    {0x75, 0x40, "F6"},
    {0x76, 0x41, "F7"},        {0x77, 0x42, "F8"},      {0x78, 0x43, "F9"},    {0x79, 0x44, "F10"},
    {0x7A, 0x57, "F11"},       {0x7B, 0x58, "F12"},
};

}  // namespace

std::uint32_t HeadlessPlatform::MapVirtualKey(std::uint32_t vk) {
  for (const KeyRow& k : kKeys)
    if (k.vk == vk) return k.scan;
  return 0;
}

std::string HeadlessPlatform::GetKeyNameText(std::int32_t lParam) {
  const std::uint32_t scan = (static_cast<std::uint32_t>(lParam) >> 16) & 0xFF;
  for (const KeyRow& k : kKeys)
    if (k.scan == scan) return k.name;
  return "";
}

std::uint16_t HeadlessPlatform::GlobalAddAtom(const std::string& name) {
  if (name.empty() || name.size() > 255) return 0;
  const std::string folded = FoldCase(name);
  auto known = system.atomNames.find(folded);
  if (known != system.atomNames.end()) {
    ++system.atoms[known->second].refs;
    return known->second;
  }
  if (system.atoms.size() >= system.atomCapacity) return 0;
  // Past the highest value in use, or else the lowest free one.
  std::uint16_t atom = system.atoms.empty() ? 0xC000 : static_cast<std::uint16_t>(system.atoms.rbegin()->first + 1);
  if (atom < 0xC000) {
    atom = 0xC000;
    while (system.atoms.count(atom)) ++atom;
  }
  system.atoms[atom] = HeadlessSystem::Atom{name, 1};
  system.atomNames[folded] = atom;
  return atom;
}

void HeadlessPlatform::GlobalDeleteAtom(std::uint16_t atom) {
  auto it = system.atoms.find(atom);
  if (it == system.atoms.end() || --it->second.refs > 0) return;
  system.atomNames.erase(FoldCase(it->second.name));
  system.atoms.erase(it);
}

bool HeadlessPlatform::RegisterHotKey(Handle wnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!system.FindWindowRecord(wnd)) return false;
  // The combination is the keys; MOD_NOREPEAT is how it reports.
  if (system.reservedHotKeys.count({modifiers & kModKeys, vk})) return false;
  for (const auto& h : system.hotkeys)
    if (((h.modifiers & kModKeys) == (modifiers & kModKeys) && h.vk == vk) ||
        (h.process == this && h.wnd == wnd && h.id == id))
      return false;
  system.hotkeys.push_back(HeadlessSystem::HotKey{this, wnd, id, modifiers, vk});
  trace.push_back("register hotkey");
  return true;
}

bool HeadlessPlatform::UnregisterHotKey(Handle wnd, int id) {
  auto& hk = system.hotkeys;
  auto it = std::find_if(hk.begin(), hk.end(), [&](const HeadlessSystem::HotKey& h) {
    return h.process == this && h.wnd == wnd && h.id == id;
  });
  if (it == hk.end()) return false;
  hk.erase(it);
  trace.push_back("unregister hotkey");
  return true;
}

}  // namespace vx
