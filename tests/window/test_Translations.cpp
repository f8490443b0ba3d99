// The English texts: every text of AppTexts.h has one, and the window and the engine's messages
// take them when English is chosen.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <functional>
#include <string>

#include "AppTexts.h"
#include "Application.h"
#include "CliTexts.h"
#include "InputFormats.h"
#include "Language.h"
#include "NameTemplate.h"
#include "OutputNames.h"
#include "TextFormat.h"
#include "WindowSettings.h"

namespace corvane {
namespace {

struct TMarkedText {
  QString Source;
  bool Counts = false;  // QT_TRANSLATE_N_NOOP: has singular and plural forms
};

// Every text the headers mark, read from the files themselves, so a text added there is
// checked without anyone listing it here. A text over several literals is joined.
std::vector<TMarkedText> MarkedTexts() {
  static const QRegularExpression marked(QStringLiteral(
      R"re(QT_TRANSLATE_(N_)?NOOP\(\s*"Corvane",\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re"));
  static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
  std::vector<TMarkedText> texts;
  for (const char* path : {CORVANE_APP_TEXTS, CORVANE_CLI_TEXTS}) {
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString header = QString::fromUtf8(file.readAll());
    for (const QRegularExpressionMatch& match : marked.globalMatch(header)) {
      QString text;
      for (const QRegularExpressionMatch& part : literal.globalMatch(match.captured(2))) {
        text += part.captured(1);
      }
      text.replace(QStringLiteral("\\\""), QStringLiteral("\""))
          .replace(QStringLiteral("\\n"), QStringLiteral("\n"));
      texts.push_back({text, !match.captured(1).isEmpty()});
    }
  }
  return texts;
}

bool HasChinese(const QString& Text) {
  return std::any_of(Text.begin(), Text.end(), [](QChar c) {
    return (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) || c.unicode() >= 0xFF00;
  });
}

QSet<QString> Placeholders(const QString& Text) {
  static const QRegularExpression mark(QStringLiteral("%[1-9]"));
  QSet<QString> marks;
  for (const QRegularExpressionMatch& match : mark.globalMatch(Text)) marks << match.captured();
  return marks;
}

// What a file dialog filter matches: the patterns between its parentheses.
QString Patterns(const QString& Filter) {
  const qsizetype open = Filter.indexOf(QLatin1Char('('));
  return open < 0 ? QString() : Filter.mid(open);
}

TApplication& App() {
  return *static_cast<TApplication*>(qApp);
}

class EnglishTexts : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(English.load(QStringLiteral(":/i18n/corvane_en.qm"))); }
  void TearDown() override { App().SetLanguage(TLanguage::Chinese); }

  QTranslator English;
};

TEST_F(EnglishTexts, EveryMarkedTextHasAnEnglishOneWithItsPlaceholders) {
  const std::vector<TMarkedText> marked = MarkedTexts();
  QStringList sources;
  for (const TMarkedText& text : marked) sources << text.Source;
  // The reading of the headers itself must not go wrong quietly.
  ASSERT_GE(sources.size(), 160);
  EXPECT_TRUE(sources.contains(QString::fromUtf8(texts::kAddFiles)));
  EXPECT_TRUE(sources.contains(QString::fromUtf8(texts::kAboutLines[4])));
  EXPECT_TRUE(sources.contains(QString::fromUtf8(texts::kAddProblems)));
  EXPECT_TRUE(sources.contains(QString::fromUtf8(clitexts::kHelpRules)));
  EXPECT_TRUE(sources.contains(QString::fromUtf8(clitexts::kFilesWritten)));
  for (const TMarkedText& text : marked) {
    const QString& source = text.Source;
    // A counting text is looked up with its count; its forms must each keep the count.
    for (const int count : text.Counts ? std::vector<int>{1, 2} : std::vector<int>{-1}) {
      const QString english =
          English.translate(kTextContext, source.toUtf8().constData(), nullptr, count);
      EXPECT_FALSE(english.trimmed().isEmpty()) << "no English for " << source.toStdString();
      EXPECT_FALSE(HasChinese(english)) << source.toStdString() << " -> " << english.toStdString();
      if (HasChinese(source)) {
        EXPECT_NE(english, source) << source.toStdString();
      }
      EXPECT_EQ(Placeholders(english), Placeholders(source))
          << source.toStdString() << " -> " << english.toStdString();
      EXPECT_EQ(english.contains(QStringLiteral("%n")), text.Counts) << source.toStdString();
    }
  }
}

TEST_F(EnglishTexts, FileDialogFiltersKeepTheirPatterns) {
  for (const char* filter : {texts::kFilterApe, texts::kFilterCue, texts::kFilterAll}) {
    const QString english = English.translate(kTextContext, filter);
    EXPECT_EQ(Patterns(english), Patterns(QString::fromUtf8(filter))) << filter;
    EXPECT_FALSE(Patterns(english).isEmpty()) << filter;
  }
}

struct TShownCase {
  const char* Source;
  const char* English;
};

class ShownInEnglish : public EnglishTexts, public testing::WithParamInterface<TShownCase> {};

TEST_P(ShownInEnglish, AndInChineseAsWritten) {
  App().SetLanguage(TLanguage::English);
  EXPECT_EQ(TextOf(GetParam().Source), QString::fromUtf8(GetParam().English));
  App().SetLanguage(TLanguage::Chinese);
  EXPECT_EQ(TextOf(GetParam().Source), QString::fromUtf8(GetParam().Source));
}

