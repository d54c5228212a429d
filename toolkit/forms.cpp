// The toolkit's forms room: what toolkit/forms.h describes.
#include "toolkit/forms.h"

#include <algorithm>
#include <functional>

#include "base/text.h"
#include "toolkit/application.h"

namespace vx {

// --------------------------------------------------------------------- TForm

std::string InstalledFace(const std::string& face, Platform& P) {
  if (P.FontInstalled(face)) return face;
  // "ＭＳ ゴシック" and "ＭＳ 明朝" come only with the Japanese supplemental
  // fonts, which Windows in other languages leaves out; the system's
  // substitute has other widths and clips the fixed layouts. The Japanese
  // UI fonts of Windows 10 and 11, 7 and XP take their place.
  for (const char* ui : {"Yu Gothic UI", "Meiryo UI", "MS UI Gothic"})
    if (P.FontInstalled(ui)) return ui;
  return face;  // nothing better: the system's own substitute
}

TForm::TForm(TComponent* owner, std::string className, std::string caption)
    : TComponent(owner), className_(std::move(className)), caption_(Tr(caption.c_str())) {}

TFontSpec TForm::ShownFont(Platform& P) const {
  // The Japanese windows keep their fonts; in English a window takes the
  // system's message font at its size, as Windows' own dialogs do.
  TFontSpec font = Font;
  if (font.Height <= 0) return font;
  std::string face;
  int height = 0;
  if (CurrentLanguage() == Language::English && P.MessageFont(face, height)) return TFontSpec{face, height, 1};
  font.Name = InstalledFace(font.Name, P);
  return font;
}

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
  std::vector<TControl*> children, focusable;
  for (TControl* c : Controls())
    if (c->Parent() == parent) children.push_back(c);
  // Windows moves the focus through a parent's children in the order they
  // were made, and screen readers name a field after the label just before
  // it: make the controls in tab order, each after the labels that name it,
  // then the rest in the order of the description (earlier ones on top).
  for (TControl* c : children)
    if (c->TabOrder >= 0) focusable.push_back(c);
  std::stable_sort(focusable.begin(), focusable.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
  auto namer = [](const TControl* c) {
    auto* label = dynamic_cast<const TLabel*>(c);
    return label ? label->FocusControl : nullptr;
  };
  std::vector<TControl*> order;
  for (TControl* c : focusable) {
    for (TControl* label : children)
      if (namer(label) == c) order.push_back(label);
    order.push_back(c);
  }
  for (TControl* c : children)
    if (c->TabOrder < 0 && std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
  for (TControl* c : order) {
    c->CreateHandle();
    if (auto* panel = dynamic_cast<TPanel*>(c)) CreateControls(panel);
  }
}

TControl* TForm::FirstField() const {
  // The first control in the tab order that a person can reach: the
  // form's own children first, then those of its panels.
  TControl* first = nullptr;
  for (TControl* c : Controls()) {
    if (c->TabOrder < 0 || !c->TakesInput() || dynamic_cast<TPanel*>(c)) continue;
    auto rank = [](const TControl* x) { return std::make_pair(x->Parent() ? x->Parent()->TabOrder : -1, x->TabOrder); };
    if (!first || rank(c) < rank(first)) first = c;
  }
  return first;
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

namespace {

// Grows each of the controls to what `need` says it needs (96-DPI pixels,
// across or down, from where it starts now), across then down, making room
// as TForm::FitToText says; how much their extent grew. Twice, for a
// control moved on may round to a pixel less at its new place.
Point FitAmong(const std::vector<TControl*>& kids, const std::function<int(TControl*, bool, int)>& need,
               const std::function<Rect&(TControl*)>& box) {
  auto extent = [&] {
    Point e;
    for (TControl* c : kids) {
      e.x = std::max(e.x, box(c).left + box(c).width);
      e.y = std::max(e.y, box(c).top + box(c).height);
    }
    return e;
  };
  const Point before = extent();
  for (int round = 0; round < 2; ++round)
    for (bool across : {true, false}) {
      std::vector<TControl*> order = kids;
      std::stable_sort(order.begin(), order.end(), [&](TControl* a, TControl* b) {
        return across ? box(a).left < box(b).left : box(a).top < box(b).top;
      });
      for (TControl* c : order) {
        Rect& r = box(c);
        int& start = across ? r.left : r.top;
        int& size = across ? r.width : r.height;
        const int wanted = need(c, across, start);
        if (wanted <= size) continue;
        const int edge = start + size, more = wanted - size;
        size = wanted;
        for (TControl* o : kids) {
          if (o == c) continue;
          Rect& q = box(o);
          int& oStart = across ? q.left : q.top;
          int& oSize = across ? q.width : q.height;
          // Across its edge: a frame around it, or a text field, which
          // stretches (a field keeps its end where the row's others go).
          const bool beside = across ? q.top < r.top + r.height && r.top < q.top + q.height
                                     : q.left < r.left + r.width && r.left < q.left + q.width;
          if (oStart >= edge)
            oStart += more;
          else if (oStart + oSize > edge && (beside || (across && dynamic_cast<TEdit*>(o))))
            oSize += more;
        }
      }
    }
  const Point after = extent();
  return Point{after.x - before.x, after.y - before.y};
}

}  // namespace

void TForm::FitToText() {
  Platform& P = Application->P;
  const std::vector<TControl*> controls = Controls();
  if (!described_) {
    described_ = true;
    for (TControl* c : controls) c->design_ = c->bounds_;
  }
  for (TControl* c : controls) c->fitted_ = c->design_;
  if (!FitsToText()) return;
  // The least size in 96-DPI pixels that shows at least `device` pixels
  // from `start` at this DPI (a control is shown by its edges): the text
  // never cut, and never a pixel too many.
  auto in96 = [this](int device, int start) {
    int v = device * 96 / dpi_;
    while (Scale(start + v) - Scale(start) < device) ++v;
    return v;
  };
  auto need = [&](TControl* c, bool across, int start) {
    const Point device = c->TextNeed(P, font_);
    return in96(across ? device.x : device.y, start);
  };
  auto box = [](TControl* c) -> Rect& { return c->fitted_; };
  for (TControl* c : controls)
    if (auto* list = dynamic_cast<TListBox*>(c)) {
      if (!list->designRows_) list->designRows_ = list->ItemHeight;
      list->ItemHeight = std::max(list->designRows_, in96(P.TextExtent(font_, "").y, 0));
    }
  // Each panel's controls first: the panel grows by as much as they did.
  auto childrenOf = [&](const TPanel* parent) {
    std::vector<TControl*> kids;
    for (TControl* c : controls)
      if (c->Parent() == parent && (parent || c->Align == TAlign::alNone)) kids.push_back(c);
    return kids;
  };
  Point aligned;                                  // the aligned panels' growth: across, the widest; down, all of it
  std::vector<std::pair<TPanel*, Point>> panels;  // each panel's size for its controls
  for (TControl* c : controls)
    if (auto* panel = dynamic_cast<TPanel*>(c)) {
      const Point grown = FitAmong(childrenOf(panel), need, box);
      panels.emplace_back(panel, Point{panel->design_.width + grown.x, panel->design_.height + grown.y});
      if (panel->Align != TAlign::alNone) {
        aligned.x = std::max(aligned.x, grown.x);
        aligned.y += grown.y;
        panel->fitted_.width = panels.back().second.x;
        panel->fitted_.height = panels.back().second.y;
      }
    }
  const Point grown = FitAmong(
      childrenOf(nullptr),
      [&](TControl* c, bool across, int start) {
        for (const auto& [panel, size] : panels)
          if (panel == c) return across ? size.x : size.y;
        return need(c, across, start);
      },
      box);
  for (TControl* c : controls) c->bounds_ = c->fitted_;
  // The client area grows by as much as its controls did; a size the form
  // set since (a part shown or hidden) keeps the difference.
  const Point growth{std::max(grown.x, aligned.x), grown.y + aligned.y};
  clientWidth_ += growth.x - growth_.x;
  clientHeight_ += growth.y - growth_.y;
  growth_ = growth;
}

bool TForm::FitsToText() const { return Font.Height > 0 && CurrentLanguage() == Language::English; }

void TForm::Refit() {
  if (!FitsToText()) return;
  FitToText();
  SetClientSize(clientWidth_, clientHeight_);
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  if (!handle_) return;
  Application->P.SetClientSize(handle_, Scale(width), Scale(height));
  Realign();
}

void TForm::ApplyDpi(int dpi, const EdgeRect* suggested) {
  Platform& P = Application->P;
  dpi_ = dpi > 0 ? dpi : 96;
  // A font made for the new DPI, so the text is drawn crisp at its size;
  // what else a control sized for the old DPI follows too.
  const Handle old = font_;
  const TFontSpec shown = ShownFont(P);
  font_ = shown.Height > 0 ? P.CreateFont(shown.Name, Scale(shown.Height), shown.Charset) : 0;
  for (TControl* c : Controls())
    if (c->GetHandle()) {
      P.SetFont(c->GetHandle(), font_);
      c->DpiChanged();
    }
  if (old) P.DestroyFont(old);
  FitToText();
  if (!suggested || !handle_) {
    SetClientSize(clientWidth_, clientHeight_);
    return;
  }
  // Windows' own rectangle for the new DPI: a window sized by itself here
  // jumps, and at a monitor's edge it can flip between the two monitors.
  P.SetWindowBounds(handle_, *suggested);
  Realign();
}

void TForm::Show() {
  const bool opening = !Visible();
  if (opening) {
    FormShow();
    if (!shownOnce_) Application->P.CenterOnScreen(GetHandle());
    shownOnce_ = true;
  }
  Application->P.ShowWindow(GetHandle(), true);
  Application->P.BringToFront(GetHandle());
  // A dialog opens with the keyboard in its first field.
  if (opening)
    if (TControl* first = FirstField()) Application->P.SetFocus(first->GetHandle());
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
  if (!created_) return;
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
      if (DefaultButton)
        return static_cast<std::intptr_t>((static_cast<std::uint32_t>(kDcHasDefId) << 16) | DefaultButton->id_);
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
      ApplyDpi(static_cast<int>(wParam & 0xFFFF), reinterpret_cast<const EdgeRect*>(lParam));
      return 0;
    default:
      return Inherited(msg, wParam, lParam);
  }
}

std::intptr_t TForm::Inherited(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return Application->P.DefWindowProc(window, msg, wParam, lParam);
}

}  // namespace vx
