#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "AccurateRipLookup.h"
#include "DiscIds.h"
#include "ScratchDir.h"

namespace corvane {
namespace {

using TKind = TAccurateRipReply::TKind;
using namespace std::chrono_literals;

// 0015d3b5 ends in 3, b, 5: the folders, last digit first.
constexpr const char* kEntry = "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin";

// How the canned server answers every request.
enum class TAnswer {
  Entry,       // 200 with a body made from the requested path
  Missing,     // 404
  Failing,     // 500
  Truncated,   // 812 of the 1024 bytes announced, then the connection closes
  Silent,      // accepts and never answers
  Huge,        // announces 2 MiB
  Endless,     // no length announced, more than 1 MiB, then the connection closes
  Empty,       // 200 with no body
  NotRunning,  // no server on the port
};

// The body the server sends for Path: a different one for every path, so that answers
// cannot be mixed up unnoticed.
QByteArray EntryBody(const QByteArray& Path) {
  QByteArray body;
  for (int i = 0; i < 40; ++i) body += Path + static_cast<char>(i);
  return body;
}

// A little HTTP server on 127.0.0.1 answering every request the same way.
class TCannedServer {
 public:
  explicit TCannedServer(TAnswer Answer) : FAnswer(Answer) {
    EXPECT_TRUE(FServer.listen(QHostAddress::LocalHost));
    FPort = FServer.serverPort();
    if (Answer == TAnswer::NotRunning) FServer.close();
    QObject::connect(&FServer, &QTcpServer::newConnection, &FServer, [this] { Accept(); });
  }

  // The port keeps its number, with no one listening.
  void Stop() {
    FServer.close();
    for (QTcpSocket* socket : FServer.findChildren<QTcpSocket*>()) socket->abort();
  }

  std::string Url(const std::string& Folder = "/accuraterip") const {
    return "http://127.0.0.1:" + std::to_string(FPort) + Folder;
  }
  int Requests() const { return static_cast<int>(FPaths.size()); }
  const std::vector<QByteArray>& Paths() const { return FPaths; }
  const QByteArray& UserAgent() const { return FUserAgent; }

 private:
  void Accept() {
    while (QTcpSocket* socket = FServer.nextPendingConnection()) {
      socket->setParent(&FServer);
      auto request = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        *request += socket->readAll();
        if (request->contains("\r\n\r\n")) Answer(*socket, *request);
      });
    }
  }

