#include "app/program.h"

#include "app/Fom_Main.h"
#include "base/names.h"
#include "core/Unit_All.h"
#include "core/Unit_File.h"
#include "core/messages.h"
#include "forms/Fom_About.h"
#include "forms/Fom_Set.h"
#include "forms/Fom_SetEtc.h"
#include "forms/Fom_Time.h"

namespace vx {

VorlexProgram::~VorlexProgram() {
  if (started_) Finish();
}

void VorlexProgram::NotifyRunningCopy() {
  // The running copy's hidden main window learns of the second start by an
  // Enter key-down, which it ignores; the point is that it comes forward.
  const Handle running = P.FindWindow(kMainFormClass, kMainFormCaption);
  if (!running) return;
  P.SetForegroundWindow(running);
  P.SendMessage(running, kWmKeyDown, kVkReturn, 0);
}

int VorlexProgram::Start() {
  // The guard comes first: a second copy creates nothing, not even the
  // application's window.
  const std::vector<std::string> args = P.CommandLine();
  if (!P.CreateSingleInstanceMutex(kMutexName)) {
    // A command goes to the running copy, which carries it out; a plain
    // second start brings it forward.
    const Handle running = P.FindWindow(kMainFormClass, kMainFormCaption);
    if (args.empty() || !running)
      NotifyRunningCopy();
    else
      P.SendToWindow(running, CommandText(args));
    return 0;
  }
  SetCorePlatform(&P);
  // The language comes before the first window: every window is made in it.
  SetLanguage(ChooseLanguage(P, P.ExePath().WithExtension(".ini")));
  // Everything from the first window to the message loop: an error on the
  // way (a window, a form or a timer the system refuses, a hotkey) is shown
  // and the run ends with 1.
  try {
    auto* app = new TApplication(P);
    started_ = true;
    P.SetExStyle(app->GetHandle(), P.GetExStyle(app->GetHandle()) | kWsExToolWindow);
    app->SetTitle(kAppTitle);
    app->HelpFile = kHelpFile;
    app->CreateForm(Form_Main);
    app->CreateForm(Form_Set);
    Form_Set->MainWindow = {[] { Form_Main->DeleteMI_Exe(); }, [] { Form_Main->CreateMI_Exe(); },
                            [] { Form_Main->AutoPopupOn(); }};
    app->CreateForm(Form_About);
    app->CreateForm(Form_SetEtc);
    app->CreateForm(Form_Time);
    Form_Main->HotKeySet();
    if (!args.empty()) Form_Main->RunCommandLater(args);  // once the loop runs
  } catch (const std::exception& e) {
    if (Application)
      Application->ShowException(e);
    else
      P.MessageBox(e.what(), kAppTitle, Platform::BoxKind::Error);  // no application window to own it
    // What start-up got so far (windows, hotkeys, atoms, the tray icon) is
    // given back by the normal end-of-run work.
    Finish();
    SetCorePlatform(nullptr);
    return 1;
  }
  return -1;
}

bool VorlexProgram::Run() {
  Application->Run();
  return Application->Terminated;
}

int VorlexProgram::Finish() {
  if (!started_) return 0;
  started_ = false;
  Application->DestroyForms();
  Form_Main = nullptr;
  Form_Set = nullptr;
  Form_About = nullptr;
  Form_SetEtc = nullptr;
  Form_Time = nullptr;
  FinalizeUnitAll();
  delete Application;
  SetCorePlatform(nullptr);
  return 0;
}

int VorlexMain(Platform& platform) {
  VorlexProgram program(platform);
  const int code = program.Start();
  if (code >= 0) return code;
  program.Run();
  return program.Finish();
}

}  // namespace vx
