#include "platform/toolkit.h"

#include <algorithm>

#include "platform/text.h"

namespace vx {

TApplication* Application = nullptr;

std::intptr_t WindowProc::Dispatch(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  try {
    return WndProc(msg, wParam, lParam);
  } catch (const std::exception& e) {
    if (Application) Application->ShowException(e);
  } catch (...) {
    if (Application) Application->ShowException(std::runtime_error("Unknown error"));
  }
  return 0;
}

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Whoever asked for a notice learns of the removal while this one's
  // address is still meaningful to them.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    other->RemoveFreeNotification(this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
  BeforeDestruction();
  DestroyComponents();
  delete this;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    last->Free();  // removes itself from this list
  }
}

void TComponent::InsertComponent(TComponent* c) {
  c->owner_ = this;
  components_.push_back(c);
  Notification(c, TOperation::opInsert);
}

namespace {
// Removes `c` from `list`, searching from the end, where components are
// usually freed.
void Erase(std::vector<TComponent*>& list, TComponent* c) {
  auto it = std::find(list.rbegin(), list.rend(), c);
  if (it != list.rend()) list.erase(std::next(it).base());
}
}  // namespace

void TComponent::RemoveComponent(TComponent* c) {
  Notification(c, TOperation::opRemove);
  auto named = names_.find(FoldCase(c->name_));
  if (named != names_.end() && named->second == c) names_.erase(named);
  c->owner_ = nullptr;
  Erase(components_, c);
  if (c->hearsSiblings_) Erase(listeners_, c);
}

void TComponent::HearSiblings() {
  if (hearsSiblings_) return;
  hearsSiblings_ = true;
  if (owner_) owner_->listeners_.push_back(this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
  // The owned components that asked hear of every insertion and removal.
  for (std::size_t i = 0; i < listeners_.size(); ++i)
    if (listeners_[i] != component) listeners_[i]->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->FreeNotification(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* c) { Erase(freeNotifies_, c); }

void TComponent::SetName(const std::string& name) {
  if (owner_) {
    auto& names = owner_->names_;
    auto old = names.find(FoldCase(name_));
    if (old != names.end() && old->second == this) names.erase(old);
    if (!name.empty()) names.emplace(FoldCase(name), this);  // the first of a name stays found
  }
  name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  auto it = names_.find(FoldCase(name));
  return it == names_.end() ? nullptr : it->second;
}

// --------------------------------------------------------------------- TIcon

TIcon::~TIcon() { SetHandle(0); }

void TIcon::SetHandle(Handle icon) {
  if (handle_ && handle_ != icon && Application) Application->P.DestroyIcon(handle_);
  handle_ = icon;
}

void TIcon::Assign(const TIcon* other) {
  if (other == this) return;
  SetHandle(other && other->handle_ ? Application->P.CopyIcon(other->handle_) : 0);
}

int TIcon::Width() const { return Application->P.LargeIconSize().x; }
int TIcon::Height() const { return Application->P.LargeIconSize().y; }

// ----------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  SetBitmap(0);
}

void TMenuItem::SetBitmap(Handle bitmap) {
  if (bitmap_ && bitmap_ != bitmap && Application) Application->P.DestroyBitmap(bitmap_);
  bitmap_ = bitmap;
}

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

// ---------------------------------------------------------------- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
}

void TPopupMenu::Remove(TMenuItem* item) {
  auto it = std::find(items_.rbegin(), items_.rend(), item);  // entries go last first
  if (it == items_.rend()) return;
  items_.erase(std::next(it).base());
  item->parent_ = nullptr;
}

