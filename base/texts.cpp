#include "base/texts.h"

#include <atomic>
#include <cstring>

namespace vx {

// Short, plain English, as Windows' own programs word it. Where a Japanese
// text is a pattern, the English one holds the same placeholders in the
// same order.
const TextEntry kTextTable[] = {
    // The command menu.
    {"時間情報", "Running time"},
    {"ﾒﾆｭｰ項目設定", "Edit items..."},
    {"HotKey表示", "Show hotkeys"},
    {"ﾍﾙﾌﾟ", "Help"},
    {"ﾊﾞｰｼﾞｮﾝ情報", "About Vorlex"},
    {"終了", "Exit"},
    // The launch menu's key text.
    {"なし", "none"},
    // The settings file.
    {"%s に書き込めません", "Cannot write to %s"},
    {"%s を作成できません", "Cannot create %s"},
    {"%s を読み込めません", "Cannot read %s"},
    {"%s は大きすぎます (設定ファイルは 64 MiB までです)", "%s is too large (settings files are limited to 64 MiB)"},
    // Its text, held as UTF-8, is over 64 MiB: Japanese in Shift-JIS or
    // UTF-16 takes two bytes a character in the file and three in the text.
    {"%s は大きすぎます (日本語の多い設定ファイルは約 43 MiB までです)",
     "%s is too large (settings files of mostly Japanese text are limited to about 43 MiB)"},
    {"%s に Shift-JIS として読めないバイトがあるため、Shift-JIS にない文字を保存できません。\r\n"
     "設定ファイルのその行を直すか、Shift-JIS で表せる文字だけを使ってください。",
     "%s holds bytes that are not Shift-JIS characters, so a character that Shift-JIS lacks cannot be saved in "
     "it.\r\nCorrect the lines of the file that hold such bytes, or use only characters that Shift-JIS holds."},
    {"%s の項目数 (Count=%d) が上限を超えています。\r\n最初の 10000 項目だけを読み込みます。"
     "残りの項目はファイルに残りますが、読み込まれません。",
     "%s has more items (Count=%d) than Vorlex supports.\r\nOnly the first 10,000 items are loaded; the rest stay "
     "in the file."},
    {"リストのインデックスが範囲を超えています (%d)", "List index out of bounds (%d)"},
    // Hotkeys.
    {"グローバルアトムテーブルの登録に失敗しました。\r\nAtomNameの値を変更してください。\r\n[",
     "The hotkey's global atom could not be added.\r\nChange the value of AtomName.\r\n["},
    {"HotKeyの登録に失敗しました。\r\nそのHotKeyはすでに使用されている可能性があります。\r\n",
     "The hotkey could not be registered.\r\nAnother program may already be using it.\r\n"},
    {"[HotKeyによるメニュー表示 (", "[Hotkey to show the menu ("},
    {"Error[キーに対応するアプリが無い]", "No item has this hotkey."},
    // The editor.
    {"メニュー項目設定", "Edit items"},
    {"名前", "Name"},
    {"HotKey", "Hotkey"},
    {"参照", "Browse..."},
    {"ﾌﾟﾛｸﾞﾗﾑ", "Program"},
    {"ﾊﾟﾗﾒｰﾀ", "Parameters"},
    {"ﾃﾞｨﾚｸﾄﾘ", "Start in"},
    {"ﾀﾞﾌﾞﾙｸﾘｯｸ呼出", "Double-click"},
    {"左ボタン", "Left button"},
    {"右ボタン", "Right button"},
    {"ｳｨﾝﾄﾞｳ", "Window"},
    {"通常", "Normal"},
    {"最小化", "Minimized"},
    {"最大化", "Maximized"},
    {"管理者として実行", "Run as administrator"},
    {"起動中なら前面に表示", "Bring to front if running"},
    {"メニューとして開く", "Open as menu"},
    {"アイコンの変更...", "Change icon..."},
    {"アイコン", "Icon"},
    // A folder's menu.
    {"開く", "Open"},
    {"(空)", "(empty)"},
    {"追加", "Add"},
    {"削除", "Delete"},
    {"その他の設定", "More settings"},
    {"その他の設定", "More settings...", kOpensWindow},
    {"Ok", "OK"},
    {"新規", "New item"},
    {"コマンドライン「%s」は使えません。\r\n/menu、/edit、/run 項目名、/exit のいずれかを指定してください。",
     "Vorlex does not take the command line \"%s\".\r\nUse /menu, /edit, /run NAME or /exit."},
    {"「%s」という項目はありません。", "There is no item named \"%s\"."},
    {"メニュー項目設定を開いている間に、設定ファイルが別のプログラムで変更されました。\r\n"
     "この画面の内容で上書きしますか？\r\n(「いいえ」を選ぶと、ファイルの内容を読み込みます)",
     "Another program changed the settings file while the items were being edited.\r\n"
     "Save your changes over it?\r\n(No loads the file's items instead.)"},
    {"ドロップできるファイルは１つです。", "Only one file can be dropped."},
    {"%s に入るのは 254 バイトまでです。\r\nこのパスは %d バイトあるため、使えません。",
     "The %s field holds at most 254 bytes.\r\nThis path is %d bytes long, so it cannot be used."},
    // The other settings.
    {"HotKeyによるメニュー表示", "Hotkey to show the menu"},
    {"メニューのアイコン表示", "Show icons in the menu"},
    {"閉じる", "Close"},
    {"Windows の起動時に実行", "Start with Windows"},
    {"言語", "Language"},
    {"自動", "Automatic"},
    {"次回の起動から有効", "Applies when Vorlex restarts"},
    // The version box.
    {"バージョン情報", "About Vorlex"},
    // The time window and its log.
    {"現在時刻", "Now"},
    {"前回終了", "Last ended"},
    {"起動時刻", "Started"},
    {"経過時間", "Elapsed"},
    {"設定", "Options"},
    {"Logファイルを作る", "Write a log file"},
    {"Windowsの起動時刻を使う", "Use the time Windows started"},
    {"初期化", "Reset"},
    {"スタンバイ,休止状態の時刻も使う", "End the run at standby or hibernation"},
    {"日付     | 起動時刻 | 終了時刻 | 経過時間", "Date     | Started  | Ended    | Elapsed "},
    // Input and output errors.
    {"ファイルが見つかりません", "File not found"},
    {"無効なファイル名です", "Invalid file name"},
    {"ファイルを開きすぎています", "Too many open files"},
    {"ファイルへのアクセスが拒否されました", "Access to the file was denied"},
    {"ディスクがいっぱいです", "The disk is full"},
    {"I/O エラー (%d)", "I/O error (%d)"},
    {"%s は読み取り専用です", "%s is read-only"},
    {"不明なエラー", "Unknown error"},
};
const std::size_t kTextTableSize = sizeof kTextTable / sizeof *kTextTable;

namespace {
std::atomic<Language> current{Language::Japanese};
std::atomic<std::size_t> missing{0};
}  // namespace

void SetLanguage(Language language) { current = language; }
Language CurrentLanguage() { return current; }

const char* Tr(const char* ja, const char* context) {
  for (const TextEntry& e : kTextTable)
    if (std::strcmp(e.ja, ja) == 0 &&
        (e.context == context || (e.context && context && !std::strcmp(e.context, context))))
      return current == Language::English ? e.en : e.ja;
  // ASCII (a pattern of digits, "OK", a name) reads the same in each.
  for (const char* c = ja; *c; ++c)
    if (static_cast<unsigned char>(*c) >= 0x80) {
      ++missing;
      break;
    }
  return ja;
}

std::size_t TextsMissing() { return missing; }

Language LanguageOfUi(std::string_view localeName) {
  const bool japanese = localeName.substr(0, 2) == "ja" && (localeName.size() == 2 || localeName[2] == '-');
  return japanese ? Language::Japanese : Language::English;
}

bool LanguageOfSetting(std::string_view value, Language& language) {
  if (value == "ja")
    language = Language::Japanese;
  else if (value == "en")
    language = Language::English;
  else
    return false;
  return true;
}

const char* SettingOfLanguage(Language language) { return language == Language::English ? "en" : "ja"; }

}  // namespace vx
