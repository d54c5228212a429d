// The application object: its hidden window, the forms it owns, the one
// message pump of the program (PumpUntil) with Run and ProcessMessages
// over it, idle work, the error box for an exception that leaves a handler,
// and the end of the session.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/forms.h"

namespace vx {

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
  // A question with Yes and No; true for Yes.
  bool Ask(const std::string& text);

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
