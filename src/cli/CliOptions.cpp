#include "CliOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

#include "CliTexts.h"
#include "CompressionLevel.h"
#include "Language.h"
#include "NameTemplate.h"
#include "TagText.h"
#include "TextCodec.h"
#include "TextFormat.h"

namespace corvane {
namespace {

struct TEncodingName {
  const char* Name;
  TTextEncoding Encoding;
};

// The names first, then what other programs call the same encodings.
constexpr TEncodingName kEncodingNames[] = {
    {"auto", TTextEncoding::Auto},
    {"gb18030", TTextEncoding::Gb18030},
    {"big5", TTextEncoding::Big5},
    {"shift-jis", TTextEncoding::ShiftJis},
    {"euc-kr", TTextEncoding::EucKr},
    {"utf-8", TTextEncoding::Utf8},
    {"windows-1251", TTextEncoding::Windows1251},
    {"windows-1252", TTextEncoding::Windows1252},
    {"gbk", TTextEncoding::Gb18030},
    {"cp936", TTextEncoding::Gb18030},
    {"cp950", TTextEncoding::Big5},
    {"shift_jis", TTextEncoding::ShiftJis},
    {"sjis", TTextEncoding::ShiftJis},
    {"cp932", TTextEncoding::ShiftJis},
    {"cp949", TTextEncoding::EucKr},
    {"utf8", TTextEncoding::Utf8},
    {"cp1251", TTextEncoding::Windows1251},
    {"cp1252", TTextEncoding::Windows1252},
};
constexpr size_t kMainEncodingNames = 8;

std::string MainEncodingNames() {
  std::string names;
  for (size_t i = 0; i < kMainEncodingNames; ++i) {
    names += std::string(i == 0 ? "" : ", ") + kEncodingNames[i].Name;
  }
  return names;
}

std::string Field(const char* Name, const char* Meaning) {
  std::string line = "  {" + std::string(Name) + "}";
  line.resize(std::max<size_t>(line.size() + 1, 17), ' ');
  return line + TranslatedText(Meaning) + "\n";
}

std::string Epilog() {
  std::string text = "\n" + TranslatedText(clitexts::kHelpFields) + "\n";
  for (const TNameTemplate::TFieldInfo& field : TNameTemplate::FieldList()) {
    text += Field(field.Name, field.Meaning);
  }
  text += TranslatedText(clitexts::kHelpRules) + "\n\n" + TranslatedText(clitexts::kHelpExamples) +
          "\n"
          "  corvane-cli album.cue\n"
          "  corvane-cli -o ~/flac -n \"{albumartist}/{album}/{track} - {title}\" *.cue\n"
          "  corvane-cli -r -j2 --skip-existing -o /srv/flac ~/music\n"
          "  corvane-cli --dry-run --encoding big5 album.cue\n";
  return text;
}

std::optional<int> IntegerOf(const QString& Text) {
  const std::string digits = Text.toStdString();
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

// Qt's parser takes text. A file or folder argument that is no UTF-8 is handed to it as a
// stand-in that no user types (a private-use character and its position), and the bytes are
// put back after.
class TArgumentText {
 public:
  explicit TArgumentText(const std::vector<std::string>& Arguments) {
    for (size_t i = 0; i < Arguments.size(); ++i) {
      const std::string& bytes = Arguments[i];
      if (IsValidUtf8(bytes) || bytes.starts_with('-')) {
        FText << QString::fromStdString(bytes);
        continue;
      }
      const QString standIn = QChar(0xF8FF) + QString::number(i);
      FBytes[standIn] = bytes;
      FText << standIn;
    }
  }
  const QStringList& Text() const { return FText; }
  std::string Bytes(const QString& Text) const {
    const auto found = FBytes.find(Text);
    return found == FBytes.end() ? Text.toStdString() : found->second;
  }

 private:
  QStringList FText;
  std::map<QString, std::string> FBytes;
};

TCliRequest UsageError(std::string Text) {
  TCliRequest request;
  request.Kind = TCliRequest::TKind::UsageError;
  request.Text = std::move(Text);
  return request;
}

}  // namespace

std::optional<TTextEncoding> TextEncodingNamed(const std::string& Name) {
  std::string lower = Name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  for (const TEncodingName& known : kEncodingNames) {
    if (lower == known.Name) return known.Encoding;
  }
  return std::nullopt;
}

namespace {

QCommandLineOption Flag(const char* Short, const char* Long, const char* Description) {
  QStringList names;
  if (Short) names << QString::fromLatin1(Short);
  names << QString::fromLatin1(Long);
  return QCommandLineOption(names, TextOf(Description));
}

QCommandLineOption Valued(const char* Short, const char* Long, const QString& Description,
                          const char* Value) {
  QCommandLineOption option = Flag(Short, Long, "");
  option.setDescription(Description);
  option.setValueName(QString::fromLatin1(Value));
  return option;
}

// Every option corvane-cli takes, in the order the help lists them.
struct TOptionSet {
  explicit TOptionSet(int Cores)
      : Help(Flag("h", "help", clitexts::kHelpOption)),
        Version(Flag("V", "version", clitexts::kVersionOption)),
        Output(Valued("o", "output", TextOf(clitexts::kOutputOption), "DIR")),
        Level(Valued("l", "level", TextOf(clitexts::kLevelOption), "N")),
        Jobs(Valued("j", "jobs", TextOf(clitexts::kJobsOption).arg(Cores), "N")),
        Name(Valued("n", "name", TextOf(clitexts::kNameOption), "TEMPLATE")),
        Recursive(Flag("r", "recursive", clitexts::kRecursiveOption)),
        Encoding(Valued(
            nullptr, "encoding",
            TextOf(clitexts::kEncodingOption).arg(QString::fromStdString(MainEncodingNames())),
            "NAME")),
        DryRun(Flag(nullptr, "dry-run", clitexts::kDryRunOption)),
        Quiet(Flag("q", "quiet", clitexts::kQuietOption)),
        Overwrite(Flag(nullptr, "overwrite", clitexts::kOverwriteOption)),
        SkipExisting(Flag(nullptr, "skip-existing", clitexts::kSkipExistingOption)),
        NoVerify(Flag(nullptr, "no-verify", clitexts::kNoVerifyOption)),
        AccurateRip(Flag(nullptr, "accuraterip", clitexts::kAccurateRipOption)),
        ReplayGain(Flag(nullptr, "replaygain", clitexts::kReplayGainOption)),
        NoReplayGain(Flag(nullptr, "no-replaygain", clitexts::kNoReplayGainOption)),
        Lang(Valued(nullptr, "lang", TextOf(clitexts::kLangOption), "LANG")) {}

