// The windowing toolkit: components with ownership and removal notices, the
// application object, forms and their controls, timers, pop-up menus and
// icons.
//
// Every rule of behaviour lives here, once, above the backends: owned
// components freed by their owner last-created first, removal notices,
// forms that hide on close unless they are the main form, the AutoPopup
// switch, nested message processing, the error box for an exception that
// leaves a handler, a check box whose handler runs when its state changes
// (from code or from the user) and never when it keeps it, no input for a
// disabled or hidden control, tab order, alignment of panels, and sizes and
// fonts described in 96-DPI pixels and scaled to the window's DPI.
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

// An icon object that owns its handle.
class TIcon {
 public:
  TIcon() = default;
  ~TIcon();
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  Handle GetHandle() const { return handle_; }
  // Takes ownership of `icon`, destroying the one held before.
  void SetHandle(Handle icon);
  // Holds a copy of `other`'s picture (empty when `other` is null or empty).
  void Assign(const TIcon* other);
  bool Empty() const { return handle_ == 0; }
  int Width() const;
  int Height() const;

 private:
  Handle handle_ = 0;
};

class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  std::string Caption;
  bool Checked = false;
  bool Visible = true;
  bool Enabled = true;
  TNotifyEvent OnClick;

  // The entry's image; the item owns it and destroys it with itself.
  Handle Bitmap() const { return bitmap_; }
  void SetBitmap(Handle bitmap);
  bool IsLine() const { return Caption == "-"; }
  TPopupMenu* Parent() const { return parent_; }
  void Click();

 private:
  friend class TPopupMenu;
  TPopupMenu* parent_ = nullptr;
  Handle bitmap_ = 0;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  bool AutoPopup = true;
  // Runs just before the menu is shown.
  TNotifyEvent OnPopup;

  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int IndexOf(const TMenuItem* item) const;
  // Shows the menu at the screen point and returns when it has closed; the
  // chosen entry's click handler has run by then.
  void Popup(int x, int y);

 private:
  std::vector<TMenuItem*> items_;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TShiftState = unsigned char;

class TApplication;
class TForm;
class TPanel;

enum class TAlign { alNone, alTop, alClient };

// A control of a form: a native child window described in 96-DPI pixels.
// Its properties may be set before the window exists (the form's
// description) and are reflected into it afterwards.
class TControl : public TComponent {
 public:
  // `owner` is the form; `parent` the panel it stands on, or null for the
  // form's client area.
  TControl(TForm* owner, TPanel* parent);
  ~TControl() override;

