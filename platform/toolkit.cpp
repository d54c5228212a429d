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

// --------------------------------------------------------------------- TForm

TForm::TForm(TComponent* owner, std::string className, std::string caption)
    : TComponent(owner), className_(std::move(className)), caption_(std::move(caption)) {}

TForm::~TForm() {
  if (handle_) Application->P.DestroyWindow(handle_);
}

Handle TForm::GetHandle() {
  if (!handle_) {
    WindowSpec desc;
    desc.kind = WindowKind::Form;
    desc.className = className_;
    desc.caption = caption_;
    desc.owner = Application->GetHandle();
    desc.width = width_;
    desc.height = height_;
    handle_ = Application->P.CreateWindow(desc, this);
  }
  return handle_;
}

void TForm::Show() {
  Application->P.ShowWindow(GetHandle(), true);
  Application->P.BringToFront(GetHandle());
}

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
    default:
      return Inherited(msg, wParam, lParam);
  }
}

std::intptr_t TForm::Inherited(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return Application->P.DefWindowProc(handle_, msg, wParam, lParam);
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

void TApplication::Run() {
  if (mainForm_ && ShowMainForm) mainForm_->Show();
  while (!Terminated) {
    PumpResult r = P.PumpMessage(false);
    if (r == PumpResult::Dispatched) continue;
    if (r == PumpResult::Idle && Idle()) continue;
    if (r == PumpResult::Idle) r = P.PumpMessage(true);
    if (r == PumpResult::Quit) Terminated = true;
    if (r == PumpResult::Idle) break;  // a backend without input has nothing more
  }
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

void TApplication::ProcessMessages() {
  for (;;) {
    PumpResult r = P.PumpMessage(false);
    if (r == PumpResult::Quit) Terminated = true;
    if (r != PumpResult::Dispatched) break;
  }
}

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
      return P.DefWindowProc(handle_, msg, wParam, lParam);
  }
}

}  // namespace vx
