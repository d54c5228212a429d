// The edit box: a stored value shown whole, and a typing limit in
// Shift-JIS bytes that keeps the caret where the person types.
#pragma once

#include <cstddef>
#include <string>

#include "base/codepage.h"
#include "toolkit/controls.h"

namespace vx {

// A one-line edit box. It shows a text set by the program whole, however
// long, and never holds a line break: a pasted text keeps its first line.
// MaxLength is its typing limit in Shift-JIS bytes (SjisWidth): typing or
// pasting past it stops there, and the caret stays where the person types.
// Text() is the person's text, every character as typed, or the stored
// value as set while the person has not changed it. OnChange runs on every
// change, typed or set by code.
class TEdit : public TControl {
 public:
  TEdit(TForm* owner, TPanel* parent) : TControl(owner, parent) {}
  void Describe(ControlDesc& desc) const override;
  Point TextNeed(Platform& P, Handle font) const override;
  std::size_t MaxLength = 0;  // 0: no limit
  TNotifyEvent OnChange;
  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& text);
  void Command(std::uint16_t code) override;

 private:
  // The person's text with what went past the limit left out, and where
  // the caret goes then (-1: where it is).
  std::u16string Limit(std::u16string typed, int& caret) const;
  std::u16string shown_;  // the box's text after the last change
  bool reflecting_ = false;
};

}  // namespace vx