int TPopupMenu::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  std::vector<MenuEntrySpec> entries;
  std::vector<TMenuItem*> shown;
  for (TMenuItem* item : items_) {
    if (!item->Visible) continue;
    MenuEntrySpec e;
    e.caption = item->Caption;
    e.separator = item->IsLine();
    e.checked = item->Checked;
    e.enabled = item->Enabled;
    e.bitmap = item->Bitmap();
    entries.push_back(e);
    shown.push_back(item);
  }
  int chosen = Application->P.TrackPopupMenu(entries, Point{x, y}, Application->GetHandle());
  if (chosen < 0 || chosen >= static_cast<int>(shown.size())) return;
  TMenuItem* item = shown[static_cast<std::size_t>(chosen)];
  // The handler may have rebuilt the menu meanwhile; only a live entry runs.
  if (IndexOf(item) >= 0 && !item->IsLine()) item->Click();
}

// ------------------------------------------------------------------ TControl

namespace {

// Every live control by its window, for the notices its parent receives.
std::unordered_map<Handle, TControl*>& ControlsByHandle() {
  static std::unordered_map<Handle, TControl*> controls;
  return controls;
}

// Command numbers of controls, past those Windows gives the dialog keys.
int g_nextControlId = 100;

}  // namespace

TControl::TControl(TForm* owner, TPanel* parent)
    : TComponent(owner), form_(owner), parent_(parent), id_(g_nextControlId++) {}

TControl::~TControl() {
  if (!handle_) return;
  ControlsByHandle().erase(handle_);
  if (Application) Application->P.DestroyWindow(handle_);
}

ControlDesc TControl::Desc() const {
  ControlDesc desc;
  desc.name = Name();
  desc.caption = caption_;
  desc.bounds = Rect{form_->Scale(bounds_.left), form_->Scale(bounds_.top), form_->Scale(bounds_.width),
                     form_->Scale(bounds_.height)};
  desc.id = id_;
  desc.visible = visible_;
  desc.enabled = enabled_;
  desc.tabStop = TabOrder >= 0;
  desc.font = form_->font_;
  Describe(desc);
  return desc;
}

// What each control's native window is.

void TLabel::Describe(ControlDesc& d) const {
  d.className = "STATIC";
  d.style = kSsLeft | kSsNoPrefix;
}

void TBevel::Describe(ControlDesc& d) const {
  d.className = "STATIC";
  if (shape_ == TBevelShape::bsFrame) {
    d.style = kSsEtchedFrame;
    d.edgesOnly = true;
  } else {
    // An etched line along the bottom of the bounds.
    d.style = kSsEtchedHorz;
    d.bounds = Rect{d.bounds.left, d.bounds.top + d.bounds.height - 2, d.bounds.width, 2};
  }
}

void TButton::Describe(ControlDesc& d) const {
  d.className = "BUTTON";
  d.style = Form()->DefaultButton == this ? kBsDefPushButton : kBsPushButton;
}

void TCheckBox::Describe(ControlDesc& d) const {
  d.className = "BUTTON";
  d.style = kBsCheckBox;  // the program changes the state, not the box
  if (checked_) d.setup.push_back(SetupMessage{kBmSetCheck, 1, 0});
}

void TListBox::Describe(ControlDesc& d) const {
  d.className = "LISTBOX";
  d.style = kWsVScroll | kLbsNotify | kLbsNoIntegralHeight;
  d.exStyle = kWsExClientEdge;
  if (ItemHeight > 0) d.setup.push_back(SetupMessage{kLbSetItemHeight, 0, Form()->Scale(ItemHeight)});
}

void TEdit::Describe(ControlDesc& d) const {
  d.className = "EDIT";
  d.style = kEsAutoHScroll;
  d.exStyle = kWsExClientEdge;
  // The box's own limit: typing stops there and the caret stays put; a
  // longer text set by the program is still shown whole.
  if (MaxLength > 0) d.setup.push_back(SetupMessage{kEmLimitText, MaxLength, 0});
}

void THotKey::Describe(ControlDesc& d) const {
  d.className = "msctls_hotkey32";
  d.exStyle = kWsExClientEdge;
  // Every combination is taken as it is typed: no rule replaces one.
  d.setup.push_back(SetupMessage{kHkmSetRules, 0, 0});
}

void TImage::Describe(ControlDesc& d) const {
  d.className = "STATIC";
  d.style = kSsIcon | kSsRealSizeImage;
}

