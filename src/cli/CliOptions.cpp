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

#include "CompressionLevel.h"
#include "NameTemplate.h"
#include "TagText.h"
#include "TextCodec.h"

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
  return line + Meaning + "\n";
}

std::string Epilog() {
  std::string text = "\nName template fields (-n):\n";
  for (const TNameTemplate::TFieldInfo& field : TNameTemplate::FieldList()) {
    text += Field(field.Name, field.Meaning);
  }
  text +=
      "  \"/\" separates folders, which are made when missing; \"{{\" and \"}}\" stand for\n"
      "  the braces. \".flac\" is appended. A value never makes folders: \"/\" in it\n"
      "  becomes \"_\". The spaces and punctuation joining an empty field go with it\n"
      "  (\"{track} - {title}\" without a title gives 05.flac). A folder whose fields\n"
      "  are all empty is left out; an empty file name gives the default name. The\n"
      "  default is the source's name (song.ape gives song.flac), or Track_<n>.flac\n"
      "  for the n-th track of a cue sheet. Two jobs never write one file: a later\n"
      "  one gets \" (2)\".\n"
      "\n"
      "A folder gives its cue sheets and the audio files none of its sheets uses (with\n"
      "-r, also from its subfolders). Each file is written under a hidden temporary\n"
      "name, tagged, and only then renamed to its name: a failed or interrupted job\n"
      "leaves nothing half-done.\n"
      "\n"
      "Exit status: 0 when every job was converted (or skipped), 1 when a job failed,\n"
      "a file could not be added or a file or folder given is not there, 2 for a usage\n"
      "error, 128+N when ended by signal N (Ctrl-C: 130).\n"
      "\n"
      "Examples:\n"
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
  return QCommandLineOption(names, QString::fromUtf8(Description));
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
      : Help(Flag("h", "help", "Show this help and exit.")),
        Version(Flag("V", "version", "Show the version and exit.")),
        Output(Valued("o", "output",
                      QStringLiteral("Write the FLAC files into DIR (made when missing). "
                                     "Default: beside each source (a cue track beside its "
                                     "sheet)."),
                      "DIR")),
        Level(Valued("l", "level",
                     QStringLiteral("FLAC compression level, 0 (fastest) to 8 (smallest). "
                                    "Default: 5."),
                     "N")),
        Jobs(Valued("j", "jobs",
                    QStringLiteral("Convert up to N files at once. Default: the number of "
                                   "cores (%1).")
                        .arg(Cores),
                    "N")),
        Name(Valued("n", "name",
                    // The line break keeps Qt's wrapping from splitting the example.
                    QStringLiteral("Name the outputs by TEMPLATE (fields below), such as\n"
                                   "\"{track} - {title}\"."),
                    "TEMPLATE")),
        Recursive(Flag("r", "recursive", "Take a folder's subfolders too.")),
        Encoding(Valued(nullptr, "encoding",
                        QStringLiteral("Read cue sheets in NAME instead of the detected "
                                       "encoding: %1.")
                            .arg(QString::fromStdString(MainEncodingNames())),
                        "NAME")),
        DryRun(Flag(nullptr, "dry-run", "Print each job and its output; write nothing.")),
        Quiet(Flag("q", "quiet", "Print errors only.")),
        Overwrite(Flag(nullptr, "overwrite",
                       "Replace an output file that exists already (the default).")),
        SkipExisting(Flag(nullptr, "skip-existing",
                          "Leave an output file that exists already, and skip its job.")),
        NoVerify(Flag(nullptr, "no-verify",
                      "Do not have libFLAC decode each file as it is written and compare it "
                      "with the source (it does by default).")),
        AccurateRip(Flag(nullptr, "accuraterip",
                         "Look each disc up in the AccurateRip database (sends its disc ID "
                         "over the network).")),
        ReplayGain(Flag(nullptr, "replaygain",
                        "Measure loudness and write ReplayGain 2.0 track and album tags.")),
        NoReplayGain(Flag(nullptr, "no-replaygain",
                          "Write no ReplayGain tags of our own; a source's carry over (the "
                          "default).")) {}

  void AddTo(QCommandLineParser& Parser) const {
    for (const QCommandLineOption* option :
         {&Help, &Version, &Output, &Level, &Jobs, &Name, &Recursive, &Encoding, &DryRun, &Quiet,
          &Overwrite, &SkipExisting, &NoVerify, &AccurateRip, &ReplayGain, &NoReplayGain}) {
      Parser.addOption(*option);
    }
  }

  QCommandLineOption Help, Version, Output, Level, Jobs, Name, Recursive, Encoding, DryRun, Quiet,
      Overwrite, SkipExisting, NoVerify, AccurateRip, ReplayGain, NoReplayGain;
};

