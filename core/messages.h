// Every text that Vorlex shows or writes, in one place. The sources are
// UTF-8 and are compiled with -fexec-charset=CP932, so each literal is held
// as CP932 bytes at run time.
#pragma once

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

}  // namespace vx