void TPanel::Describe(ControlDesc& d) const {
  d.className = "TPanel";
  d.ownClass = true;
  d.style = kWsClipChildren;
  d.exStyle = kWsExControlParent;
}

void TControl::CreateHandle() {
  const Handle parent = parent_ ? parent_->handle_ : form_->GetHandle();
  handle_ = Application->P.CreateControl(parent, Desc(), OwnWindowProc());
  ControlsByHandle()[handle_] = this;
  HandleCreated();
}

void TControl::ApplyBounds() {
  if (handle_) Application->P.SetControlBounds(handle_, Desc().bounds);
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == caption_) return;  // an unchanged text is not drawn again
  caption_ = caption;
  if (handle_) Application->P.SetWindowText(handle_, caption);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = Rect{left, top, width, height};
  if (Align != TAlign::alNone && form_->handle_)
    form_->Realign();
  else
    ApplyBounds();
}

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_) Application->P.EnableWindow(handle_, enabled);
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  // An aligned control takes its place only while it shows.
  if (Align != TAlign::alNone && form_->handle_) form_->Realign();
  if (handle_) Application->P.ShowWindow(handle_, visible);
}

bool TControl::TakesInput() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_ || !c->visible_) return false;
  return true;
}

bool TControl::Reflect(std::uintptr_t wParam, std::intptr_t lParam) {
  auto it = ControlsByHandle().find(static_cast<Handle>(lParam));
  if (lParam == 0 || it == ControlsByHandle().end()) return false;
  it->second->Command(static_cast<std::uint16_t>(wParam >> 16));
  return true;
}

void TButton::Command(std::uint16_t code) {
  if (code == kBnClicked && TakesInput() && OnClick) OnClick(this);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (GetHandle()) Application->P.SetCheck(GetHandle(), checked);
  if (OnClick) OnClick(this);
}

void TCheckBox::Command(std::uint16_t code) {
  // The native box does not change by itself; a click changes it here.
  if (code == kBnClicked && TakesInput()) SetChecked(!checked_);
}

// ------------------------------------------------------------ TListBox

void TListBox::Insert(int index, const std::string& text) {
  index = std::max(0, std::min(index, Count()));
  items_.insert(items_.begin() + index, text);
  if (itemIndex_ >= index) ++itemIndex_;
  if (GetHandle()) Application->P.ListInsert(GetHandle(), index, text);
}

void TListBox::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  if (GetHandle()) Application->P.ListDelete(GetHandle(), index);
}

void TListBox::SetItem(int index, const std::string& text) {
  if (index < 0 || index >= Count() || items_[static_cast<std::size_t>(index)] == text) return;
  const int selected = itemIndex_;
  Delete(index);
  Insert(index, text);
  SetItemIndex(selected);
}

void TListBox::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  const std::string text = items_[static_cast<std::size_t>(from)];
  Delete(from);
  Insert(to, text);
}

void TListBox::Clear() {
  while (Count() > 0) Delete(Count() - 1);
  itemIndex_ = -1;
}

void TListBox::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  if (GetHandle()) Application->P.ListSelect(GetHandle(), itemIndex_);
}

void TListBox::HandleCreated() {
  for (int i = 0; i < Count(); ++i) Application->P.ListInsert(GetHandle(), i, Item(i));
  Application->P.ListSelect(GetHandle(), itemIndex_);
}

void TListBox::Command(std::uint16_t code) {
  if (code != kLbnSelChange || !TakesInput()) return;
  itemIndex_ = Application->P.ListSelection(GetHandle());
  if (OnClick) OnClick(this);
}

// --------------------------------------------------------------- TEdit