TCliRequest HelpRequest(const QCommandLineParser& Parser, const TArgumentText& Arguments) {
  TCliRequest request;
  request.Kind = TCliRequest::TKind::Help;
  // Named as the user knows it, not by the path it was started through.
  QString text = Parser.helpText();
  const QString usage = QStringLiteral("Usage: ") + Arguments.Text().value(0);
  if (text.startsWith(usage)) text.replace(0, usage.size(), QStringLiteral("Usage: corvane-cli"));
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
      return "bad compression level \"" + text + "\": it goes from 0 to 8";
    }
    Options.Level = *value;
  }
  if (Parser.isSet(Set.Jobs)) {
    const std::optional<int> value = IntegerOf(Parser.value(Set.Jobs));
    if (!value || *value < 1) {
      return "bad job count \"" + Parser.value(Set.Jobs).toStdString() +
             "\": it is a whole number from 1 on";
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
    if (Options.OutputFolder.empty()) return "the output folder (-o) is empty";
    // A missing folder is made; something else by that name would fail every job.
    std::error_code error;
    const auto type = std::filesystem::status(Options.OutputFolder, error).type();
    if (!error && type != std::filesystem::file_type::directory &&
        type != std::filesystem::file_type::not_found) {
      return "the output folder (-o) \"" + Options.OutputFolder + "\" is not a folder";
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
    if (!value) return "unknown encoding \"" + name + "\": use one of " + MainEncodingNames();
    Options.Encoding = *value;
  }
  if (Parser.isSet(Set.Overwrite) && Parser.isSet(Set.SkipExisting)) {
    return "--overwrite and --skip-existing cannot be given together";
  }
  if (Parser.isSet(Set.SkipExisting)) Options.Existing = TExistingOutput::Skip;
  if (Parser.isSet(Set.ReplayGain) && Parser.isSet(Set.NoReplayGain)) {
    return "--replaygain and --no-replaygain cannot be given together";
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
  if (Request.Options.Paths.empty() && Request.Missing.empty()) return "no file or folder given";
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
    return "unknown option \"" + TypedOption(Parser.unknownOptionNames().first(), Arguments) + "\"";
  }
  QString text = Parser.errorText();
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  if (!text.isEmpty()) text[0] = text[0].toLower();
  static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
  return text.replace(quoted, QStringLiteral("\"\\1\"")).toStdString();
}

}  // namespace

TCliRequest ParseCommandLine(const std::vector<std::string>& Arguments, int Cores) {
  const TArgumentText arguments(Arguments);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Converts Monkey's Audio (.ape), FLAC, WavPack (.wv), True Audio (.tta), WAV,\n"
      "Wave64, RF64 and AIFF files and their cue-sheet CD images (.cue, or an audio\n"
      "file with a sheet in its tag) to FLAC files, bit-exact, tagged from the\n"
      "source's tag or the cue sheet."));
  const TOptionSet set(Cores);
  set.AddTo(parser);
  parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"),
                               QStringLiteral("audio files, .cue files, folders."),
                               QStringLiteral("FILE|FOLDER..."));

  if (!parser.parse(arguments.Text())) {
    return UsageError(ParserError(parser, arguments.Text()));
  }
  if (parser.isSet(set.Help)) return HelpRequest(parser, arguments);
  if (parser.isSet(set.Version)) return VersionRequest();

  TCliRequest request;
  request.Options.Jobs = std::max(Cores, 1);
  if (auto error = ReadNumbers(parser, set, request.Options)) return UsageError(*error);
  if (auto error = ReadTexts(parser, set, arguments, request.Options)) return UsageError(*error);
  if (auto error = ReadPaths(parser, arguments, request)) return UsageError(*error);
  return request;
}

}  // namespace corvane
