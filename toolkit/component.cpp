// The toolkit's component room: what toolkit/component.h describes.
#include "toolkit/component.h"

#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  alive_.reset();
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
  alive_.reset();
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

}  // namespace vx
