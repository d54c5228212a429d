// The controls of a form: each a native child window that describes itself
// (class, styles, its earlier state as setup messages) and keeps its rules
// here, above the backends: labels, bevels, buttons, check boxes, list
// boxes, drop-down lists, hotkey controls, images, panels and the
// file-open dialog. A
// disabled or hidden control takes no input; notices reach the control that
// sent them (Reflect).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/menus.h"

namespace vx {

enum class TCloseAction { caNone, caHide };
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
  // Its place and size as described, and as the form's text fitting gave
  // them (see TForm::FitToText), before panels are aligned.
  const Rect& DescribedBounds() const { return design_; }
  const Rect& FittedBounds() const { return fitted_; }
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
  // The form's DPI changed: what the control sized at creation follows it
  // (bounds and font are the form's to set).
  virtual void DpiChanged() {}
  // What the control's native window is: its class, styles and the
  // messages that give it its earlier state. The common part (name, text,
  // bounds, state, font) is filled in already; bounds are device pixels.
  virtual void Describe(ControlDesc& desc) const = 0;
  // The least size, in device pixels, that shows the control's text whole
  // in `font` (a label's line, a check box's box and text, a button's text
  // with its edges); 0 where it asks for none.
  virtual Point TextNeed(Platform& /*P*/, Handle /*font*/) const { return Point{}; }
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
  Rect design_, fitted_;  // as described; as fitted to the text
  bool described_ = false;
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
  Point TextNeed(Platform& P, Handle font) const override;
  // The control this label names. Screen readers name a field after the
  // static text just before it in the window order, so the form makes the
  // label's window just before that control's.
  TControl* FocusControl = nullptr;
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
  Point TextNeed(Platform& P, Handle font) const override;
  TNotifyEvent OnClick;
  void Command(std::uint16_t code) override;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  // The box, the gap after it and the text.
  Point TextNeed(Platform& P, Handle font) const override;
  TNotifyEvent OnClick;
  bool Checked() const { return checked_; }
  // Changes the state and then runs the click handler, as a click does;
  // setting the state the box already has runs nothing.
  void SetChecked(bool checked);
  void Command(std::uint16_t code) override;
};

// The texts and the one selected that a list box and a drop-down list
// share, with the rule of their notices: a person's change of the
// selection (mouse or keys) runs the control's handler, a change from code
// runs nothing.
class TCustomList : public TControl {
 public:
  TCustomList(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // -1 or an index outside the list: none
  void Command(std::uint16_t code) override;
  void HandleCreated() override;

 protected:
  void Insert(int index, const std::string& text);
  void Delete(int index);
  // Runs the handler of a person's change.
  virtual void SelectionChanged() = 0;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// A list of texts with one selected; a person's change runs OnClick.
class TListBox : public TCustomList {
 public:
  TListBox(TForm* owner, TPanel* parent) : TCustomList(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  int ItemHeight = 16;  // as described; rows are at least as tall as the font's line
  TNotifyEvent OnClick;
  void Add(const std::string& text) { Insert(Count(), text); }
  using TCustomList::Delete;
  using TCustomList::Insert;
  // Replaces the text of an entry; the selection stays.
  void SetItem(int index, const std::string& text);
  void Move(int from, int to);
  void Clear();
  void DpiChanged() override;

 private:
  friend class TForm;
  void SelectionChanged() override;
  int designRows_ = 0;  // ItemHeight as described
};

// A drop-down list: a fixed set of texts, one of them shown; a person's
// choice runs OnChange.
class TComboBox : public TCustomList {
 public:
  TComboBox(TForm* owner, TPanel* parent) : TCustomList(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  Point TextNeed(Platform& P, Handle font) const override;
  TNotifyEvent OnChange;
  void Add(const std::string& text) { Insert(Count(), text); }

 private:
  void SelectionChanged() override;
};

// A hotkey control. Any key is taken, with or without Shift, Ctrl and Alt;
// no combination is refused and no modifier added. Its value is the
// control's own: the key in the low byte, the modifiers in the high byte.
class THotKey : public TControl {
 public:
  THotKey(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  Point TextNeed(Platform& P, Handle font) const override;
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

}  // namespace vx