namespace {

std::size_t Cp932Bytes(std::u16string_view text) { return Application->P.codePage().Encode(text).size(); }

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void TEdit::SetText(const std::string& text) {
  const std::string line = text.substr(0, text.find_first_of("\r\n"));
  if (line == Caption() && lost_.empty()) return;
  const bool sameBytes = line == Caption();
  lost_.clear();
  shown_ = Application->P.codePage().Decode(line);
  reflecting_ = true;
  if (sameBytes) {
    // The box shows the person's text that these bytes only resemble.
    if (GetHandle()) Application->P.SetWindowText(GetHandle(), line);
  } else {
    SetCaption(line);
  }
  reflecting_ = false;
  if (OnChange) OnChange(this);
}

std::u16string TEdit::Limit(std::u16string typed, int& caret) const {
  caret = -1;
  const std::size_t lineEnd = typed.find_first_of(u"\r\n");
  if (lineEnd != std::u16string::npos) {
    typed.resize(lineEnd);
    caret = static_cast<int>(typed.size());
  }
  if (MaxLength == 0) return typed;
  const std::size_t bytes = Cp932Bytes(typed);
  if (bytes <= MaxLength || bytes <= Cp932Bytes(shown_)) return typed;  // within, or no longer than before
  // Grown past the limit: find what was put in, between the unchanged
  // start and end, and keep as much of it as the limit leaves room for.
  const std::size_t most = std::min(typed.size(), shown_.size());
  std::size_t a = 0;
  while (a < most && typed[a] == shown_[a]) ++a;
  std::size_t b = 0;
  while (b < most - a && typed[typed.size() - 1 - b] == shown_[shown_.size() - 1 - b]) ++b;
  if (a > 0 && a < typed.size() && IsLowSurrogate(typed[a])) --a;  // never split a pair
  const std::u16string before = shown_.substr(0, a), after = shown_.substr(shown_.size() - b);
  const std::u16string inserted = typed.substr(a, typed.size() - a - b);
  const std::size_t kept = Cp932Bytes(before + after);
  const std::size_t room = kept < MaxLength ? MaxLength - kept : 0;
  std::size_t fit = 0;
  for (std::size_t n = 1; n <= inserted.size(); ++n) {
    if (n < inserted.size() && IsLowSurrogate(inserted[n])) continue;  // a pair goes whole
    if (Cp932Bytes(std::u16string_view(inserted).substr(0, n)) > room) break;
    fit = n;
  }
  if (fit == 0) {
    caret = static_cast<int>(a);
    return shown_;  // nothing fits: the box stays as it was
  }
  caret = static_cast<int>(a + fit);
  return before + inserted.substr(0, fit) + after;
}

void TEdit::Command(std::uint16_t code) {
  if (code != kEnChange || reflecting_ || !GetHandle()) return;
  Platform& p = Application->P;
  const std::u16string typed = p.GetEditText(GetHandle());
  int caret = -1;
  const std::u16string kept = Limit(typed, caret);
  if (kept != typed) {
    // What went past the limit, or a second line, is taken out again.
    reflecting_ = true;
    p.SetEditText(GetHandle(), kept);
    p.SetEditSelection(GetHandle(), caret, caret);
    reflecting_ = false;
  }
  shown_ = kept;
  Cp932Text text = HoldsPath ? PathToCp932(kept) : ToCp932(kept, p.codePage());
  if (text.text == Caption() && text.lost == lost_) return;
  lost_ = std::move(text.lost);
  StoreCaption(text.text);
  if (OnChange) OnChange(this);
}

Cp932Text PathToCp932(const std::u16string& path) {
  Platform& p = Application->P;
  Cp932Text text = ToCp932(path, p.codePage());
  if (text.exact()) return text;
  // Only a full path names one file whatever the current folder is.
  const bool full = path.size() > 2 && ((path[1] == u':' && path[2] == u'\\') || (path[0] == u'\\' && path[1] == u'\\'));
  std::u16string shortPath;
  if (!full || !p.ShortPathName(path, shortPath)) return text;
  Cp932Text byShortName = ToCp932(shortPath, p.codePage());
  return byShortName.exact() ? byShortName : text;
}

// ------------------------------------------------------------- THotKey

void THotKey::SetValue(std::uint16_t value) {
  value_ = value;
  if (GetHandle()) Application->P.SetHotKeyValue(GetHandle(), value);
}

void THotKey::Command(std::uint16_t code) {
  if (code == kEnChange && GetHandle()) value_ = Application->P.GetHotKeyValue(GetHandle());
}

// -------------------------------------------------------------- TImage

void TImage::SetIcon(const TIcon* icon) {
  icon_.Assign(icon);
  // The image takes its picture's size.
  const Point size = Application->P.LargeIconSize();
  const Rect& b = BoundsRect();
  SetBounds(b.left, b.top, size.x, size.y);
  if (GetHandle()) Application->P.SetImageIcon(GetHandle(), icon_.GetHandle());
}

TOpenDialog::TOpenDialog(TForm* owner) : TComponent(owner), form_(owner) {}

void TImage::HandleCreated() {
  if (!icon_.Empty()) Application->P.SetImageIcon(GetHandle(), icon_.GetHandle());
}

bool TOpenDialog::Execute() {
  std::u16string path = FileName;
  if (!Application->P.OpenFileDialog(form_->GetHandle(), path)) return false;
  FileName = path;
  return true;
}

std::intptr_t TPanel::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == kWmCommand && Reflect(wParam, lParam)) return 0;
  return Application->P.DefWindowProc(window, msg, wParam, lParam);
}

