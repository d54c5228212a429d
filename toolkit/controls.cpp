// The toolkit's controls room: what toolkit/controls.h describes.
#include "toolkit/controls.h"

#include <algorithm>
#include <unordered_map>

#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

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
  // By its edges, so that controls that meet in 96-DPI pixels meet at any
  // DPI, never a pixel over each other.
  const int left = form_->Scale(bounds_.left), top = form_->Scale(bounds_.top);
  desc.bounds = Rect{left, top, form_->Scale(bounds_.left + bounds_.width) - left,
                     form_->Scale(bounds_.top + bounds_.height) - top};
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

void TComboBox::Describe(ControlDesc& d) const {
  d.className = "COMBOBOX";
  d.style = kWsVScroll | kCbsDropDownList;
  // The window's height takes in the opened list; the box itself is as
  // high as its font makes it. Room for every entry, so none scrolls.
  d.bounds.height += Form()->Scale(16 * Count() + 8);
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
  if (!handle_) return;
  Application->P.SetWindowText(handle_, caption);
  // A text longer than the control shows is fitted anew, the form with it.
  if (!form_->FitsToText()) return;
  const Point need = TextNeed(Application->P, form_->FontHandle());
  const Rect shown = Desc().bounds;
  if (need.x > shown.width || need.y > shown.height) form_->Refit();
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

// --------------------------------------------------------- TCustomList

void TCustomList::Insert(int index, const std::string& text) {
  index = std::max(0, std::min(index, Count()));
  items_.insert(items_.begin() + index, text);
  if (itemIndex_ >= index) ++itemIndex_;
  if (GetHandle()) Application->P.ListInsert(GetHandle(), index, text);
}

void TCustomList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  if (GetHandle()) Application->P.ListDelete(GetHandle(), index);
}

void TCustomList::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  if (GetHandle()) Application->P.ListSelect(GetHandle(), itemIndex_);
}

void TCustomList::HandleCreated() {
  for (int i = 0; i < Count(); ++i) Application->P.ListInsert(GetHandle(), i, Item(i));
  Application->P.ListSelect(GetHandle(), itemIndex_);
}

void TCustomList::Command(std::uint16_t code) {
  // A list box's and a drop-down list's notices share their number.
  static_assert(kLbnSelChange == kCbnSelChange, "one notice for both");
  if (code != kLbnSelChange || !TakesInput()) return;
  itemIndex_ = Application->P.ListSelection(GetHandle());
  SelectionChanged();
}

// ------------------------------------------------------------ TListBox

void TListBox::SetItem(int index, const std::string& text) {
  if (index < 0 || index >= Count() || Item(index) == text) return;
  const int selected = ItemIndex();
  Delete(index);
  Insert(index, text);
  SetItemIndex(selected);
}

void TListBox::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  const std::string text = Item(from);
  Delete(from);
  Insert(to, text);
}

void TListBox::Clear() {
  while (Count() > 0) Delete(Count() - 1);  // the selection goes with its entry
}

void TListBox::DpiChanged() {
  if (ItemHeight > 0) Application->P.SendMessage(GetHandle(), kLbSetItemHeight, 0, Form()->Scale(ItemHeight));
}

void TListBox::SelectionChanged() {
  if (OnClick) OnClick(this);
}

// ----------------------------------------------------------- TComboBox

void TComboBox::SelectionChanged() {
  if (OnChange) OnChange(this);
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
  // The image takes its picture's size in 96-DPI pixels, as every bound
  // is; the form scales it for its DPI once.
  const Point size = Application->P.icons().LargeIconSize(96);
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

// ------------------------------------------------------- Room for the text
// Beside the text: a button's edges, a check box's box and the gap after
// it, a drop-down's arrow, a field's border; in 96-DPI pixels.

Point TLabel::TextNeed(Platform& P, Handle font) const {
  return Caption().empty() ? Point{} : P.TextExtent(font, Caption());
}

Point TButton::TextNeed(Platform& P, Handle font) const {
  const Point text = P.TextExtent(font, Caption());
  return Point{text.x + Form()->Scale(2), text.y + Form()->Scale(4)};
}

Point TCheckBox::TextNeed(Platform& P, Handle font) const {
  const Point text = P.TextExtent(font, Caption());
  return Point{text.x + Form()->Scale(18), std::max(text.y, Form()->Scale(13))};
}

Point TComboBox::TextNeed(Platform& P, Handle font) const {
  int widest = 0, line = P.TextExtent(font, "").y;
  for (int i = 0; i < Count(); ++i) widest = std::max(widest, P.TextExtent(font, Item(i)).x);
  return Point{widest + Form()->Scale(24), line + Form()->Scale(6)};
}

Point THotKey::TextNeed(Platform& P, Handle font) const {
  return Point{0, P.TextExtent(font, "").y + Form()->Scale(4)};
}

}  // namespace vx