  TForm* Form() const { return form_; }
  TPanel* Parent() const { return parent_; }
  Handle GetHandle() const { return handle_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const Rect& BoundsRect() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Height() const { return bounds_.height; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Tab order among the controls of the same parent; -1: takes no focus.
  int TabOrder = -1;
  TAlign Align = TAlign::alNone;

  // A native notification (WM_COMMAND's code) from this control's window.
  virtual void Command(std::uint16_t /*code*/) {}
  // Puts what was set before the window existed into the new window.
  virtual void HandleCreated() {}
  // What the control's native window is: its class, styles and the
  // messages that give it its earlier state. The common part (name, text,
  // bounds, state, font) is filled in already; bounds are device pixels.
  virtual void Describe(ControlDesc& desc) const = 0;
  // The object that receives the messages of the control's own window (a
  // class of the program's), or null.
  virtual WindowProc* OwnWindowProc() { return nullptr; }
  // Sends a child's WM_COMMAND to the control that sent it; false when the
  // message names no control.
  static bool Reflect(std::uintptr_t wParam, std::intptr_t lParam);

 protected:
  // Whether a person can reach the control now: it is enabled and shows.
  bool TakesInput() const;
  // Takes the text the native control already shows.
  void StoreCaption(const std::string& caption) { caption_ = caption; }

 private:
  friend class TForm;
  void CreateHandle();
  void ApplyBounds();
  // The full description: the common part, then the control's own.
  ControlDesc Desc() const;
  TForm* form_;
  TPanel* parent_;
  std::string caption_;
  Rect bounds_;
  bool enabled_ = true, visible_ = true;
  Handle handle_ = 0;
  int id_;

 protected:
  bool checked_ = false;
};

class TLabel : public TControl {
 public:
  TLabel(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
};

// An etched line along the bottom of its bounds, or a frame around them.
enum class TBevelShape { bsBottomLine, bsFrame };

class TBevel : public TControl {
 public:
  TBevel(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  // Set in the form's description, before the window exists.
  void SetShape(TBevelShape shape) { shape_ = shape; }
  void Describe(ControlDesc& desc) const override;

 private:
  TBevelShape shape_ = TBevelShape::bsBottomLine;
};

class TButton : public TControl {
 public:
  TButton(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  TNotifyEvent OnClick;
  void Command(std::uint16_t code) override;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  TNotifyEvent OnClick;
  bool Checked() const { return checked_; }
  // Changes the state and then runs the click handler, as a click does;
  // setting the state the box already has runs nothing.
  void SetChecked(bool checked);
  void Command(std::uint16_t code) override;
};

// A list of texts with one selected. A person's change of the selection
// (mouse or keys) runs OnClick; a change from code runs nothing.
class TListBox : public TControl {
 public:
  TListBox(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  int ItemHeight = 16;
  TNotifyEvent OnClick;
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  void Add(const std::string& text) { Insert(Count(), text); }
  void Insert(int index, const std::string& text);
  void Delete(int index);
  // Replaces the text of an entry; the selection stays.
  void SetItem(int index, const std::string& text);
  void Move(int from, int to);
  void Clear();
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  void Command(std::uint16_t code) override;
  void HandleCreated() override;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// A one-line edit box. It shows a text set by the program whole, however
// long, and never holds a line break: a pasted text keeps its first line.
// MaxLength is its typing limit in CP932 bytes: typing or pasting past it
// stops there, and the caret stays where the person types. Text() is CP932;
// when the person's text holds characters that CP932 cannot hold, Lost()
// names them and Text() is not theirs (never store it). OnChange runs on
// every change, typed or set by code.
class TEdit : public TControl {
 public:
  TEdit(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  std::size_t MaxLength = 0;  // 0: no limit
  // The box holds a path: one that CP932 cannot hold exactly is taken by
  // its short (8.3) name when the file system gives one that it can.
  bool HoldsPath = false;
  TNotifyEvent OnChange;
  const std::string& Text() const { return Caption(); }
  const std::u32string& Lost() const { return lost_; }
  void SetText(const std::string& text);
  void Command(std::uint16_t code) override;

 private:
  // The person's text with what went past the limit left out, and where
  // the caret goes then (-1: where it is).
  std::u16string Limit(std::u16string typed, int& caret) const;
  std::u16string shown_;  // the box's text after the last change
  std::u32string lost_;
  bool reflecting_ = false;
};

// A path a person gave (typed, dropped or chosen) as CP932: exact, or by
// the short name that the file system gives for it when that one is exact
// (it names the same file); otherwise `lost` names what CP932 lacks.
Cp932Text PathToCp932(const std::u16string& path);

// A hotkey control. Any key is taken, with or without Shift, Ctrl and Alt;
// no combination is refused and no modifier added. Its value is the
// control's own: the key in the low byte, the modifiers in the high byte.
class THotKey : public TControl {
 public:
  THotKey(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  std::uint16_t Value() const { return value_; }
  void SetValue(std::uint16_t value);
  void Command(std::uint16_t code) override;
  void HandleCreated() override { SetValue(value_); }

 private:
  std::uint16_t value_ = 0;
};

// An icon; the control takes the icon's size.
class TImage : public TControl {
 public:
  TImage(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  // Shows a copy of the icon.
  void SetIcon(const TIcon* icon);
  const TIcon& Icon() const { return icon_; }
  void HandleCreated() override;

 private:
  TIcon icon_;
};

// The file-open dialog: no filter, no title and no start folder of its own.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TForm* owner);
  std::u16string FileName;  // as the system names it
  // Shows the dialog modally; true when the user chose a file.
  bool Execute();

 private:
  TForm* form_;
};

// A container of controls; its window passes its children's notices on.
class TPanel : public TControl, public WindowProc {
 public:
  TPanel(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  WindowProc* OwnWindowProc() override { return this; }
  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
};

// Runs OnTimer every Interval milliseconds while enabled, through the
// owner form's window.
class TTimer : public TComponent {
 public:
  explicit TTimer(TForm* owner);
  ~TTimer() override;
  std::uint32_t Interval = 1000;
  TNotifyEvent OnTimer;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The timer's own WM_TIMER; false when `id` names another timer.
  static bool Dispatch(std::uintptr_t id);

 private:
  TForm* form_;
  std::uintptr_t id_;
  bool enabled_ = false;
};

// The font a form's controls share, in 96-DPI pixels.
struct TFontSpec {
  std::string Name;
  int Height = 0;  // character height; 0: the system's font
  int Charset = 1;  // DEFAULT_CHARSET
};
inline constexpr int kShiftJisCharset = 128;

class TForm : public TComponent, public WindowProc {
 public:
  TForm(TComponent* owner, std::string className, std::string caption);
  ~TForm() override;

  // The form's window, created on first use.
  Handle GetHandle();
  bool HandleAllocated() const { return handle_ != 0; }
  const std::string& ClassName() const { return className_; }
  const std::string& Caption() const { return caption_; }

  // Makes the form visible and brings it to the front. When it was hidden,
  // FormShow runs first; the first show centres it on the screen.
  void Show();
  // Shows the form modally: the application's other forms take no input
  // until it is hidden again; messages are handled meanwhile.
  void ShowModal();
  void Hide();
  bool Visible();
  // Enter presses this button (and Escape none).
  TButton* DefaultButton = nullptr;
  // Lets the shell drop files on the form (FormDropFiles).
  void AcceptFiles();
  // Hides the form, or ends the application when it is the main form.
  void Close();

  // The client area in 96-DPI pixels; the window's is scaled by its DPI.
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  void SetClientHeight(int height) { SetClientSize(clientWidth_, height); }
  int Dpi() const { return dpi_; }
  // A length in 96-DPI pixels on this window's screen.
  int Scale(int v) const;
  TFontSpec Font;
  Handle FontHandle() const { return font_; }

  // Handlers the concrete forms override; each runs under the toolkit's
  // error box.
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormDestroy() {}
  virtual void FormClose(TCloseAction& /*action*/) {}
  virtual void FormKeyDown(std::uint16_t& /*key*/, TShiftState /*shift*/) {}
  // Files dropped on the form; the drop is released by the caller.
  virtual void FormDropFiles(std::uintptr_t /*drop*/) {}

  void BeforeDestruction() override;
  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

 protected:
  std::intptr_t Inherited(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  // One line of a window description: a control of this form, its name,
  // its parent (null: the form), its place and size in 96-DPI pixels, its
  // caption and its tab order (-1: takes no focus).
  template <class T>
  T* Place(const char* name, TPanel* parent, int left, int top, int width, int height, const std::string& caption,
           int tabOrder = -1) {
    T* c = new T(this, parent);
    c->SetName(name);
    c->SetBounds(left, top, width, height);
    c->SetCaption(caption);
    c->TabOrder = tabOrder;
    return c;
  }
  // A method of the concrete form as an event handler.
  template <class F>
  TNotifyEvent Handler(void (F::*method)(TObject*)) {
    F* self = static_cast<F*>(this);
    return [self, method](TObject* sender) { (self->*method)(sender); };
  }

 private:
  friend class TApplication;
  friend class TControl;
  // Creates the controls' windows, each parent's children in tab order.
  void CreateControls(TPanel* parent);
  // Places the aligned panels in the client area, then every control.
  void Realign();
  void ApplyDpi(int dpi);
  std::vector<TControl*> Controls() const;
  std::string className_, caption_;
  Handle handle_ = 0;
  int clientWidth_ = 0, clientHeight_ = 0;
  int dpi_ = 96;
  Handle font_ = 0;
  bool shownOnce_ = false;
};

// The application object: its hidden window, title, help file, icon, the
// message loop and the forms it owns.
class TApplication : public TComponent, public WindowProc {
 public:
  explicit TApplication(Platform& platform);
  ~TApplication() override;

  Platform& P;
  std::string HelpFile;
  TIcon Icon;
  bool ShowMainForm = true;
  bool Terminated = false;
  // Work done while no message waits, one piece per call; true while more
  // is left. The loop waits for messages only once it returns false.
  std::function<bool()> OnIdle;

  Handle GetHandle() const { return handle_; }
  TForm* MainForm() const { return mainForm_; }
  // The title names the application's window and captions its dialogs.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // Creates a form owned by the application: loads its components, then
  // runs its creation handler (errors shown, creation goes on).
  template <class T>
  void CreateForm(T*& ref) {
    T* form = new T(this);
    ref = form;
    AfterFormCreated(form);
  }

  void Initialize() {}

  // The one message pump; every loop of the program is a call of it. It
  // handles messages until `done` holds (checked before each message), and
  // ends early:
  // - on WM_QUIT, which ends this level and every level around it
  //   (`Terminated`); a nested level posts it again, so that a loop of the
  //   system's own around it (a menu's, a message box's) ends too;
  // - when the queue is empty and the call does not wait;
  // - at `deadline` (a TickCount64 value; 0: none), when it waits;
  // - on a backend without input, when nothing is left to wait for.
  // With `idle`, idle work (OnIdle) runs whenever the queue is empty.
  enum class PumpEnd { Done, Quit, Empty, Deadline };
  struct PumpRules {
    bool wait = true;
    bool idle = false;
    std::uint64_t deadline = 0;
  };
  PumpEnd PumpUntil(const std::function<bool()>& done, PumpRules rules);
  // Runs the message loop until the application is told to end (or, on a
  // backend without input, until no message is left).
  void Run();
  // Handles every pending message of the thread, then returns.
  void ProcessMessages();
  void Terminate();
  // The end of the run: hides every form, then frees them last-created first.
  void DestroyForms();
  void ShowException(const std::exception& e);
  void HelpCommand(std::uint32_t command, std::uintptr_t data);
  // The plain message dialog: modal, one OK button, the title as caption.
  void MessageBox(const std::string& text);

  std::intptr_t WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void AfterFormCreated(TForm* form);
  bool Idle();
  // One message: Dispatched, Quit (seen here or at a level inside), or
  // Empty when the queue holds none.
  int depth_ = 0;  // pumps running, one inside another
  Handle handle_ = 0;
  TForm* mainForm_ = nullptr;
  std::string title_;
};

extern TApplication* Application;

}  // namespace vx
