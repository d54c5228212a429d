// The edit box: a stored value shown whole, a typing limit in CP932 bytes
// that keeps the caret where the person types, and the one conversion of a
// person's text to CP932 (with the file system's short name for a path).
#pragma once

#include <cstddef>
#include <string>

#include "base/codepage.h"
#include "toolkit/controls.h"

namespace vx {

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

}  // namespace vx