// -------------------------------------------------------------------- TTimer

namespace {

std::unordered_map<std::uintptr_t, TTimer*>& TimersById() {
  static std::unordered_map<std::uintptr_t, TTimer*> timers;
  return timers;
}

std::uintptr_t g_nextTimerId = 1;

}  // namespace

TTimer::TTimer(TForm* owner) : TComponent(owner), form_(owner), id_(g_nextTimerId++) { TimersById()[id_] = this; }

TTimer::~TTimer() {
  SetEnabled(false);
  TimersById().erase(id_);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled)
    Application->P.SetTimer(form_->GetHandle(), id_, Interval);
  else if (form_->HandleAllocated() && Application)
    Application->P.KillTimer(form_->GetHandle(), id_);
}

bool TTimer::Dispatch(std::uintptr_t id) {
  auto it = TimersById().find(id);
  if (it == TimersById().end()) return false;
  TTimer* timer = it->second;
  if (timer->enabled_ && timer->OnTimer) timer->OnTimer(timer);
  return true;
}

// --------------------------------------------------------------------- TForm

TForm::TForm(TComponent* owner, std::string className, std::string caption)
    : TComponent(owner), className_(std::move(className)), caption_(std::move(caption)) {}

TForm::~TForm() {
  if (handle_) Application->P.DestroyWindow(handle_);
  if (font_) Application->P.DestroyFont(font_);
}

Handle TForm::GetHandle() {
  if (!handle_) {
    WindowSpec desc;
    desc.kind = WindowKind::Form;
    desc.className = className_;
    desc.caption = caption_;
    desc.owner = Application->GetHandle();
    desc.width = clientWidth_;
    desc.height = clientHeight_;
    handle_ = Application->P.CreateWindow(desc, this);
    dpi_ = 96;
    ApplyDpi(Application->P.GetDpi(handle_));
    CreateControls(nullptr);
    Realign();
  }
  return handle_;
}

int TForm::Scale(int v) const { return (v * dpi_ + (v >= 0 ? 48 : -48)) / 96; }

std::vector<TControl*> TForm::Controls() const {
  std::vector<TControl*> controls;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TControl*>(Components(i))) controls.push_back(c);
  return controls;
}

