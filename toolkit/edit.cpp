// The toolkit's edit room: what toolkit/edit.h describes.
#include "toolkit/edit.h"

#include <algorithm>

#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

// --------------------------------------------------------------- TEdit

namespace {

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

void TEdit::SetText(const std::string& text) {
  const std::string line = text.substr(0, text.find_first_of("\r\n"));
  if (line == Caption()) return;
  shown_ = Utf8ToUtf16(line);
  reflecting_ = true;
  SetCaption(line);
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
  // The native box's own limit counts UTF-16 units and may cut a pasted
  // pair in two; the half left over is no character, and it goes.
  for (std::size_t i = 0; i < typed.size();) {
    if (IsHighSurrogate(typed[i]) && i + 1 < typed.size() && IsLowSurrogate(typed[i + 1])) {
      i += 2;
    } else if (IsHighSurrogate(typed[i]) || IsLowSurrogate(typed[i])) {
      typed.erase(i, 1);
      caret = static_cast<int>(i);
    } else {
      ++i;
    }
  }
  if (MaxLength == 0) return typed;
  const std::size_t bytes = SjisWidth(typed);
  if (bytes <= MaxLength || bytes <= SjisWidth(shown_)) return typed;  // within, or no longer than before
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
  const std::size_t kept = SjisWidth(before + after);
  const std::size_t room = kept < MaxLength ? MaxLength - kept : 0;
  std::size_t fit = 0;
  for (std::size_t n = 1; n <= inserted.size(); ++n) {
    if (n < inserted.size() && IsLowSurrogate(inserted[n])) continue;  // a pair goes whole
    if (SjisWidth(std::u16string_view(inserted).substr(0, n)) > room) break;
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
  std::string text = Utf16ToUtf8(kept);
  if (text == Caption()) return;
  StoreCaption(std::move(text));
  if (OnChange) OnChange(this);
}

Point TEdit::TextNeed(Platform& P, Handle font) const { return Point{0, P.TextExtent(font, "").y + Form()->Scale(4)}; }

}  // namespace vx
