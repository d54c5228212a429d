// Forms: the form's window, its controls made in tab order, alignment of
// panels, sizes and fonts in 96-DPI pixels scaled to the window's DPI, close
// that hides (or ends the application for the main form), modal show, file
// drops and the dialog manager's default button.
#pragma once

#include <string>
#include <vector>

#include "base/texts.h"
#include "toolkit/controls.h"
#include "toolkit/edit.h"
#include "toolkit/timer.h"

namespace vx {

// The font a form's controls share, in 96-DPI pixels.
struct TFontSpec {
  std::string Name;
  int Height = 0;   // character height; 0: the system's font
  int Charset = 1;  // DEFAULT_CHARSET
};
inline constexpr int kShiftJisCharset = 128;

// The face a form's font is made with: `face` when it is installed, else
// the first installed of the system's Japanese UI fonts, else `face` still.
std::string InstalledFace(const std::string& face, Platform& P);

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
  // The font the form is drawn with: Font, or in English the system's
  // message font.
  TFontSpec ShownFont(Platform& P) const;

  // Handlers the concrete forms override; each runs under the toolkit's
  // error box, but FormCreate, whose error reaches CreateForm's caller.
  // FormDestroy runs only for a form whose FormCreate ran to its end.
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
    c->SetCaption(Tr(caption.c_str()));  // a design-time text, in the person's language
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
  // Sizes each control of a window shown in the message font (English) to
  // show its text whole at this DPI, from the description: a control too
  // small for its text grows,
  // what stands to its right (below) moves on by as much, a frame around
  // it stretches, and the form grows with them. Controls whose text fits
  // keep their described places and sizes exactly.
  void FitToText();
  // Whether the form is fitted to its texts: a window in its own fonts (the
  // Japanese ones) keeps its description exactly, its texts laid out for
  // those fonts; one in the system's message font (English) is laid out
  // from its texts.
  bool FitsToText() const;
  // Fits anew, as a control's text changed, and shows the result.
  void Refit();
  // Scales everything for the DPI; the window takes the rectangle Windows
  // suggests with a DPI change, or else the client size at the new scale.
  void ApplyDpi(int dpi, const EdgeRect* suggested = nullptr);
  std::vector<TControl*> Controls() const;
  // The control that takes the keyboard when the form opens, or null.
  TControl* FirstField() const;
  std::string className_, caption_;
  Handle handle_ = 0;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool described_ = false;
  Point growth_;  // of the client area, for the text
  int dpi_ = 96;
  Handle font_ = 0;
  bool shownOnce_ = false;
  // FormCreate ran to its end: only then does FormDestroy have anything
  // of it to undo.
  bool created_ = false;
};

}  // namespace vx