INSTANTIATE_TEST_SUITE_P(Texts, ShownInEnglish,
                         testing::Values(TShownCase{texts::kAddFiles, "Add files"},
                                         TShownCase{texts::kSourceFolder, "Source folder"},
                                         TShownCase{texts::kCompressionLevel, "Level"},
                                         TShownCase{texts::kStatusPaused, "Paused"},
                                         TShownCase{texts::kFilterApe,
                                                    "Monkey's Audio files (*.ape *.APE)"},
                                         TShownCase{texts::kCauseDiskFull, "disk full"},
                                         TShownCase{texts::kColon, ": "}));

TEST_F(EnglishTexts, TheEnginesMessagesFollowTheLanguage) {
  const struct {
    TLanguage Language;
    std::string Job, Cause;
  } cases[] = {
      {TLanguage::English, "track 3 of a.cue", "\"/x\" is not a folder"},
      {TLanguage::Chinese, "a.cue 的第 3 轨", "“/x”不是文件夹"},
  };
  for (const auto& c : cases) {
    App().SetLanguage(c.Language);
    EXPECT_EQ(FormatText(texts::kCueTrackJob, {"a.cue", "3"}), c.Job);
    EXPECT_EQ(FormatText(texts::kCauseNotAFolder, {"/x"}), c.Cause);
  }
}

// What the engine tells the user, made as the engine makes it: Chinese in the Chinese window,
// and in English word for word what the command line's users and scripts have always read.
TEST_F(EnglishTexts, TheEnginesNotesAndRefusalsSpeakTheLanguageAndKeepTheirEnglish) {
  const auto refusal = [](const char* Template) {
    try {
      TNameTemplate refused(Template);
    } catch (const ENameTemplateError& E) {
      return std::string(E.what());
    }
    return std::string("accepted");
  };
  const auto opened = [](const char* File) {
    try {
      OpenAudioSource(File);
    } catch (const std::exception& E) {
      return std::string(E.what());
    }
    return std::string("opened");
  };
  const std::string fields =
      "{track} {title} {artist} {album} {albumartist} {date} {disc} {source}";
  const struct {
    std::function<std::string()> Made;
    std::string Chinese, English;
  } cases[] = {
      {[&] { return refusal("{track} {composer}"); },
       "文件名模板“{track} {composer}”中有未知字段 {composer}；可用字段：" + fields,
       "unknown field {composer} in the name template \"{track} {composer}\"; the fields are " +
           fields},
      // A "%3" typed in the template is the user's text, not a place for an argument.
      {[&] { return refusal("a{%3}"); }, "文件名模板“a{%3}”中有未知字段 {%3}；可用字段：" + fields,
       "unknown field {%3} in the name template \"a{%3}\"; the fields are " + fields},
      {[&] { return refusal("{album}/"); }, "文件名模板“{album}/”以文件夹结尾，缺少文件名",
       "the name template \"{album}/\" ends in a folder, not a file name"},
      {[] { return TranslatedText(TNameTemplate::FieldList().front().Meaning); },
       "音轨号，两位数字（01）", "track number, two digits (01)"},
      {[] {
         return FormatText(texts::kNoteAlbumGainPartOfDisc, {"cd.cue", "5", "7"});
       },
       "未写入专辑增益：cd.cue 共 7 轨，只转换了其中 5 轨",
       "album gain not written for cd.cue: only 5 of its 7 tracks were converted"},
      {[] {
         return FormatText(texts::kLookupTruncated, {"812", "1024"});
       },
       "AccurateRip 数据库发来的条目不完整（812/1024 字节）",
       "the AccurateRip database sent a truncated entry (812 of 1024 bytes)"},
      {[&] { return opened("song.xyz"); }, "没有能读取 song.xyz 的解码器。",
       "No decoder reads song.xyz."},
  };
  for (const auto& c : cases) {
    App().SetLanguage(TLanguage::Chinese);
    EXPECT_EQ(c.Made(), c.Chinese);
    App().SetLanguage(TLanguage::English);
    EXPECT_EQ(c.Made(), c.English);
  }
}

TEST_F(EnglishTexts, TheSourceFolderFieldMeansBesideTheSourcesInEitherLanguage) {
  for (const TLanguage language : {TLanguage::Chinese, TLanguage::English}) {
    App().SetLanguage(language);
    EXPECT_EQ(OutputFolderOf(TranslatedText(texts::kSourceFolder)), "");
    // The texts' own, as a batch driver starts with it.
    EXPECT_EQ(OutputFolderOf(texts::kSourceFolder), "");
    EXPECT_EQ(OutputFolderOf("/music/out"), "/music/out/");
  }
}

TEST_F(EnglishTexts, AFieldKeptInOneLanguageComesBackInTheOther) {
  const QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("corvane.conf"));
  const struct {
    TLanguage Then, Now;
  } cases[] = {{TLanguage::English, TLanguage::Chinese}, {TLanguage::Chinese, TLanguage::English}};
  for (const auto& c : cases) {
    App().SetLanguage(c.Then);
    TWindowSettings(std::make_unique<QSettings>(file, QSettings::IniFormat))
        .SetOutputFolder(TextOf(texts::kSourceFolder));
    App().SetLanguage(c.Now);
    EXPECT_EQ(
        TWindowSettings(std::make_unique<QSettings>(file, QSettings::IniFormat)).OutputFolder(),
        TextOf(texts::kSourceFolder));
  }
}

}  // namespace
}  // namespace corvane
