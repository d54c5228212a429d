// Components: ownership (an owner frees what it owns, last-created first,
// while it is still whole), removal notices between components, names found
// through an index, and the event types the toolkit's handlers take.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace vx {

class TComponent;
using TObject = TComponent;
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Destroys the component: BeforeDestruction, then the owned components
  // last-created first while this object is still whole, then the object.
  void Free();

  virtual void BeforeDestruction() {}
  // Called once after the component's stored properties have been set.
  virtual void Loaded() {}
  // Called when a component is inserted into or removed from the owner, or
  // when a component that asked for a removal notice from this one is freed.
  virtual void Notification(TComponent* component, TOperation operation);
  // Asks `component` to notify this one when it is freed (both ways).
  void FreeNotification(TComponent* component);

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int i) const { return components_.at(static_cast<std::size_t>(i)); }
  // The owned component with that name (letter case aside), or null.
  TComponent* FindComponent(const std::string& name) const;
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);

  // `f` made into a handler that runs only while this component lives: an
  // answer that comes later (work done aside, a message that a modal
  // loop hands on while the program ends) finds nothing freed. Its life
  // ends as its destruction begins.
  template <class F>
  auto WhileAlive(F f) const {
    return [alive = std::weak_ptr<const char>(alive_), f = std::move(f)](auto&&... args) {
      if (!alive.expired()) f(std::forward<decltype(args)>(args)...);
    };
  }

 protected:
  // Asks to hear, through Notification, of every insertion and removal of
  // the other components of this one's owner. Only components that act on
  // those notices ask, so a menu rebuilt with thousands of entries does not
  // notify every entry of every other.
  void HearSiblings();

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  void RemoveFreeNotification(TComponent* c);
  std::shared_ptr<const char> alive_ = std::make_shared<const char>('\0');

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> listeners_;  // owned components that hear their siblings
  bool hearsSiblings_ = false;
  std::vector<TComponent*> freeNotifies_;
  std::unordered_map<std::string, TComponent*> names_;  // folded name -> owned component
};

// Frees a component through its owner's rules when a unique_ptr lets go.
struct ComponentFree {
  void operator()(TComponent* c) const { c->Free(); }
};

}  // namespace vx