  void AddTo(QCommandLineParser& Parser) const {
    for (const QCommandLineOption* option :
         {&Help, &Version, &Output, &Level, &Jobs, &Name, &Recursive, &Encoding, &DryRun, &Quiet,
          &Overwrite, &SkipExisting, &NoVerify, &AccurateRip, &ReplayGain, &NoReplayGain, &Lang}) {
      Parser.addOption(*option);
    }
  }

  QCommandLineOption Help, Version, Output, Level, Jobs, Name, Recursive, Encoding, DryRun, Quiet,
      Overwrite, SkipExisting, NoVerify, AccurateRip, ReplayGain, NoReplayGain, Lang;
};

TCliRequest HelpRequest(const QCommandLineParser& Parser) {
  TCliRequest request;
  request.Kind = TCliRequest::TKind::Help;
  // Named as the user knows it, not by the path it was started through.
  QString text = Parser.helpText();
  const QString usage = QCoreApplication::translate("QCommandLineParser", "Usage: %1");
  const QString started = usage.arg(QCoreApplication::arguments().value(0));
  if (text.startsWith(started)) text.replace(0, started.size(), usage.arg("corvane-cli"));
  request.Text = text.toStdString() + Epilog();
  return request;
}

TCliRequest VersionRequest() {
  TCliRequest request;
  request.Kind = TCliRequest::TKind::Version;
  request.Text = (QCoreApplication::applicationName() + QLatin1Char(' ') +
                  QCoreApplication::applicationVersion())
                     .toStdString();
  return request;
}

// The options that take numbers; the usage error's text, if any.
std::optional<std::string> ReadNumbers(const QCommandLineParser& Parser, const TOptionSet& Set,
                                       TCliOptions& Options) {
  if (Parser.isSet(Set.Level)) {
    const std::string text = Parser.value(Set.Level).toStdString();
    const std::optional<int> value = ParseCompressionLevel(text);
    if (!value || *value < 0 || *value > 8) {
      return FormatText(clitexts::kBadLevel, {text});
    }
    Options.Level = *value;
  }
  if (Parser.isSet(Set.Jobs)) {
    const std::optional<int> value = IntegerOf(Parser.value(Set.Jobs));
    if (!value || *value < 1) {
      return FormatText(clitexts::kBadJobs, {Parser.value(Set.Jobs).toStdString()});
    }
    Options.Jobs = *value;
  }
  return std::nullopt;
}

// The options that take names and texts, and the switches.
std::optional<std::string> ReadTexts(const QCommandLineParser& Parser, const TOptionSet& Set,
                                     const TArgumentText& Arguments, TCliOptions& Options) {
  if (Parser.isSet(Set.Output)) {
    Options.OutputFolder = Arguments.Bytes(Parser.value(Set.Output));
    if (Options.OutputFolder.empty()) return FormatText(clitexts::kEmptyOutput, {});
    // A missing folder is made; something else by that name would fail every job.
    std::error_code error;
    const auto type = std::filesystem::status(Options.OutputFolder, error).type();
    if (!error && type != std::filesystem::file_type::directory &&
        type != std::filesystem::file_type::not_found) {
      return FormatText(clitexts::kOutputNotAFolder, {Options.OutputFolder});
    }
  }
  if (Parser.isSet(Set.Name)) {
    Options.NameTemplate = Arguments.Bytes(Parser.value(Set.Name));
    try {
      TNameTemplate check(*Options.NameTemplate);
    } catch (const ENameTemplateError& E) {
      return std::string(E.what());
    }
  }
  if (Parser.isSet(Set.Encoding)) {
    const std::string name = Parser.value(Set.Encoding).toStdString();
    const std::optional<TTextEncoding> value = TextEncodingNamed(name);
    if (!value) {
      return FormatText(clitexts::kUnknownEncoding, {name, MainEncodingNames()});
    }
    Options.Encoding = *value;
  }
  if (Parser.isSet(Set.Overwrite) && Parser.isSet(Set.SkipExisting)) {
    return FormatText(clitexts::kExclusive, {"--overwrite", "--skip-existing"});
  }
  if (Parser.isSet(Set.SkipExisting)) Options.Existing = TExistingOutput::Skip;
  if (Parser.isSet(Set.ReplayGain) && Parser.isSet(Set.NoReplayGain)) {
    return FormatText(clitexts::kExclusive, {"--replaygain", "--no-replaygain"});
  }
  Options.Batch.Verify = !Parser.isSet(Set.NoVerify);
  Options.Batch.AccurateRip = Parser.isSet(Set.AccurateRip);
  Options.Batch.ReplayGain = Parser.isSet(Set.ReplayGain);
  Options.Recursive = Parser.isSet(Set.Recursive);
  Options.DryRun = Parser.isSet(Set.DryRun);
  Options.Quiet = Parser.isSet(Set.Quiet);
  return std::nullopt;
}

std::optional<std::string> ReadPaths(const QCommandLineParser& Parser,
                                     const TArgumentText& Arguments, TCliRequest& Request) {
  for (const QString& path : Parser.positionalArguments()) {
    const std::string file = Arguments.Bytes(path);
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
      Request.Options.Paths.push_back(file);
    } else {
      Request.Missing.push_back(file);
    }
  }
  if (Request.Options.Paths.empty() && Request.Missing.empty())
    return FormatText(clitexts::kNoPaths, {});
  return std::nullopt;
}

// The option as it was typed: Qt names an unknown one without its dashes.
std::string TypedOption(const QString& Name, const QStringList& Arguments) {
  const QString dashed = QStringLiteral("--") + Name;
  for (const QString& argument : Arguments) {
    if (argument == dashed || argument.startsWith(dashed + QLatin1Char('='))) {
      return dashed.toStdString();
    }
  }
  return "-" + Name.toStdString();
}

// Qt's own complaint ("Missing value after '-o'.") worded as ours are.
std::string ParserError(const QCommandLineParser& Parser, const QStringList& Arguments) {
  if (!Parser.unknownOptionNames().isEmpty()) {
    return FormatText(clitexts::kUnknownOption,
                      {TypedOption(Parser.unknownOptionNames().first(), Arguments)});
  }
  QString text = Parser.errorText();
  if (text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x3002))) text.chop(1);
  if (!text.isEmpty()) text[0] = text[0].toLower();
  static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
  return text.replace(quoted, QStringLiteral("\"\\1\"")).toStdString();
}

}  // namespace

