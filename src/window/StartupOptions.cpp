#include "StartupOptions.h"

#include <QCommandLineParser>
#include <cstdio>

namespace corvane {
namespace {

constexpr int kExitUsage = 2;

TStartupRequest Request(TStartupRequest::TKind Kind, QString Text) {
  return {Kind, std::move(Text), {}, std::nullopt};
}

// The option as it was typed: Qt names an unknown one without its dashes.
QString TypedOption(const QString& Name, const QStringList& Arguments) {
  const QString dashed = QStringLiteral("--") + Name;
  for (const QString& argument : Arguments) {
    if (argument == dashed || argument.startsWith(dashed + QLatin1Char('='))) return dashed;
  }
  return QLatin1Char('-') + Name;
}

}  // namespace

TStartupRequest ReadStartupOptions(const QStringList& Arguments) {
  using TKind = TStartupRequest::TKind;
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Converts Monkey's Audio, FLAC, WavPack, True Audio, WAV and AIFF files and\n"
      "their cue-sheet CD images to FLAC files, in a window. Files and folders given\n"
      "are added to its list, as if dropped on it; corvane-cli converts from the\n"
      "command line. Qt's own options (-platform, -style...) are taken too."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version and exit."));
  const QCommandLineOption language(QStringLiteral("lang"),
                                    QStringLiteral("The window's language: zh (Chinese) or en\n"
                                                   "(English). Without it, the language set in\n"
                                                   "the options, else the locale's."),
                                    QStringLiteral("zh|en"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(language);
  parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"),
                               QStringLiteral("audio files, .cue files, folders to add."),
                               QStringLiteral("[FILE|FOLDER...]"));
  const bool parsed = parser.parse(Arguments);
  if (parser.isSet(help)) {
    QString text = parser.helpText();
    // Named as the user knows it, not by the path it was started through.
    text.replace(0, text.indexOf(QLatin1Char('\n')),
                 QStringLiteral("Usage: corvane [options] [FILE|FOLDER...]"));
    return Request(TKind::Help, text.trimmed());
  }
  if (parser.isSet(version)) {
    return Request(TKind::Version, QStringLiteral("corvane " CORVANE_VERSION));
  }
  if (!parsed && !parser.unknownOptionNames().isEmpty()) {
    return Request(TKind::UsageError,
                   QStringLiteral("unknown option \"%1\"")
                       .arg(TypedOption(parser.unknownOptionNames().first(), Arguments)));
  }
  if (!parsed) return Request(TKind::UsageError, parser.errorText());
  TStartupRequest run;
  if (parser.isSet(language)) {
    const QString name = parser.value(language);
    run.Language = ParseLanguage(name.toStdString());
    if (!run.Language) {
      return Request(TKind::UsageError,
                     QStringLiteral("unknown language \"%1\" for --lang (zh or en)").arg(name));
    }
  }
  run.Files = parser.positionalArguments();
  return run;
}

std::optional<int> AnswerStartupOptions(const QStringList& Arguments, bool QtOptionsTaken) {
  const TStartupRequest request = ReadStartupOptions(Arguments);
  switch (request.Kind) {
    case TStartupRequest::TKind::Help:
    case TStartupRequest::TKind::Version:
      std::printf("%s\n", qPrintable(request.Text));
      return 0;
    case TStartupRequest::TKind::UsageError:
      if (!QtOptionsTaken) return std::nullopt;
      std::fprintf(stderr, "corvane: %s (see corvane --help)\n", qPrintable(request.Text));
      return kExitUsage;
    case TStartupRequest::TKind::Run:
      break;
  }
  return std::nullopt;
}

}  // namespace corvane