void TForm::CreateControls(TPanel* parent) {
  std::vector<TControl*> children;
  for (TControl* c : Controls())
    if (c->Parent() == parent) children.push_back(c);
  // Windows moves the focus through a parent's children in the order they
  // were made: make them in tab order, those that take no focus first.
  std::stable_sort(children.begin(), children.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
  for (TControl* c : children) {
    c->CreateHandle();
    if (auto* panel = dynamic_cast<TPanel*>(c)) CreateControls(panel);
  }
}

void TForm::Realign() {
  int top = 0;
  const std::vector<TControl*> controls = Controls();
  for (TControl* c : controls)
    if (!c->Parent() && c->Align == TAlign::alTop && c->Visible()) {
      c->bounds_ = Rect{0, top, clientWidth_, c->bounds_.height};
      top += c->bounds_.height;
    }
  for (TControl* c : controls)
    if (!c->Parent() && c->Align == TAlign::alClient && c->Visible())
      c->bounds_ = Rect{0, top, clientWidth_, std::max(0, clientHeight_ - top)};
  for (TControl* c : controls) c->ApplyBounds();
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  if (!handle_) return;
  Application->P.SetClientSize(handle_, Scale(width), Scale(height));
  Realign();
}

void TForm::ApplyDpi(int dpi) {
  Platform& P = Application->P;
  dpi_ = dpi > 0 ? dpi : 96;
  // A font made for the new DPI, so the text is drawn crisp at its size.
  const Handle old = font_;
  font_ = Font.Height > 0 ? P.CreateFont(Font.Name, Scale(Font.Height), Font.Charset) : 0;
  for (TControl* c : Controls())
    if (c->GetHandle()) P.SetFont(c->GetHandle(), font_);
  if (old) P.DestroyFont(old);
  SetClientSize(clientWidth_, clientHeight_);
}

void TForm::Show() {
  if (!Visible()) {
    FormShow();
    if (!shownOnce_) Application->P.CenterOnScreen(GetHandle());
    shownOnce_ = true;
  }
  Application->P.ShowWindow(GetHandle(), true);
  Application->P.BringToFront(GetHandle());
}

void TForm::ShowModal() {
  Platform& P = Application->P;
  std::vector<Handle> disabled;
  for (int i = 0; i < Application->ComponentCount(); ++i) {
    auto* form = dynamic_cast<TForm*>(Application->Components(i));
    if (form && form != this && form->Visible()) {
      P.EnableWindow(form->GetHandle(), false);
      disabled.push_back(form->GetHandle());
    }
  }
  Show();
  Application->PumpUntil([this] { return !Visible(); }, TApplication::PumpRules{});
  for (Handle h : disabled) P.EnableWindow(h, true);
  if (!disabled.empty()) P.BringToFront(disabled.back());
}

void TForm::AcceptFiles() { Application->P.DragAcceptFiles(GetHandle(), true); }

void TForm::Hide() {
  if (handle_) Application->P.ShowWindow(handle_, false);
}

bool TForm::Visible() { return handle_ && Application->P.IsWindowVisible(handle_); }

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  FormClose(action);
  if (action == TCloseAction::caNone) return;
  if (Application->MainForm() == this)
    Application->Terminate();
  else
    Hide();
}

void TForm::BeforeDestruction() {
  try {
    FormDestroy();
  } catch (const std::exception& e) {
    Application->ShowException(e);
  }
}

std::intptr_t TForm::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (msg) {
    case kWmClose:
      Close();
      return 0;
    case kWmKeyDown: {
      std::uint16_t key = static_cast<std::uint16_t>(wParam);
      FormKeyDown(key, 0);
      return 0;
    }
    case kWmCommand:
      if (TControl::Reflect(wParam, lParam)) return 0;
      // Enter, through the dialog manager: the default button's number
      // without its window.
      if (lParam == 0 && DefaultButton && (wParam & 0xFFFF) == static_cast<std::uintptr_t>(DefaultButton->id_)) {
        DefaultButton->Command(kBnClicked);
        return 0;
      }
      return Inherited(msg, wParam, lParam);
    case kDmGetDefId:
      if (DefaultButton) return static_cast<std::intptr_t>((static_cast<std::uint32_t>(kDcHasDefId) << 16) | DefaultButton->id_);
      return 0;
    case kWmDropFiles: {
      const std::uintptr_t drop = wParam;
      try {
        FormDropFiles(drop);
      } catch (...) {
        Application->P.DragFinish(drop);  // released in every case
        throw;
      }
      Application->P.DragFinish(drop);
      return 0;
    }
    case kWmTimer:
      if (TTimer::Dispatch(wParam)) return 0;
      return Inherited(msg, wParam, lParam);
    case kWmDpiChanged:
      ApplyDpi(static_cast<int>(wParam & 0xFFFF));
      return 0;
    default:
      return Inherited(msg, wParam, lParam);
  }
}

