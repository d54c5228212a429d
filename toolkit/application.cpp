// The toolkit's application room: what toolkit/application.h describes.
#include "toolkit/application.h"

#include "base/names.h"
#include "base/text.h"

namespace vx {

TApplication* Application = nullptr;

// -------------------------------------------------------------- TApplication

TApplication::TApplication(Platform& platform) : TComponent(nullptr), P(platform) {
  Application = this;
  // An exception that leaves any handler is shown in the error box.
  SetEscapedErrorSink([this](const std::exception& e) { ShowException(e); });
  WindowSpec desc;
  desc.kind = WindowKind::AppWindow;
  desc.className = kApplicationClass;
  desc.caption = "";
  try {
    handle_ = P.CreateWindow(desc, this);
  } catch (...) {
    // No application is left to show errors or to be found.
    Application = nullptr;
    SetEscapedErrorSink(nullptr);
    throw;
  }
  Icon.SetHandle(P.icons().LoadMainIcon());
}

TApplication::~TApplication() {
  DestroyComponents();
  Icon.SetHandle(0);
  if (handle_) P.DestroyWindow(handle_);
  if (Application == this) {
    Application = nullptr;
    SetEscapedErrorSink(nullptr);
  }
}

void TApplication::AfterFormCreated(TForm* form) {
  if (!mainForm_) mainForm_ = form;
  form->GetHandle();
  for (int i = 0; i < form->ComponentCount(); ++i) form->Components(i)->Loaded();
  form->FormCreate();
  form->created_ = true;
}

TApplication::PumpEnd TApplication::PumpUntil(const std::function<bool()>& done, PumpRules rules) {
  struct Level {
    int& depth;
    explicit Level(int& d) : depth(++d) {}
    ~Level() { --depth; }
  } level(depth_);
  for (;;) {
    if (Terminated) return PumpEnd::Quit;
    if (done && done()) return PumpEnd::Done;
    PumpResult r = P.PumpMessage(false);
    if (r == PumpResult::Idle) {
      if (rules.idle && Idle()) continue;
      if (!rules.wait) return PumpEnd::Empty;
      if (rules.deadline) {
        const std::uint64_t now = P.TickCount64();
        if (now >= rules.deadline) return PumpEnd::Deadline;
        P.WaitMessage(static_cast<std::uint32_t>(rules.deadline - now));
        continue;
      }
      r = P.PumpMessage(true);
      if (r == PumpResult::Idle) return PumpEnd::Empty;  // a backend without input has nothing more
    }
    if (r == PumpResult::Quit) {
      Terminated = true;
      if (depth_ > 1) P.PostQuitMessage(0);  // for the loop around this one
      return PumpEnd::Quit;
    }
  }
}

void TApplication::Run() {
  if (mainForm_ && ShowMainForm) mainForm_->Show();
  PumpUntil(nullptr, PumpRules{true, true, 0});
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

void TApplication::ProcessMessages() { PumpUntil(nullptr, PumpRules{false, false, 0}); }

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

bool TApplication::Ask(const std::string& text) { return P.MessageBox(text, title_, Platform::BoxKind::Question); }

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
      return P.DefWindowProc(window, msg, wParam, lParam);
  }
}

}  // namespace vx
