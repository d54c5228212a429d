#include "forms/Fom_Time.h"

#include <cmath>

#include "base/cleanup.h"
#include "base/text.h"
#include "core/Unit_All.h"
#include "core/messages.h"
#include "core/profile.h"

namespace vx {

TForm_Time* Form_Time = nullptr;

namespace {

constexpr char kSection[] = "Time";
constexpr char kPattern[] = "yy/mm/dd hh:mm:ss";

std::string Flag(bool b) { return b ? "1" : "0"; }

}  // namespace

TForm_Time::TForm_Time(TComponent* owner) : TForm(owner, "TForm_Time", "時間情報") {
  SetClientSize(321, 185);
  Font = TFontSpec{"ＭＳ 明朝", 15, kShiftJisCharset};
  // clang-format off
  //                                 name           parent      left top width height caption          tab
  Pnl_Main    = Place<TPanel>   ("Pnl_Main",    nullptr,      0,   0, 321, 113, "",                  0);
  Lbl_NowL    = Place<TLabel>   ("Lbl_NowL",    Pnl_Main,     8,   8,  64,  15, "現在時刻");
  Lbl_Now     = Place<TLabel>   ("Lbl_Now",     Pnl_Main,    80,   8, 136,  15, kPattern);
  Bevel1      = Place<TBevel>   ("Bevel1",      Pnl_Main,     4,   8, 217,  25, "");
  Lbl_LastL   = Place<TLabel>   ("Lbl_LastL",   Pnl_Main,     8,  40,  64,  15, "前回終了");
  Lbl_Last    = Place<TLabel>   ("Lbl_Last",    Pnl_Main,    80,  40, 136,  15, kPattern);
  Lbl_StartL  = Place<TLabel>   ("Lbl_StartL",  Pnl_Main,     8,  64,  64,  15, "起動時刻");
  Lbl_Start   = Place<TLabel>   ("Lbl_Start",   Pnl_Main,    80,  64, 136,  15, kPattern);
  Lbl_SinceL  = Place<TLabel>   ("Lbl_SinceL",  Pnl_Main,     8,  88,  64,  15, "経過時間");
  Lbl_Since   = Place<TLabel>   ("Lbl_Since",   Pnl_Main,   152,  88,  64,  15, "hh:mm:ss");
  Btn_OK      = Place<TButton>  ("Btn_OK",      Pnl_Main,   232,   8,  75,  25, "OK",                0);
  Btn_Cancel  = Place<TButton>  ("Btn_Cancel",  Pnl_Main,   232,  40,  75,  25, "Cancel",            1);
  Btn_Option  = Place<TButton>  ("Btn_Option",  Pnl_Main,   232,  80,  75,  25, "設定",              2);
  Pnl_Option  = Place<TPanel>   ("Pnl_Option",  nullptr,      0, 113, 321,  72, "",                  1);
  CB_LogFile  = Place<TCheckBox>("CB_LogFile",  Pnl_Option,   8,   8, 201,  17, "Logファイルを作る", 0);
  CB_WinStart = Place<TCheckBox>("CB_WinStart", Pnl_Option,   8,  28, 201,  17, "Windowsの起動時刻を使う", 1);
  Btn_Default = Place<TButton>  ("Btn_Default", Pnl_Option, 232,   8,  75,  25, "初期化",            2);
  CB_Suspend  = Place<TCheckBox>("CB_Suspend",  Pnl_Option,   8,  48, 297,  17, "スタンバイ,休止状態の時刻も使う", 3);
  // clang-format on
  Pnl_Main->Align = TAlign::alTop;
  Pnl_Option->Align = TAlign::alClient;
  Pnl_Option->SetVisible(false);

  Tim_Since = new TTimer(this);
  Tim_Since->SetName("Tim_Since");
  Tim_Since->Interval = 100;
  Tim_Since->OnTimer = Handler(&TForm_Time::Tim_SinceTimer);

  Btn_OK->OnClick = Handler(&TForm_Time::Btn_OKClick);
  Btn_Cancel->OnClick = Handler(&TForm_Time::Btn_CancelClick);
  Btn_Option->OnClick = Handler(&TForm_Time::Btn_OptionClick);
  Btn_Default->OnClick = Handler(&TForm_Time::Btn_DefaultClick);
  CB_WinStart->OnClick = Handler(&TForm_Time::CB_WinStartClick);
  CB_Suspend->OnClick = Handler(&TForm_Time::CB_SuspendClick);
}

TDateTime TForm_Time::Now() const { return MSecsToDateTime(Application->P.LocalTimeMSecs()); }

std::int64_t TForm_Time::ElapsedNow() const {
  const auto t = static_cast<std::int64_t>(Application->P.TickCount64());
  return BaseTick > t ? 0 : t - BaseTick;
}

// ------------------------------------------------------------ the record

void TForm_Time::FormCreate() {
  LogFileName = Application->P.ExePath().WithExtension(".log");
  FormTimeStartProcess();
}

void TForm_Time::FormTimeStartProcess() {
  ProcessStartTick = static_cast<double>(Application->P.TickCount64());
  FormTimeIniLoad();
  Lbl_Last->SetCaption(LastTime != 0 ? FormatDateTime(kPattern, LastTime) : kNoDateTime);
  SetStartTime();
  Tim_SinceTimer(this);
}

void TForm_Time::SetStartTime() {
  const auto t = static_cast<std::int64_t>(Application->P.TickCount64());
  std::int64_t e;
  if (CB_WinStart->Checked()) {
    BaseTick = 0;
    e = t;
  } else {
    BaseTick = std::llround(ProcessStartTick);
    e = BaseTick > t ? 0 : t - BaseTick;
  }
  // In whole milliseconds, so the start is exact.
  StartTime = MSecsToDateTime(Application->P.LocalTimeMSecs() - e);
  Lbl_Start->SetCaption(FormatDateTime(kPattern, StartTime));
  FormTimeIniSave_StartTime();
}

void TForm_Time::FormTimeIniLoad() {
  bool logFile, winStart, suspend;
  std::string last;
  {
    ProfileFile ini(Application->P.files(), IniFileName, Application->P.codePage());
    logFile = ini.ReadInteger(kSection, "LogFile", 0) != 0;
    winStart = ini.ReadInteger(kSection, "WinStart", 0) != 0;
    suspend = ini.ReadInteger(kSection, "Suspend", 0) != 0;
    last = ini.ReadString(kSection, "Last", "");
  }
  // In this order: with WinStart and Suspend both stored on, Suspend's
  // handler switches WinStart off again, so Suspend wins.
  CB_LogFile->SetChecked(logFile);
  CB_WinStart->SetChecked(winStart);
  CB_Suspend->SetChecked(suspend);
  TDateTime parsed = 0;
  const int year = PartsFromMSecs(Application->P.LocalTimeMSecs()).year;
  LastTime = !last.empty() && TryParseDateTime(last, year, parsed) ? parsed : 0;
  EndTime = LastTime;
  UseSuspendTime = CB_Suspend->Checked();
}

void TForm_Time::FormTimeIniSave() {
  UseSuspendTime = CB_Suspend->Checked();
  const std::string last = FormatDateTime(kPattern, EndTime);
  ProfileFile ini(Application->P.files(), IniFileName, Application->P.codePage());
  ini.WriteString(kSection, "LogFile", Flag(CB_LogFile->Checked()));
  ini.WriteString(kSection, "WinStart", Flag(CB_WinStart->Checked()));
  ini.WriteString(kSection, "Suspend", Flag(CB_Suspend->Checked()));
  ini.WriteString(kSection, "Start", Lbl_Start->Caption());
  ini.WriteString(kSection, "Last", last);
  ini.Flush();
}

void TForm_Time::FormTimeIniSave_StartTime() {
  if (!Application->P.files().Exists(IniFileName)) return;  // never creates the file
  ProfileFile ini(Application->P.files(), IniFileName, Application->P.codePage());
  ini.WriteString(kSection, "Start", Lbl_Start->Caption());
  ini.Flush();
}

void TForm_Time::FormDestroy() {
  SetStartTime();
  EndTime = Now();
  ElapsedMSec = ElapsedNow();
  // A failing log write is shown, but the run's end is stored all the same.
  ThenCleanUp(
      [this] {
        if (CB_LogFile->Checked()) LogFileSave();
      },
      [this] { FormTimeIniSave(); });
}

void TForm_Time::LogFileSave() {
  Files& files = Application->P.files();
  try {
    // The log is Shift-JIS; its rows are ASCII, its column line is not.
    const std::string header = std::string(kLogTitle) + "\r\n" + Tr(kLogColumns) + "\r\n";
    if (!files.Exists(LogFileName)) files.Create(LogFileName, Application->P.codePage().Encode(Utf8ToUtf16(header)));
    files.Append(LogFileName, FormatDateTime("yy/mm/dd | hh:mm:ss | ", StartTime) +
                                  FormatDateTime("hh:mm:ss | ", EndTime) + FormatElapsed(ElapsedMSec) + "\r\n");
  } catch (const SystemError& e) {
    throw std::runtime_error(InOutErrorText(e.code()) + "\r\n" + LogFileName.utf8);
  }
}

// ------------------------------------------------------------ the window

void TForm_Time::FormShow() {
  SetStartTime();
  SetClientHeight(Pnl_Main->Height());  // every show opens collapsed
  Pnl_Option->SetVisible(false);
  Tim_Since->SetEnabled(true);
}

void TForm_Time::Tim_SinceTimer(TObject*) {
  // The timer stops at its first tick after the window was hidden, so a
  // hidden window costs no processor time.
  if (!Visible()) Tim_Since->SetEnabled(false);
  Lbl_Now->SetCaption(FormatDateTime(kPattern, Now()));
  Lbl_Since->SetCaption(FormatElapsed(ElapsedNow()));
}

void TForm_Time::Btn_OKClick(TObject*) {
  FormTimeIniSave();
  Close();
}

void TForm_Time::Btn_CancelClick(TObject*) {
  FormTimeIniLoad();
  Close();
}

void TForm_Time::Btn_OptionClick(TObject*) {
  if (Pnl_Option->Visible()) {
    SetClientHeight(Pnl_Main->Height());
    Pnl_Option->SetVisible(false);
  } else {
    SetClientHeight(Pnl_Main->Height() + Pnl_Option->FittedBounds().height);
    Pnl_Option->SetVisible(true);
  }
}

void TForm_Time::Btn_DefaultClick(TObject*) {
  CB_LogFile->SetChecked(false);
  CB_WinStart->SetChecked(false);
  CB_Suspend->SetChecked(false);
}

namespace {
// The two ways to count a run exclude each other: the one ticked clears the
// other and takes it out of reach until it is cleared again.
void Excludes(const TCheckBox* ticked, TCheckBox* other) {
  if (ticked->Checked()) other->SetChecked(false);
  other->SetEnabled(!ticked->Checked());
}
}  // namespace

void TForm_Time::CB_WinStartClick(TObject*) {
  Excludes(CB_WinStart, CB_Suspend);
  SetStartTime();
  Tim_SinceTimer(this);
}

void TForm_Time::CB_SuspendClick(TObject*) { Excludes(CB_Suspend, CB_WinStart); }

}  // namespace vx
