// The settings file: its header, and the loading and saving of the launch
// items and the shared settings. Each routine parses the file once, serves
// its reads and writes from memory, and flushes before it returns; nothing
// is kept between routines, so edits made by hand in between are seen.
#pragma once

#include "base/texts.h"
#include "platform/platform.h"

namespace vx {

// Makes sure the settings file exists (creating it with its comment line)
// and writes the Head section.
void WriteIniHeader();
// Replaces ExeList, the shared settings and MenuHotKeyItem with the file's.
void LoadSettings();
// Writes ExeList, the shared settings and MenuHotKeyItem; does nothing at
// all when ExeList is empty. A change another program made to them since
// they were last loaded or saved is never written over unread: unless
// `overwrite` (the person chose their own), nothing is written then.
void SaveSettings(bool overwrite = false);
// Whether the file's items and shared settings differ from what was last
// loaded or saved: another program (a person's text editor, a
// synchronisation) changed them. A file missing or empty, as one saved in
// two steps is between them, is no change yet. A file that cannot be read
// throws, as LoadSettings does.
bool SettingsChangedOutside();
// The end of the run: nothing is known of the file's settings any more.
void ForgetSettings();
// The language to show: the settings file's [Basic] Language when it names
// one, else the one Windows' UI language asks for. A file that cannot be
// read is left to LoadSettings to report.
Language ChooseLanguage(Platform& platform, const FilePath& iniFile);

}  // namespace vx
