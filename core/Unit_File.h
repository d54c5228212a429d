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
// all when ExeList is empty.
void SaveSettings();
// The language to show: the settings file's [Basic] Language when it names
// one, else the one Windows' UI language asks for. A file that cannot be
// read is left to LoadSettings to report.
Language ChooseLanguage(Platform& platform, const FilePath& iniFile);

}  // namespace vx
