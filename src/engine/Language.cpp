#include "Language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <cstdlib>

namespace corvane {

TLanguage LanguageOfLocale(std::string_view Locale) {
  return Locale.substr(0, 2) == "zh" ? TLanguage::Chinese : TLanguage::English;
}

TLanguage LanguageOf(const std::function<std::optional<std::string>(const char*)>& Variable) {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::optional<std::string> value = Variable(name);
    if (!value || value->empty()) continue;
    // LANGUAGE is a list of preferences ("zh_CN:en"); its first one counts.
    if (std::string_view(name) == "LANGUAGE")
      value->erase(std::min(value->find(':'), value->size()));
    if (value->empty()) continue;
    return LanguageOfLocale(*value);
  }
  return TLanguage::English;
}

TLanguage LanguageOfEnvironment() {
  return LanguageOf([](const char* Name) -> std::optional<std::string> {
    const char* value = std::getenv(Name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  });
}

TLanguage ChosenLanguage(std::optional<TLanguage> Requested, std::optional<TLanguage> Stored,
                         TLanguage OfLocale) {
  return Requested.value_or(Stored.value_or(OfLocale));
}

std::optional<TLanguage> ParseLanguage(std::string_view Name) {
  if (Name == "zh") return TLanguage::Chinese;
  if (Name == "en") return TLanguage::English;
  return std::nullopt;
}

std::optional<TLanguage> LanguageAsked(const std::vector<std::string>& Arguments) {
  std::optional<TLanguage> language;
  for (size_t i = 1; i < Arguments.size(); ++i) {
    const std::string& argument = Arguments[i];
    if (argument == "--") break;
    if (argument == "--lang" && i + 1 < Arguments.size()) {
      language = ParseLanguage(Arguments[++i]);
    } else if (argument.starts_with("--lang=")) {
      language = ParseLanguage(std::string_view(argument).substr(7));
    }
  }
  return language;
}

const char* LanguageCode(TLanguage Language) {
  return Language == TLanguage::Chinese ? "zh" : "en";
}

QString TextOf(const char* Source) {
  return QCoreApplication::translate(kTextContext, Source);
}

QString TextOf(const char* Source, int Count) {
  return QCoreApplication::translate(kTextContext, Source, nullptr, Count);
}

std::string TranslatedText(const char* Source) {
  return TextOf(Source).toStdString();
}

std::string EnglishText(const char* Source) {
  // Loaded once and only read after, from any thread.
  static QTranslator english;
  static const bool loaded = english.load(QStringLiteral(":/i18n/corvane_en.qm"));
  const QString text = loaded ? english.translate(kTextContext, Source) : QString();
  return text.isEmpty() ? std::string(Source) : text.toStdString();
}

}  // namespace corvane
