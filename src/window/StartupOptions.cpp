#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "AppTexts.h"

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
  parser.setApplicationDescription(TextOf(texts::kStartDescription));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                TextOf(texts::kStartHelp));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   TextOf(texts::kStartVersion));
  const QCommandLineOption language(QStringLiteral("lang"), TextOf(texts::kStartLanguage),
                                    QStringLiteral("zh|en"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(language);
  parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"), TextOf(texts::kStartFiles),
                               QStringLiteral("[FILE|FOLDER...]"));
  const bool parsed = parser.parse(Arguments);
  if (parser.isSet(help)) {
    QString text = parser.helpText();
    // Named as the user knows it, not by the path it was started through.
    const QString usage = QCoreApplication::translate("QCommandLineParser", "Usage: %1");
    const QString started =
        usage.arg(QCoreApplication::instance() != nullptr ? QCoreApplication::arguments().value(0)
                                                          : QStringLiteral("<executable_name>"));
    if (text.startsWith(started)) {
      text.replace(0, started.size(), usage.arg(QStringLiteral("corvane")));
    }
    return Request(TKind::Help, text.trimmed());
  }
  if (parser.isSet(version)) {
    return Request(TKind::Version, QStringLiteral("corvane " CORVANE_VERSION));
  }
  if (!parsed && !parser.unknownOptionNames().isEmpty()) {
    return Request(TKind::UsageError,
                   TextOf(texts::kStartUnknownOption)
                       .arg(TypedOption(parser.unknownOptionNames().first(), Arguments)));
  }
  if (!parsed) return Request(TKind::UsageError, parser.errorText());
  TStartupRequest run;
  if (parser.isSet(language)) {
    const QString name = parser.value(language);
    run.Language = ParseLanguage(name.toStdString());
    if (!run.Language) {
      return Request(TKind::UsageError, TextOf(texts::kStartUnknownLanguage).arg(name));
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
      std::fprintf(stderr, "corvane: %s\n",
                   qPrintable(TextOf(texts::kStartUsageError).arg(request.Text)));
      return kExitUsage;
    case TStartupRequest::TKind::Run:
      break;
  }
  return std::nullopt;
}

}  // namespace corvane
