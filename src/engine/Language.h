#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The languages the program's texts are written in: Chinese, the texts' own, and English,
// through a translator.
enum class TLanguage { Chinese, English };

// The language a locale name asks for ("zh_CN.UTF-8", "en_GB", "C"): Chinese for zh and its
// variants, English for anything else.
TLanguage LanguageOfLocale(std::string_view Locale);
// The language of the user's locale, as gettext looks it up: the first entry of LANGUAGE,
// then LC_ALL, LC_MESSAGES and LANG; the first that is set and not empty decides. With none,
// the C locale: English. Variable gives a variable's value, or nothing when it is not set.
TLanguage LanguageOf(const std::function<std::optional<std::string>(const char*)>& Variable);
// The same from this process's environment.
TLanguage LanguageOfEnvironment();

// The language to use: the one asked for (--lang) if any, else the one the settings keep if
// any, else the locale's.
TLanguage ChosenLanguage(std::optional<TLanguage> Requested, std::optional<TLanguage> Stored,
                         TLanguage OfLocale);

// The language a command line's --lang asks for ("--lang en", "--lang=zh"; the last counts),
// read before the texts of its help and errors are made; nothing when none is asked for or the
// name is unknown (the parser then says so). Arguments[0] is the program.
std::optional<TLanguage> LanguageAsked(const std::vector<std::string>& Arguments);

// "zh" or "en", as --lang and the settings write them; nothing for any other name.
std::optional<TLanguage> ParseLanguage(std::string_view Name);
const char* LanguageCode(TLanguage Language);

// The translator context every text of AppTexts.h is marked in.
inline constexpr const char* kTextContext = "Corvane";
// A text of AppTexts.h in the language installed now: translated when it is used, so the
// engine's messages follow the window's choice and stay Chinese where no translator is.
QString TextOf(const char* Source);
// A text that counts something (marked QT_TRANSLATE_N_NOOP): %n becomes Count, and English
// takes its singular or plural form by it.
QString TextOf(const char* Source, int Count);
std::string TranslatedText(const char* Source);
// The text in English whatever language is installed, for records such as the disc log that
// read the same for every user.
std::string EnglishText(const char* Source);

}  // namespace corvane