std::intptr_t TForm::Inherited(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return Application->P.DefWindowProc(window, msg, wParam, lParam);
}

// -------------------------------------------------------------- TApplication

TApplication::TApplication(Platform& platform) : TComponent(nullptr), P(platform) {
  Application = this;
  WindowSpec desc;
  desc.kind = WindowKind::AppWindow;
  desc.className = "TApplication";
  desc.caption = "";
  handle_ = P.CreateWindow(desc, this);
  Icon.SetHandle(P.LoadMainIcon());
}

TApplication::~TApplication() {
  DestroyComponents();
  Icon.SetHandle(0);
  if (handle_) P.DestroyWindow(handle_);
  if (Application == this) Application = nullptr;
}

void TApplication::AfterFormCreated(TForm* form) {
  if (!mainForm_) mainForm_ = form;
  form->GetHandle();
  for (int i = 0; i < form->ComponentCount(); ++i) form->Components(i)->Loaded();
  try {
    form->FormCreate();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

TApplication::PumpEnd TApplication::PumpUntil(const std::function<bool()>& done, PumpRules rules) {
  struct Level {
    int& depth;
    explicit Level(int& d) : depth(++d) {}
    ~Level() { --depth; }
  } level(depth_);
  for (;;) {
    if (Terminated) return PumpEnd::Quit;
    if (done && done()) return PumpEnd::Done;
    PumpResult r = P.PumpMessage(false);
    if (r == PumpResult::Idle) {
      if (rules.idle && Idle()) continue;
      if (!rules.wait) return PumpEnd::Empty;
      if (rules.deadline) {
        const std::uint64_t now = P.TickCount64();
        if (now >= rules.deadline) return PumpEnd::Deadline;
        P.WaitMessage(static_cast<std::uint32_t>(rules.deadline - now));
        continue;
      }
      r = P.PumpMessage(true);
      if (r == PumpResult::Idle) return PumpEnd::Empty;  // a backend without input has nothing more
    }
    if (r == PumpResult::Quit) {
      Terminated = true;
      if (depth_ > 1) P.PostQuitMessage(0);  // for the loop around this one
      return PumpEnd::Quit;
    }
  }
}

void TApplication::Run() {
  if (mainForm_ && ShowMainForm) mainForm_->Show();
  PumpUntil(nullptr, PumpRules{true, true, 0});
}

bool TApplication::Idle() {
  if (!OnIdle) return false;
  try {
    return OnIdle();
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
}

void TApplication::ProcessMessages() { PumpUntil(nullptr, PumpRules{false, false, 0}); }

void TApplication::Terminate() { P.PostQuitMessage(0); }

void TApplication::DestroyForms() {
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TForm*>(Components(i))) form->Hide();
  DestroyComponents();
  mainForm_ = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  P.SetWindowText(handle_, title);
}

void TApplication::ShowException(const std::exception& e) { P.MessageBox(e.what(), title_, Platform::BoxKind::Error); }

void TApplication::MessageBox(const std::string& text) { P.MessageBox(text, title_, Platform::BoxKind::Plain); }

void TApplication::HelpCommand(std::uint32_t command, std::uintptr_t data) {
  P.WinHelp(handle_, HelpFile, command, data);
}

std::intptr_t TApplication::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (msg) {
    case kWmClose:
      if (mainForm_) mainForm_->Close();
      return 0;
    case kWmQueryEndSession:
      return 1;
    case kWmEndSession:
      if (wParam != 0) {
        // Windows is ending the session: the end-of-run work runs now,
        // inside this message, and the process ends with it.
        DestroyForms();
        Terminated = true;
        P.ExitProcess(0);
      }
      return 0;
    default:
      return P.DefWindowProc(window, msg, wParam, lParam);
  }
}

}  // namespace vx
