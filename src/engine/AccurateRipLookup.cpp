#include "AccurateRipLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "AppTexts.h"
#include "TextFormat.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION ""
#endif

namespace corvane {
namespace {

bool IsLowerHex(char C) {
  return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f');
}

bool AllOf(std::string_view Text, bool (*Test)(char)) {
  for (const char c : Text) {
    if (!Test(c)) return false;
  }
  return true;
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

// The log is a record and stays English; the note beside the sheet is in the user's language.
TAccurateRipReply Unreachable(const char* Why, std::initializer_list<std::string> Arguments) {
  TAccurateRipReply reply;
  reply.Kind = TAccurateRipReply::TKind::Unreachable;
  reply.Problem = FormatEnglishText(Why, Arguments);
  reply.ShownProblem = FormatText(Why, Arguments);
  return reply;
}

std::string DurationText(std::chrono::milliseconds Duration) {
  if (Duration.count() % 1000 == 0) return std::to_string(Duration.count() / 1000) + " s";
  return std::to_string(Duration.count()) + " ms";
}

std::string ChosenBaseUrl(std::optional<std::string> Given) {
  std::string url;
  if (Given) {
    url = std::move(*Given);
  } else if (qEnvironmentVariableIsSet(kAccurateRipUrlVariable)) {
    url = qEnvironmentVariable(kAccurateRipUrlVariable).toStdString();
  }
  if (url.empty()) url = kAccurateRipUrl;
  // The entry's path is appended as it is.
  if (url.back() != '/') url += '/';
  return url;
}

// A cached entry, unless there is none or it cannot be one (then it is fetched again).
std::optional<std::vector<uint8_t>> ReadCached(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const qint64 size = file.size();
  if (size <= 0 || static_cast<std::size_t>(size) > kAccurateRipMaxEntryBytes) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (bytes.size() != size) return std::nullopt;
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

bool IsAccurateRipEntryPath(std::string_view Path) {
  // "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin"
  constexpr std::string_view kPrefix = "dBAR-";
  constexpr std::string_view kSuffix = ".bin";
  constexpr std::size_t kLength = 6 + kPrefix.size() + 3 + 3 * 9 + kSuffix.size();
  if (Path.size() != kLength) return false;
  for (const std::size_t slash : {1, 3, 5}) {
    if (Path[slash] != '/') return false;
  }
  const std::string_view name = Path.substr(6);
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  const std::string_view tracks = name.substr(5, 3);
  if (!AllOf(tracks, IsDigit) || tracks == "000") return false;
  // A disc has 99 tracks at most.
  if (tracks[0] != '0') return false;
  std::string_view ids[3];
  for (std::size_t i = 0; i < 3; ++i) {
    if (name[8 + 9 * i] != '-') return false;
    ids[i] = name.substr(9 + 9 * i, 8);
    if (!AllOf(ids[i], IsLowerHex)) return false;
  }
  // The folders are the first id's last three digits, last first.
  return Path[0] == ids[0][7] && Path[2] == ids[0][6] && Path[4] == ids[0][5];
}

TAccurateRipLookup::TAccurateRipLookup(std::string CacheFolder, std::optional<std::string> BaseUrl,
                                       std::chrono::milliseconds Timeout, QObject* Parent)
    : QObject(Parent),
      FCacheFolder(std::move(CacheFolder)),
      FBaseUrl(ChosenBaseUrl(std::move(BaseUrl))),
      FTimeout(Timeout),
      FManager(new QNetworkAccessManager(this)) {}

TAccurateRipLookup::~TAccurateRipLookup() {
  // Aborting a request finishes it at once: it must find no one to call back.
  for (QNetworkReply* reply : FInFlight) {
    reply->disconnect(this);
    reply->abort();
  }
  FInFlight.clear();
}

void TAccurateRipLookup::Fetch(const std::string& EntryPath, TDone Done) {
  Q_ASSERT(QThread::currentThread() == thread());
  // Every answer goes through the event loop, so that the caller's code after Fetch always
  // runs before its Done; with this object as the context, none arrives once it is gone.
  if (!IsAccurateRipEntryPath(EntryPath)) {
    QMetaObject::invokeMethod(
        this,
        [Done = std::move(Done), EntryPath] {
          Done(Unreachable(texts::kLookupBadPath, {EntryPath}));
        },
        Qt::QueuedConnection);
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this, Done = std::move(Done), EntryPath]() mutable {
        const QString cached = QString::fromStdString(FCacheFolder + "/" + EntryPath);
        if (std::optional<std::vector<uint8_t>> body = ReadCached(cached)) {
          TAccurateRipReply reply;
          reply.Kind = TAccurateRipReply::TKind::Found;
          reply.Body = std::move(*body);
          reply.FromCache = true;
          Done(reply);
          return;
        }
        FetchFromNetwork(EntryPath, std::move(Done));
      },
      Qt::QueuedConnection);
}

void TAccurateRipLookup::FetchFromNetwork(const std::string& EntryPath, TDone Done) {
  QNetworkRequest request(QUrl(QString::fromStdString(FBaseUrl + EntryPath)));
  const std::string version = CORVANE_VERSION;
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QString::fromStdString(version.empty() ? "Corvane" : "Corvane/" + version));
  QNetworkReply* reply = FManager->get(request);
  FInFlight.insert(reply);

  // Shared by the handlers below, all of which run on this thread.
  struct TState {
    bool TimedOut = false;
    bool Oversized = false;
  };
  const auto state = std::make_shared<TState>();

  // A timer of our own rather than the transfer timeout, which restarts on every byte: a
  // server that trickles must not hold a conversion up for long either.
  auto* timer = new QTimer(reply);
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, this, [reply, state] {
    state->TimedOut = true;
    reply->abort();
  });
  timer->start(FTimeout);