TCliRequest ParseCommandLine(const std::vector<std::string>& Arguments, int Cores) {
  const TArgumentText arguments(Arguments);
  QCommandLineParser parser;
  parser.setApplicationDescription(TextOf(clitexts::kDescription));
  const TOptionSet set(Cores);
  set.AddTo(parser);
  parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"), TextOf(clitexts::kArguments),
                               QStringLiteral("FILE|FOLDER..."));

  if (!parser.parse(arguments.Text())) {
    return UsageError(ParserError(parser, arguments.Text()));
  }
  if (parser.isSet(set.Lang) && !ParseLanguage(parser.value(set.Lang).toStdString())) {
    return UsageError(
        FormatText(clitexts::kUnknownLanguage, {parser.value(set.Lang).toStdString()}));
  }
  if (parser.isSet(set.Help)) return HelpRequest(parser);
  if (parser.isSet(set.Version)) return VersionRequest();

  TCliRequest request;
  request.Options.Jobs = std::max(Cores, 1);
  if (auto error = ReadNumbers(parser, set, request.Options)) return UsageError(*error);
  if (auto error = ReadTexts(parser, set, arguments, request.Options)) return UsageError(*error);
  if (auto error = ReadPaths(parser, arguments, request)) return UsageError(*error);
  return request;
}

}  // namespace corvane