  void Answer(QTcpSocket& Socket, const QByteArray& Request) {
    const QList<QByteArray> lines = Request.split('\n');
    const QList<QByteArray> words = lines.front().split(' ');
    const QByteArray path = words.size() > 1 ? words[1] : QByteArray();
    FPaths.push_back(path);
    for (const QByteArray& line : lines) {
      if (line.toLower().startsWith("user-agent:")) FUserAgent = line.mid(11).trimmed();
    }
    const auto send = [&Socket](const QByteArray& Head, const QByteArray& Body, bool Close) {
      Socket.write(Head + "\r\n\r\n" + Body);
      if (Close) Socket.disconnectFromHost();
    };
    switch (FAnswer) {
      case TAnswer::Entry: {
        const QByteArray body = EntryBody(path.mid(path.lastIndexOf('/') + 1));
        send("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()), body, true);
        break;
      }
      case TAnswer::Missing:
        send("HTTP/1.1 404 Not Found\r\nContent-Length: 9", "not found", true);
        break;
      case TAnswer::Failing:
        send("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5", "oops!", true);
        break;
      case TAnswer::Truncated:
        send("HTTP/1.1 200 OK\r\nContent-Length: 1024", QByteArray(812, 'x'), true);
        break;
      case TAnswer::Huge:
        send("HTTP/1.1 200 OK\r\nContent-Length: 2097152", QByteArray(4096, 'x'), false);
        break;
      case TAnswer::Endless:
        send("HTTP/1.1 200 OK\r\nConnection: close", QByteArray((1 << 20) + 1, 'x'), true);
        break;
      case TAnswer::Empty:
        send("HTTP/1.1 200 OK\r\nContent-Length: 0", {}, true);
        break;
      case TAnswer::Silent:
      case TAnswer::NotRunning:
        break;
    }
  }

  TAnswer FAnswer;
  QTcpServer FServer;
  quint16 FPort = 0;
  std::vector<QByteArray> FPaths;
  QByteArray FUserAgent;
};

// What came back from one Fetch.
struct TOutcome {
  int Calls = 0;
  bool InFetch = false;
  bool CalledInFetch = false;
  TAccurateRipReply Reply;
};

std::shared_ptr<TOutcome> Start(TAccurateRipLookup& Lookup, const std::string& Path) {
  auto outcome = std::make_shared<TOutcome>();
  outcome->InFetch = true;
  Lookup.Fetch(Path, [outcome](const TAccurateRipReply& Reply) {
    outcome->CalledInFetch = outcome->CalledInFetch || outcome->InFetch;
    ++outcome->Calls;
    outcome->Reply = Reply;
  });
  outcome->InFetch = false;
  return outcome;
}

// Runs the event loop until Done holds or Limit passes; then a little longer, so that a
// second call would be seen.
template <typename TDoneTest>
void RunUntil(TDoneTest Done, std::chrono::milliseconds Limit = 4s) {
  QElapsedTimer clock;
  clock.start();
  while (!Done() && clock.elapsed() < Limit.count()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

TAccurateRipReply FetchNow(TAccurateRipLookup& Lookup, const std::string& Path) {
  const std::shared_ptr<TOutcome> outcome = Start(Lookup, Path);
  RunUntil([&] { return outcome->Calls > 0; });
  EXPECT_EQ(outcome->Calls, 1) << Path;
  EXPECT_FALSE(outcome->CalledInFetch) << Path;
  return outcome->Reply;
}

// Every file under Folder, hidden ones too, relative to it.
std::vector<std::string> FilesUnder(const std::string& Folder) {
  std::vector<std::string> files;
  QDirIterator it(QString::fromStdString(Folder), QDir::Files | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    files.push_back(it.next().toStdString().substr(Folder.size() + 1));
  }
  return files;
}

void WriteFile(const std::string& Path, const QByteArray& Bytes) {
  std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
  std::ofstream(Path, std::ios::binary).write(Bytes.constData(), Bytes.size());
}

QByteArray ReadFile(const std::string& Path) {
  QFile file(QString::fromStdString(Path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TFetchCase {
  const char* Name;
  TAnswer Answer;
  const char* Path;
  // The cache's file for Path before the fetch, if any.
  const char* Cached;
  TKind Kind;
  // Words the problem text holds; empty when there is no problem.
  const char* Problem;
  bool Asked;
  bool FromCache;
};

class AccurateRipFetches : public testing::TestWithParam<TFetchCase> {};

TEST_P(AccurateRipFetches, AnswerOnceAndKeepOnlyWholeFoundEntries) {
  const TFetchCase& c = GetParam();
  TCannedServer server(c.Answer);
  const test::TScratchDir cache;
  if (c.Cached != nullptr) WriteFile(cache.File(c.Path), c.Cached);
  // Short only where it is awaited, so that a slow (sanitized) run cannot time out elsewhere.
  TAccurateRipLookup lookup(cache.Path(), server.Url(), c.Answer == TAnswer::Silent ? 300ms : 5s);

  const TAccurateRipReply reply = FetchNow(lookup, c.Path);

  EXPECT_EQ(reply.Kind, c.Kind) << reply.Problem;
  EXPECT_EQ(reply.FromCache, c.FromCache);
  EXPECT_EQ(reply.Problem.empty(), std::string(c.Problem).empty()) << reply.Problem;
  EXPECT_NE(reply.Problem.find(c.Problem), std::string::npos) << reply.Problem;
  // The log's English has its note in the user's language beside it, here the texts' Chinese.
  EXPECT_EQ(reply.ShownProblem.find("AccurateRip 数据库") != std::string::npos,
            !reply.Problem.empty())
      << reply.ShownProblem;
  ASSERT_EQ(server.Requests(), c.Asked ? 1 : 0);
  if (c.Asked) {
    EXPECT_EQ(server.Paths().front(), QByteArray("/accuraterip/") + c.Path);
    EXPECT_EQ(server.UserAgent(), "Corvane/" CORVANE_VERSION);
  }
  QByteArray expected;
  if (c.Kind == TKind::Found) {
    expected =
        c.FromCache ? QByteArray(c.Cached) : EntryBody(QFileInfo(c.Path).fileName().toUtf8());
  }
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(reply.Body.data()),
                       static_cast<qsizetype>(reply.Body.size())),
            expected);
  // Only a found entry is kept, whole and with no temporary file beside it; anything else
  // leaves the cache as it was.
  const bool kept = c.Kind == TKind::Found || c.Cached != nullptr;
  EXPECT_EQ(FilesUnder(cache.Path()),
            kept ? std::vector<std::string>{c.Path} : std::vector<std::string>{});
  if (c.Kind == TKind::Found) {
    EXPECT_EQ(ReadFile(cache.File(c.Path)), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AccurateRipFetches,
    testing::Values(
        TFetchCase{"Entry", TAnswer::Entry, kEntry, nullptr, TKind::Found, "", true, false},
        TFetchCase{"Missing", TAnswer::Missing, kEntry, nullptr, TKind::NotInDatabase, "", true,
                   false},
        TFetchCase{"ServerError", TAnswer::Failing, kEntry, nullptr, TKind::Unreachable,
                   "the AccurateRip database answered HTTP 500", true, false},
        TFetchCase{"Truncated", TAnswer::Truncated, kEntry, nullptr, TKind::Unreachable,
                   "the AccurateRip database sent a truncated entry (812 of 1024 bytes)", true,
                   false},
        TFetchCase{"Silent", TAnswer::Silent, kEntry, nullptr, TKind::Unreachable,
                   "the AccurateRip database timed out after 300 ms", true, false},
        TFetchCase{"HugeAnnounced", TAnswer::Huge, kEntry, nullptr, TKind::Unreachable,
                   "sent more than 1048576 bytes", true, false},
        TFetchCase{"HugeUnannounced", TAnswer::Endless, kEntry, nullptr, TKind::Unreachable,
                   "sent more than 1048576 bytes", true, false},
        TFetchCase{"Empty", TAnswer::Empty, kEntry, nullptr, TKind::Unreachable,
                   "sent an empty entry", true, false},
        TFetchCase{"Refused", TAnswer::NotRunning, kEntry, nullptr, TKind::Unreachable,
                   "the AccurateRip database could not be reached (Connection refused)", false,
                   false},
        // A kept entry needs no server at all.
        TFetchCase{"Cached", TAnswer::NotRunning, kEntry, "kept entry", TKind::Found, "", false,
                   true},
        // An empty file is no entry (a full disk may leave one): it is fetched again.
        TFetchCase{"CachedEmpty", TAnswer::Entry, kEntry, "", TKind::Found, "", true, false},
        TFetchCase{"CachedButMissingNow", TAnswer::Missing, kEntry, "", TKind::NotInDatabase, "",
                   true, false},
        TFetchCase{"BadPath", TAnswer::Entry, "../../dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
                   nullptr, TKind::Unreachable, "bad entry path", false, false},
        TFetchCase{"WrongFolders", TAnswer::Entry, "a/b/c/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
                   nullptr, TKind::Unreachable, "bad entry path", false, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(AccurateRipLookup, AFoundEntryIsAnsweredFromTheCacheOnceTheServerIsGone) {
  TCannedServer server(TAnswer::Entry);
  const test::TScratchDir cache;
  {
    TAccurateRipLookup lookup(cache.Path(), server.Url());
    EXPECT_FALSE(FetchNow(lookup, kEntry).FromCache);
  }
  server.Stop();
  TAccurateRipLookup lookup(cache.Path(), server.Url());
  const TAccurateRipReply again = FetchNow(lookup, kEntry);
  EXPECT_EQ(again.Kind, TKind::Found);
  EXPECT_TRUE(again.FromCache);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(again.Body.data()),
                       static_cast<qsizetype>(again.Body.size())),
            EntryBody(QFileInfo(kEntry).fileName().toUtf8()));
  EXPECT_EQ(server.Requests(), 1);
  // A disc not in the database is asked again: with no server, that fails.
  EXPECT_EQ(FetchNow(lookup, "1/0/0/dBAR-002-00000001-00000002-03000002.bin").Kind,
            TKind::Unreachable);
}

TEST(AccurateRipLookup, SeveralFetchesInFlightGetTheirOwnEntries) {
  TCannedServer server(TAnswer::Entry);
  const test::TScratchDir cache;
  TAccurateRipLookup lookup(cache.Path(), server.Url());
  std::vector<std::string> paths;
  for (uint32_t i = 1; i <= 6; ++i) {
    paths.push_back(
        proof::AccurateRipEntryPath({static_cast<int>(i), 0x1000u * i + 0x123u, i, 7 * i}));
  }
  // The same entry twice as well: both are answered, and one file is kept.
  paths.push_back(paths.front());
  std::vector<std::shared_ptr<TOutcome>> outcomes;
  for (const std::string& path : paths) outcomes.push_back(Start(lookup, path));
  RunUntil([&] {
    return std::all_of(outcomes.begin(), outcomes.end(),
                       [](const auto& O) { return O->Calls > 0; });
  });
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const TOutcome& outcome = *outcomes[i];
    EXPECT_EQ(outcome.Calls, 1) << paths[i];
    EXPECT_FALSE(outcome.CalledInFetch) << paths[i];
    EXPECT_EQ(outcome.Reply.Kind, TKind::Found) << outcome.Reply.Problem;
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(outcome.Reply.Body.data()),
                         static_cast<qsizetype>(outcome.Reply.Body.size())),
              EntryBody(QFileInfo(QString::fromStdString(paths[i])).fileName().toUtf8()))
        << paths[i];
  }
  EXPECT_EQ(FilesUnder(cache.Path()).size(), paths.size() - 1);
}

TEST(AccurateRipLookup, ALookupDestroyedFirstNeverCallsBack) {
  TCannedServer server(TAnswer::Silent);
  const test::TScratchDir cache;
  WriteFile(cache.File("1/0/0/dBAR-002-00000001-00000002-03000002.bin"), "kept");
  std::vector<std::shared_ptr<TOutcome>> outcomes;
  {
    // Timed out long before the test ends, were the request still alive.
    TAccurateRipLookup lookup(cache.Path(), server.Url(), 250ms);
    // One in flight on the network, one answered by the cache, one refused.
    outcomes.push_back(Start(lookup, kEntry));
    outcomes.push_back(Start(lookup, "1/0/0/dBAR-002-00000001-00000002-03000002.bin"));
    outcomes.push_back(Start(lookup, "no entry"));
    RunUntil([&] { return server.Requests() > 0; });
    ASSERT_EQ(server.Requests(), 1);
    // By now the cached and refused ones were answered; the network one is still waiting.
    EXPECT_EQ(outcomes[1]->Calls, 1);
    EXPECT_EQ(outcomes[2]->Calls, 1);
    outcomes.push_back(Start(lookup, "1/0/0/dBAR-002-00000001-00000002-03000002.bin"));
    outcomes.push_back(Start(lookup, "no entry either"));
  }
  // Not even while it goes.
  EXPECT_EQ(outcomes[0]->Calls, 0);
  RunUntil([] { return false; }, 400ms);
  EXPECT_EQ(outcomes[0]->Calls, 0);
  EXPECT_EQ(outcomes[3]->Calls, 0);
  EXPECT_EQ(outcomes[4]->Calls, 0);
}

TEST(AccurateRipLookup, DoneMayDestroyTheLookup) {
  TCannedServer server(TAnswer::Entry);
  const test::TScratchDir cache;
  WriteFile(cache.File("1/0/0/dBAR-002-00000001-00000002-03000002.bin"), "kept");
  // Answered by the server, by the cache, and refused.
  for (const char* path : {kEntry, "1/0/0/dBAR-002-00000001-00000002-03000002.bin", "no entry"}) {
    auto* lookup = new TAccurateRipLookup(cache.Path(), server.Url());
    int calls = 0;
    lookup->Fetch(path, [&calls, &lookup](const TAccurateRipReply&) {
      ++calls;
      delete lookup;
      lookup = nullptr;
    });
    RunUntil([&] { return calls > 0; });
    EXPECT_EQ(calls, 1) << path;
    if (lookup != nullptr) delete lookup;
  }
}

struct TUrlCase {
  const char* Variable;  // nullptr: unset
  const char* Given;     // nullptr: none
  const char* Chosen;
};

TEST(AccurateRipLookup, AGivenAddressWinsOverTheVariableWhichWinsOverTheDatabase) {
  const test::TScratchDir cache;
  const TUrlCase cases[] = {
      {nullptr, nullptr, "http://www.accuraterip.com/accuraterip/"},
      {"", nullptr, "http://www.accuraterip.com/accuraterip/"},
      {"http://127.0.0.1:9/ar", nullptr, "http://127.0.0.1:9/ar/"},
      {"http://127.0.0.1:9/ar/", nullptr, "http://127.0.0.1:9/ar/"},
      {"http://127.0.0.1:9/ar", "http://localhost:8/x/", "http://localhost:8/x/"},
      {nullptr, "http://localhost:8/x", "http://localhost:8/x/"},
  };
  for (const TUrlCase& c : cases) {
    if (c.Variable != nullptr) {
      qputenv(kAccurateRipUrlVariable, c.Variable);
    } else {
      qunsetenv(kAccurateRipUrlVariable);
    }
    const std::optional<std::string> given =
        c.Given != nullptr ? std::optional<std::string>(c.Given) : std::nullopt;
    EXPECT_EQ(TAccurateRipLookup(cache.Path(), given).BaseUrl(), c.Chosen)
        << (c.Variable != nullptr ? c.Variable : "(unset)") << ", "
        << (c.Given != nullptr ? c.Given : "(none)");
  }

  // And the request really goes where the variable says.
  TCannedServer server(TAnswer::Entry);
  qputenv(kAccurateRipUrlVariable, server.Url("/elsewhere").c_str());
  TAccurateRipLookup lookup(cache.Path());
  qunsetenv(kAccurateRipUrlVariable);
  EXPECT_EQ(FetchNow(lookup, kEntry).Kind, TKind::Found);
  ASSERT_EQ(server.Requests(), 1);
  EXPECT_EQ(server.Paths().front(), QByteArray("/elsewhere/") + kEntry);
}

TEST(AccurateRipLookup, EntryPathsNameTheFoldersByTheFirstIdsLastDigits) {
  const struct {
    int Tracks;
    uint32_t Id1, Id2, Cddb;
    const char* Path;
  } cases[] = {
      {11, 0x0015d3b5, 0x00d3c3f5, 0xa10b830b, "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin"},
      {1, 0, 0, 0, "0/0/0/dBAR-001-00000000-00000000-00000000.bin"},
      {99, 0xffffffff, 0xfedcba98, 0x12345678, "f/f/f/dBAR-099-ffffffff-fedcba98-12345678.bin"},
      {4, 0x0002189a, 0x00087f33, 0x1f02e004, "a/9/8/dBAR-004-0002189a-00087f33-1f02e004.bin"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(proof::AccurateRipEntryPath({c.Tracks, c.Id1, c.Id2, c.Cddb}), c.Path);
    EXPECT_TRUE(IsAccurateRipEntryPath(c.Path)) << c.Path;
  }
}

TEST(AccurateRipLookup, OnlyPathsOfEntriesAreAccepted) {
  for (const char* path : {
           "",
           "dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "/5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin/",
           "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.binx",
           "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.txt",
           "5/b/3/dbar-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-011-0015D3B5-00d3c3f5-a10b830b.bin",
           "5/B/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b83g0.bin",
           "5/b/3/dBAR-011-0015d3b5_00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-11-0015d3b5-00d3c3f5-a10b830b0.bin",
           "5/b/3/dBAR-000-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-100-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-01a-0015d3b5-00d3c3f5-a10b830b.bin",
           "3/b/5/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/4/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5\\b\\3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "../../../dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/./3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin",
           "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin?x",
       }) {
    EXPECT_FALSE(IsAccurateRipEntryPath(path)) << path;
  }
  EXPECT_FALSE(IsAccurateRipEntryPath(
      std::string_view("5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b8\0b.bin", 45)));
}

}  // namespace
}  // namespace corvane