  // Refused by the length announced when there is one, else as the bytes come.
  connect(reply, &QNetworkReply::metaDataChanged, this, [reply, state] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (state->Oversized || !length.isValid() ||
        length.toLongLong() <= static_cast<qint64>(kAccurateRipMaxEntryBytes)) {
      return;
    }
    state->Oversized = true;
    reply->abort();
  });
  connect(reply, &QNetworkReply::downloadProgress, this,
          [reply, state](qint64 Received, qint64 Total) {
            const auto cap = static_cast<qint64>(kAccurateRipMaxEntryBytes);
            if (state->Oversized || (Received <= cap && Total <= cap)) return;
            state->Oversized = true;
            reply->abort();
          });

  connect(reply, &QNetworkReply::finished, this,
          [this, reply, timer, state, EntryPath, Done = std::move(Done)] {
            timer->stop();
            FInFlight.erase(reply);
            reply->deleteLater();
            TAccurateRipReply answer = Answer(*reply, state->TimedOut, state->Oversized);
            if (answer.Kind == TAccurateRipReply::TKind::Found) Keep(EntryPath, answer.Body);
            // Called from the event loop rather than from inside the reply's signal, so that
            // Done may destroy this object, and the reply with it.
            QMetaObject::invokeMethod(
                this, [Done, answer = std::move(answer)] { Done(answer); }, Qt::QueuedConnection);
          });
}

TAccurateRipReply TAccurateRipLookup::Answer(QNetworkReply& Reply, bool TimedOut,
                                             bool Oversized) const {
  if (TimedOut) return Unreachable(texts::kLookupTimedOut, {DurationText(FTimeout)});
  if (Oversized) {
    return Unreachable(texts::kLookupTooLong, {std::to_string(kAccurateRipMaxEntryBytes)});
  }
  const std::string error = Reply.errorString().toStdString();
  const QVariant status = Reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!status.isValid()) {
    return Unreachable(texts::kLookupUnreachable, {error});
  }
  const int code = status.toInt();
  // Not there yet; a rip of the disc may be submitted later, so this is not kept.
  if (code == 404) {
    TAccurateRipReply reply;
    reply.Kind = TAccurateRipReply::TKind::NotInDatabase;
    return reply;
  }
  if (code != 200) {
    return Unreachable(texts::kLookupHttpStatus, {std::to_string(code)});
  }
  const QByteArray body = Reply.readAll();
  const QVariant length = Reply.header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && body.size() < length.toLongLong()) {
    return Unreachable(texts::kLookupTruncated,
                       {std::to_string(body.size()), std::to_string(length.toLongLong())});
  }
  if (Reply.error() != QNetworkReply::NoError) {
    return Unreachable(texts::kLookupUnreachable, {error});
  }
  if (body.isEmpty()) return Unreachable(texts::kLookupEmpty, {});
  TAccurateRipReply reply;
  reply.Kind = TAccurateRipReply::TKind::Found;
  reply.Body.assign(body.begin(), body.end());
  return reply;
}

void TAccurateRipLookup::Keep(const std::string& EntryPath,
                              const std::vector<uint8_t>& Body) const {
  // Written aside under a hidden name and renamed over the entry's, so that a reader (another
  // conversion, or this one after a crash) finds a whole entry or none. The cache only saves
  // a request: when it cannot be written, the entry is simply fetched again next time.
  const QString path = QString::fromStdString(FCacheFolder + "/" + EntryPath);
  const QString folder = QFileInfo(path).path();
  if (!QDir().mkpath(folder)) return;
  QTemporaryFile file(folder + QStringLiteral("/.dBAR-XXXXXX.tmp"));
  if (!file.open()) return;
  const auto size = static_cast<qint64>(Body.size());
  if (file.write(reinterpret_cast<const char*>(Body.data()), size) != size || !file.flush()) {
    return;
  }
  file.close();
  if (std::rename(QFile::encodeName(file.fileName()).constData(),
                  QFile::encodeName(path).constData()) == 0) {
    file.setAutoRemove(false);
  }
}

}  // namespace corvane
