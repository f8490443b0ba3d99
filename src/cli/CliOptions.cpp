#include "CliOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
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
      "  \"/\" separates folders, which are made when missing; \"{{\" and \"}}\" stand for the "
      "braces.\n"
      "  \".flac\" is appended. A value never makes folders: \"/\" in it becomes \"_\". A folder\n"
      "  whose fields are all empty is left out; an empty file name gives the default name.\n"
      "  The default is the source's name (song.ape gives song.flac), or Track_<n>.flac for the\n"
      "  n-th track of a cue sheet. Two jobs never write one file: a later one gets \" (2)\".\n"
      "\n"
      "A folder gives its cue sheets and the .ape files none of its sheets uses (with -r, also\n"
      "from its subfolders). Each file is written under a hidden temporary name, tagged, and\n"
      "only then renamed to its name: a failed or interrupted job leaves nothing half-done.\n"
      "\n"
      "Exit status: 0 when every job was converted (or skipped), 1 when a job failed or a file\n"
      "could not be added, 2 for a usage error, 128+N when ended by signal N (Ctrl-C: 130).\n"
      "\n"
      "Examples:\n"
      "  corvane-cli album.cue\n"
      "  corvane-cli -o ~/flac -n \"{albumartist}/{album}/{track} - {title}\" ~/rips/*.cue\n"
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

TCliRequest ParseCommandLine(const std::vector<std::string>& Arguments, int Cores) {
  const TArgumentText arguments(Arguments);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Converts Monkey's Audio files (.ape) and cue-sheet CD images (.cue, or .ape with a sheet\n"
      "in its tag) to FLAC files, bit-exact, tagged from the APE tag or the cue sheet."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                   QStringLiteral("Show the version and exit."));
  const QCommandLineOption output(
      {QStringLiteral("o"), QStringLiteral("output")},
      QStringLiteral("Write the FLAC files into DIR (made when missing). Default: beside each "
                     "source (a cue track beside its sheet)."),
      QStringLiteral("DIR"));
  const QCommandLineOption level({QStringLiteral("l"), QStringLiteral("level")},
                                 QStringLiteral("FLAC compression level, 0 (fastest) to 8 "
                                                "(smallest). Default: 5."),
                                 QStringLiteral("N"));
  const QCommandLineOption jobs(
      {QStringLiteral("j"), QStringLiteral("jobs")},
      QStringLiteral("Convert up to N files at once. Default: the number of cores (%1).")
          .arg(Cores),
      QStringLiteral("N"));
  const QCommandLineOption name({QStringLiteral("n"), QStringLiteral("name")},
                                QStringLiteral("Name the outputs by TEMPLATE, such as \"{track} - "
                                               "{title}\" (fields below)."),
                                QStringLiteral("TEMPLATE"));
  const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                     QStringLiteral("Take a folder's subfolders too."));
  const QCommandLineOption encoding(
      QStringLiteral("encoding"),
      QStringLiteral("Read cue sheets in NAME instead of the detected encoding: %1.")
          .arg(QString::fromStdString(MainEncodingNames())),
      QStringLiteral("NAME"));
  const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                  QStringLiteral("Print each job and its output; write nothing."));
  const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                 QStringLiteral("Print errors only."));
  const QCommandLineOption overwrite(
      QStringLiteral("overwrite"),
      QStringLiteral("Replace an output file that exists already (the default)."));
  const QCommandLineOption skipExisting(
      QStringLiteral("skip-existing"),
      QStringLiteral("Leave an output file that exists already, and skip its job."));
  for (const QCommandLineOption& option : {help, version, output, level, jobs, name, recursive,
                                           encoding, dryRun, quiet, overwrite, skipExisting}) {
    parser.addOption(option);
  }
  parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"),
                               QStringLiteral(".ape files, .cue files, folders."),
                               QStringLiteral("FILE|FOLDER..."));

  if (!parser.parse(arguments.Text())) return UsageError(parser.errorText().toStdString());
  TCliRequest request;
  if (parser.isSet(help)) {
    request.Kind = TCliRequest::TKind::Help;
    // Named as the user knows it, not by the path it was started through.
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ") + arguments.Text().value(0);
    if (text.startsWith(usage)) text.replace(0, usage.size(), QStringLiteral("Usage: corvane-cli"));
    request.Text = text.toStdString() + Epilog();
    return request;
  }
  if (parser.isSet(version)) {
    request.Kind = TCliRequest::TKind::Version;
    request.Text = (QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion())
                       .toStdString();
    return request;
  }

  TCliOptions& options = request.Options;
  options.Jobs = std::max(Cores, 1);
  if (parser.isSet(output)) {
    options.OutputFolder = arguments.Bytes(parser.value(output));
    if (options.OutputFolder.empty()) return UsageError("the output folder (-o) is empty");
  }
  if (parser.isSet(level)) {
    const std::optional<int> value = ParseCompressionLevel(parser.value(level).toStdString());
    if (!value || *value < 0 || *value > 8) {
      return UsageError("bad compression level \"" + parser.value(level).toStdString() +
                        "\": it goes from 0 to 8");
    }
    options.Level = *value;
  }
  if (parser.isSet(jobs)) {
    const std::optional<int> value = IntegerOf(parser.value(jobs));
    if (!value || *value < 1) {
      return UsageError("bad job count \"" + parser.value(jobs).toStdString() +
                        "\": it is a whole number from 1 on");
    }
    options.Jobs = *value;
  }
  if (parser.isSet(name)) {
    options.NameTemplate = arguments.Bytes(parser.value(name));
    try {
      TNameTemplate check(*options.NameTemplate);
    } catch (const ENameTemplateError& E) {
      return UsageError(E.what());
    }
  }
  if (parser.isSet(encoding)) {
    const std::optional<TTextEncoding> value =
        TextEncodingNamed(parser.value(encoding).toStdString());
    if (!value) {
      return UsageError("unknown encoding \"" + parser.value(encoding).toStdString() +
                        "\": use one of " + MainEncodingNames());
    }
    options.Encoding = *value;
  }
  if (parser.isSet(overwrite) && parser.isSet(skipExisting)) {
    return UsageError("--overwrite and --skip-existing cannot be given together");
  }
  if (parser.isSet(skipExisting)) options.Existing = TExistingOutput::Skip;
  options.Recursive = parser.isSet(recursive);
  options.DryRun = parser.isSet(dryRun);
  options.Quiet = parser.isSet(quiet);

  for (const QString& path : parser.positionalArguments()) {
    const std::string file = arguments.Bytes(path);
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
      return UsageError("cannot find \"" + file + "\"");
    }
    options.Paths.push_back(file);
  }
  if (options.Paths.empty()) return UsageError("no file or folder given");
  return request;
}

}  // namespace corvane
