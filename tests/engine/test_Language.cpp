// How the language of the texts is chosen from the locale, the options and --lang.
#include <gtest/gtest.h>

#include <map>

#include "AppTexts.h"
#include "Language.h"
#include "TextFormat.h"

namespace corvane {
namespace {

using TVariables = std::map<std::string, std::string>;

struct TLocaleCase {
  const char* Name;
  TVariables Variables;
  TLanguage Expected;
};

class LocaleCases : public testing::TestWithParam<TLocaleCase> {};

TEST_P(LocaleCases, DecideTheLanguage) {
  const TVariables& variables = GetParam().Variables;
  const TLanguage language = LanguageOf([&](const char* Name) -> std::optional<std::string> {
    const auto found = variables.find(Name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  });
  EXPECT_EQ(language, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, LocaleCases,
    testing::Values(
        TLocaleCase{"NothingSet", {}, TLanguage::English},
        TLocaleCase{"LangChinese", {{"LANG", "zh_CN.UTF-8"}}, TLanguage::Chinese},
        TLocaleCase{"LangTaiwan", {{"LANG", "zh_TW.UTF-8"}}, TLanguage::Chinese},
        TLocaleCase{"LangBareZh", {{"LANG", "zh"}}, TLanguage::Chinese},
        TLocaleCase{"LangEnglish", {{"LANG", "en_US.UTF-8"}}, TLanguage::English},
        TLocaleCase{"LangGerman", {{"LANG", "de_DE.UTF-8"}}, TLanguage::English},
        TLocaleCase{"LangC", {{"LANG", "C"}}, TLanguage::English},
        TLocaleCase{"LangPosix", {{"LANG", "POSIX"}}, TLanguage::English},
        TLocaleCase{"LangCUtf8", {{"LANG", "C.UTF-8"}}, TLanguage::English},
        // The order: LANGUAGE, LC_ALL, LC_MESSAGES, LANG.
        TLocaleCase{"LanguageBeforeAll",
                    {{"LANGUAGE", "en"}, {"LC_ALL", "zh_CN.UTF-8"}, {"LANG", "zh_CN.UTF-8"}},
                    TLanguage::English},
        TLocaleCase{"LanguageFirstEntryCounts", {{"LANGUAGE", "zh_CN:en_US"}}, TLanguage::Chinese},
        TLocaleCase{"LanguageFirstEntryEnglish",
                    {{"LANGUAGE", "en_GB:zh_CN"}, {"LANG", "zh_CN.UTF-8"}},
                    TLanguage::English},
        TLocaleCase{"EmptyLanguageIsPassedOver",
                    {{"LANGUAGE", ""}, {"LANG", "zh_CN.UTF-8"}},
                    TLanguage::Chinese},
        TLocaleCase{"EmptyFirstEntryIsPassedOver",
                    {{"LANGUAGE", ":en"}, {"LANG", "zh_CN.UTF-8"}},
                    TLanguage::Chinese},
        TLocaleCase{"LcAllBeforeMessages",
                    {{"LC_ALL", "zh_SG.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}},
                    TLanguage::Chinese},
        TLocaleCase{"EmptyLcAllIsPassedOver",
                    {{"LC_ALL", ""}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "zh_CN"}},
                    TLanguage::English},
        TLocaleCase{"MessagesBeforeLang",
                    {{"LC_MESSAGES", "zh_CN.UTF-8"}, {"LANG", "en_US.UTF-8"}},
                    TLanguage::Chinese},
        TLocaleCase{"LcAllC", {{"LC_ALL", "C"}, {"LANG", "zh_CN.UTF-8"}}, TLanguage::English},
        TLocaleCase{"OtherCategoriesDoNotCount",
                    {{"LC_CTYPE", "zh_CN.UTF-8"}, {"LC_TIME", "zh_CN.UTF-8"}},
                    TLanguage::English}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Language, NamesAreZhAndEnOnly) {
  const struct {
    const char* Name;
    std::optional<TLanguage> Parsed;
  } cases[] = {{"zh", TLanguage::Chinese}, {"en", TLanguage::English}, {"", std::nullopt},
               {"ZH", std::nullopt},       {"zh_CN", std::nullopt},    {"english", std::nullopt},
               {"e", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseLanguage(c.Name), c.Parsed) << c.Name;
  for (const TLanguage language : {TLanguage::Chinese, TLanguage::English}) {
    EXPECT_EQ(ParseLanguage(LanguageCode(language)), language);
  }
}

TEST(Language, AskedForBeatsStoredBeatsLocale) {
  constexpr auto zh = TLanguage::Chinese;
  constexpr auto en = TLanguage::English;
  const struct {
    std::optional<TLanguage> Requested, Stored;
    TLanguage OfLocale, Chosen;
  } cases[] = {
      {std::nullopt, std::nullopt, zh, zh},
      {std::nullopt, std::nullopt, en, en},
      {std::nullopt, en, zh, en},
      {std::nullopt, zh, en, zh},
      {en, zh, zh, en},
      {zh, en, en, zh},
      {zh, std::nullopt, en, zh},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChosenLanguage(c.Requested, c.Stored, c.OfLocale), c.Chosen);
  }
}

TEST(Language, WithoutATranslatorTheTextsAreTheirOwn) {
  EXPECT_EQ(TextOf(texts::kAddFiles), QString::fromUtf8("添加文件"));
  EXPECT_EQ(TranslatedText(texts::kCauseDiskFull), "磁盘已满");
  EXPECT_EQ(FormatText(texts::kCueTrackJob, {"a.cue", "3"}), "a.cue 的第 3 轨");
}

}  // namespace
}  // namespace corvane
