// Every text that Vorlex shows, in each of its languages: one table whose
// entries hold a Japanese text and its English text. The Japanese text, as
// the program has always shown it, is the key; adding a language is one
// more column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

enum class Language { Japanese, English };

struct TextEntry {
  const char* ja;
  const char* en;
  // Where one Japanese text says two things in English: the use it has
  // there (kOpensWindow), or null.
  const char* context = nullptr;
};
// A command that opens a window, where English adds "..." and Japanese
// does not.
inline constexpr char kOpensWindow[] = "opens a window";
extern const TextEntry kTextTable[];
extern const std::size_t kTextTableSize;

// The language the program shows; Japanese until it is set.
void SetLanguage(Language language);
Language CurrentLanguage();

// `ja` in the current language, in the use `context` says (null: the
// plain one). `ja` is one of the table's Japanese texts; one that is not
// comes back as it is, and, unless it is all ASCII, is counted
// (TextsMissing).
const char* Tr(const char* ja, const char* context = nullptr);
std::size_t TextsMissing();

// The language for Windows' UI language ("ja-JP", "en-US", "de-DE"):
// Japanese for Japanese, English for every other.
Language LanguageOfUi(std::string_view localeName);
// The [Basic] Language value: "ja" or "en" fix the language; anything
// else (absent) follows Windows.
bool LanguageOfSetting(std::string_view value, Language& language);
const char* SettingOfLanguage(Language language);

}  // namespace vx
