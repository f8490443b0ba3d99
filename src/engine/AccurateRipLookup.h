#pragma once

#include <QObject>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace corvane {

struct TAccurateRipReply {
  enum class TKind { Found, NotInDatabase, Unreachable } Kind = TKind::Unreachable;
  // The entry's bytes when Found.
  std::vector<uint8_t> Body;
  // Why, when Unreachable: in English for the disc's log, which reads the same whatever the
  // language, and in the user's for the note beside the sheet.
  std::string Problem;
  std::string ShownProblem;
  bool FromCache = false;
};

// The database's own address; CORVANE_ACCURATERIP_URL replaces it, so that the command
// line's tests can point it at a local server.
inline constexpr std::string_view kAccurateRipUrl = "http://www.accuraterip.com/accuraterip/";
inline constexpr const char* kAccurateRipUrlVariable = "CORVANE_ACCURATERIP_URL";
// No real entry comes near this (a block is 13 bytes and 9 a track, a few hundred blocks at
// most): a longer answer is not an entry, and is not kept in memory or on disk.
inline constexpr std::size_t kAccurateRipMaxEntryBytes = std::size_t{1} << 20;

// Whether Path is exactly of the form proof::AccurateRipEntryPath makes
// ("5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin"). Only such a path is requested or looked up in
// the cache, so no path can leave the cache folder or reach any other page of the server.
bool IsAccurateRipEntryPath(std::string_view Path);

// Fetches the entries of the AccurateRip database, keeping each found entry in a cache folder.
// Lives on the thread that creates it, which must run a Qt event loop; Fetch is called on that
// thread only. Several fetches may be in flight at once.
class TAccurateRipLookup final : public QObject {
 public:
  using TDone = std::function<void(const TAccurateRipReply&)>;

  // CacheFolder holds the entries kept (the programs pass their cache location +
  // "/accuraterip"); it is made when first written. BaseUrl, when given, wins over
  // CORVANE_ACCURATERIP_URL, which wins over kAccurateRipUrl. Timeout bounds a whole request.
  explicit TAccurateRipLookup(std::string CacheFolder, std::optional<std::string> BaseUrl = {},
                              std::chrono::milliseconds Timeout = std::chrono::seconds(10),
                              QObject* Parent = nullptr);
  ~TAccurateRipLookup() override;

  const std::string& BaseUrl() const { return FBaseUrl; }

  // EntryPath as proof::AccurateRipEntryPath makes it. Done is called exactly once, later, from
  // this thread's event loop (never from inside Fetch), unless this object is destroyed first: then
  // never.
  void Fetch(const std::string& EntryPath, TDone Done);

 private:
  void FetchFromNetwork(const std::string& EntryPath, TDone Done);
  TAccurateRipReply Answer(QNetworkReply& Reply, bool TimedOut, bool Oversized) const;
  void Keep(const std::string& EntryPath, const std::vector<uint8_t>& Body) const;

  std::string FCacheFolder;
  std::string FBaseUrl;
  std::chrono::milliseconds FTimeout;
  QNetworkAccessManager* FManager;
  // The requests in flight, so that none calls back once this object is going.
  std::set<QNetworkReply*> FInFlight;
};

}  // namespace corvane
