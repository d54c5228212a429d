// The time information window and the record of the run: when it started,
// when the previous run ended, how long this one has lasted, the options
// that decide which start counts, and the log of run ends.
#pragma once

#include <cstdint>
#include <string>

#include "core/datetime.h"
#include "toolkit/toolkit.h"

namespace vx {

class TForm_Time : public TForm {
 public:
  explicit TForm_Time(TComponent* owner);

  // The window's controls.
  TPanel* Pnl_Main;
  TLabel* Lbl_NowL;
  TLabel* Lbl_Now;
  TBevel* Bevel1;
  TLabel* Lbl_LastL;
  TLabel* Lbl_Last;
  TLabel* Lbl_StartL;
  TLabel* Lbl_Start;
  TLabel* Lbl_SinceL;
  TLabel* Lbl_Since;
  TButton* Btn_OK;
  TButton* Btn_Cancel;
  TButton* Btn_Option;
  TPanel* Pnl_Option;
  TCheckBox* CB_LogFile;
  TCheckBox* CB_WinStart;
  TButton* Btn_Default;
  TCheckBox* CB_Suspend;
  TTimer* Tim_Since;

  // The record of the run. Ticks are the system's 64-bit millisecond count.
  double ProcessStartTick = 0;   // the tick when the run (re)started
  std::int64_t BaseTick = 0;     // elapsed time counts from here
  std::int64_t ElapsedMSec = 0;  // fixed at the end of the run
  FilePath LogFileName;
  TDateTime StartTime = 0;
  TDateTime EndTime = 0;   // the previous end after a load, this run's after its end
  TDateTime LastTime = 0;  // the previous end as stored; 0: none

  void FormCreate() override;
  void FormShow() override;
  // The end of the run: its start and end fixed, the log row when the log
  // option is on, and the Time section saved. Also run at a suspend.
  void FormDestroy() override;

  // Starts a run (at creation, and at a resume from standby).
  void FormTimeStartProcess();
  // Computes the start from the tick count, the WinStart option and the
  // clock; shows it and stores it.
  void SetStartTime();
  void FormTimeIniLoad();
  void FormTimeIniSave();
  // Stores the start of the run, only when the settings file exists.
  void FormTimeIniSave_StartTime();
  // Appends this run's row to the log file, with its header when new.
  void LogFileSave();

  void Tim_SinceTimer(TObject* Sender);
  void Btn_OKClick(TObject* Sender);
  void Btn_CancelClick(TObject* Sender);
  void Btn_OptionClick(TObject* Sender);
  void Btn_DefaultClick(TObject* Sender);
  void CB_WinStartClick(TObject* Sender);
  void CB_SuspendClick(TObject* Sender);

 private:
  // Milliseconds since BaseTick; 0 while the tick count is below it.
  std::int64_t ElapsedNow() const;
  TDateTime Now() const;
};

extern TForm_Time* Form_Time;

}  // namespace vx
