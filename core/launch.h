// What the shell is asked to open for a launch item: the item's Exe, Par and
// Dir as the person stored them, made into the paths the system takes. The stored values are never changed.
//
// - "%NAME%" in any of the three is the environment variable NAME; a name
//   that is not set stays as written. A 32-bit Vorlex on 64-bit Windows
//   reads %ProgramFiles% and %CommonProgramFiles% as 64-bit Windows has
//   them (ProgramW6432, CommonProgramW6432), as the 64-bit build does.
// - A relative Exe that names a file in the program's own folder or below
//   it ("tools\x.exe") is that file; any other relative Exe ("notepad.exe")
//   goes to the shell as written, which searches for it as it does.
// - A relative Dir (".\docs") is taken from the program's own folder.
// - On 64-bit Windows a 32-bit program sees SysWOW64 where System32 is
//   named; a program (IsProgramPath) in "%windir%\System32" is started
//   through Sysnative, so it is the program that the person named. A
//   document there stays as named: the program that opens it may be a
//   64-bit one, which has no Sysnative.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vx {

// `named`, when given, gets the file as named, before a System32 program
// is mapped to Sysnative: the path its running copies report.
LaunchRequest ResolveLaunch(const std::string& exe, const std::string& par, const std::string& dir, Platform& p,
                            std::string* named = nullptr);

// The path as 64-bit Windows has it: for a 32-bit program on 64-bit
// Windows, "%windir%\System32" and below through Sysnative, which the file
// system does not redirect to SysWOW64; elsewhere the path as it is.
std::string AsSystemHasIt(const std::string& path, Platform& p);

// The program that a resolved item runs: the file itself when it is a
// program, a shortcut's target when that is one; empty for a document, a
// folder or a URL, which the shell opens with a program of its choosing.
FilePath ProgramOf(const std::string& named, Platform& p);

// The window of the running program to bring forward (Shell::
// BringForward), or 0 when none is open. The window in front is
// `foreground`, the one the person worked in at the press or click, when
// it is a window a person switches to; otherwise (the click was in the
// launch menu) the frontmost such window not minimized and not kept on
// top. When one of the program's windows is in front and it has more, the
// backmost of the others comes forward, so that repeated presses go
// through them all; otherwise its frontmost window does.
// A program named without a folder (found by the shell's search) is
// matched by its file name; any other by its full path.
Handle WindowToBringForward(const FilePath& program, Platform& p, Handle foreground);

// Whether the path names a program that Windows starts itself: its
// extension is one of PATHEXT's (".COM;.EXE;.BAT;.CMD" when it is not set),
// without regard to case. An MMC console (.msc), which PATHEXT lists too, is
// a document that mmc.exe opens; a URL ("https://example.com") is none.
bool IsProgramPath(const std::string& utf8, Platform& p);

// Whether the path ends in the extension (".lnk"), letter case aside.
bool HasExtension(const std::string& path, const char* ext);

// The text with every "%NAME%" of a set variable replaced by its value.
std::string ExpandVariables(const std::string& utf8, Platform& p);

}  // namespace vx
