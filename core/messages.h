// Every text that Vorlex shows or writes, in one place, as UTF-8, in
// Japanese: each is shown through Tr (base/texts.h), which gives it in the
// person's language. The log writes its texts in Shift-JIS.
#pragma once

#include <cstdint>
#include <string>

#include "base/text.h"
#include "base/texts.h"

namespace vx {

inline constexpr char kAppTitle[] = "Vorlex";
inline constexpr char kHelpFile[] = "Vorlex.hlp";
inline constexpr char kMutexName[] = "Mutex_Vorlex";
inline constexpr char kVersion[] = "1.22";
inline constexpr char kIniHeaderLine[] = ";Vorlex Initialize File";
inline constexpr char kDefaultAtomName[] = "Atom_Vorlex";
inline constexpr char kDefaultMenuHotKeyName[] = "MenuHotKey";

inline constexpr char kMsgCannotWrite[] = "%s に書き込めません";
inline constexpr char kMsgCannotCreate[] = "%s を作成できません";
inline constexpr char kMsgCannotRead[] = "%s を読み込めません";
inline constexpr char kMsgTooLarge[] = "%s は大きすぎます (設定ファイルは 64 MiB までです)";
// The file's bytes fit, but its text (held as UTF-8) would not.
inline constexpr char kMsgTooLargeText[] = "%s は大きすぎます (日本語の多い設定ファイルは約 43 MiB までです)";
// A Shift-JIS settings file that must become UTF-16 to hold a new character,
// but holds bytes that are no Shift-JIS characters (edited by hand).
inline constexpr char kMsgCannotConvert[] =
    "%s に Shift-JIS として読めないバイトがあるため、Shift-JIS にない文字を保存できません。\r\n"
    "設定ファイルのその行を直すか、Shift-JIS で表せる文字だけを使ってください。";
inline constexpr char kMsgTooManyItems[] =
    "%s の項目数 (Count=%d) が上限を超えています。\r\n最初の 10000 項目だけを読み込みます。"
    "残りの項目はファイルに残りますが、読み込まれません。";
inline constexpr char kMsgListIndex[] = "リストのインデックスが範囲を超えています (%d)";
inline constexpr char kMsgAtomFailed[] =
    "グローバルアトムテーブルの登録に失敗しました。\r\nAtomNameの値を変更してください。\r\n[";
inline constexpr char kMsgHotKeyFailed[] =
    "HotKeyの登録に失敗しました。\r\nそのHotKeyはすでに使用されている可能性があります。\r\n";
inline constexpr char kMsgMenuHotKeyLabel[] = "[HotKeyによるメニュー表示 (";
inline constexpr char kMsgNoItemForKey[] = "Error[キーに対応するアプリが無い]";
inline constexpr char kNoHotKeyText[] = "なし";
// A folder's menu: its own entry, an empty folder's, and the greyed entry
// while it is listed (also the last of a folder with more than it shows).
inline constexpr char kFolderOpen[] = "開く";
inline constexpr char kFolderEmpty[] = "(空)";
inline constexpr char kFolderListing[] = "...";

// The editor and the version box.
inline constexpr char kMsgOneFileOnly[] = "ドロップできるファイルは１つです。";
// A field's label, then the path's length in bytes.
inline constexpr char kMsgPathTooLong[] =
    "%s に入るのは 254 バイトまでです。\r\nこのパスは %d バイトあるため、使えません。";
inline constexpr char kNewItemName[] = "新規";
inline constexpr char kIconFieldName[] = "アイコン";  // the item's chosen icon, named in kMsgPathTooLong
// The command line: a switch Vorlex does not take, and an item not there.
inline constexpr char kMsgUnknownCommand[] =
    "コマンドライン「%s」は使えません。\r\n/menu、/edit、/run 項目名、/exit のいずれかを指定してください。";
inline constexpr char kMsgNoSuchItem[] = "「%s」という項目はありません。";
// The editor's Ok, when another program changed the settings file while
// the editor was open: Yes saves the editor's, No loads the file's.
inline constexpr char kMsgChangedWhileEditing[] =
    "メニュー項目設定を開いている間に、設定ファイルが別のプログラムで変更されました。\r\n"
    "この画面の内容で上書きしますか？\r\n(「いいえ」を選ぶと、ファイルの内容を読み込みます)";
inline constexpr char kCopyrightLine[] = "Copyright (C) 2026 Vorlex";

// The time record and its log.
inline constexpr char kNoDateTime[] = "--/--/-- --:--:--";
inline constexpr char kLogTitle[] = "[Vorlex LogFile]";
inline constexpr char kLogColumns[] = "日付     | 起動時刻 | 終了時刻 | 経過時間";

// The text of an input/output error, by its Windows error number.
inline std::string InOutErrorText(std::uint32_t code) {
  switch (code) {
    case 2:
      return Tr("ファイルが見つかりません");
    case 3:
      return Tr("無効なファイル名です");
    case 4:
      return Tr("ファイルを開きすぎています");
    case 5:
      return Tr("ファイルへのアクセスが拒否されました");
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return Tr("ディスクがいっぱいです");
    default:
      return Format(Tr("I/O エラー (%d)"), static_cast<long long>(code));
  }
}

}  // namespace vx
