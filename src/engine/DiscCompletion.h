#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BatchOptions.h"
#include "DiscIdentity.h"
#include "DiscProof.h"
#include "Job.h"
#include "TrackMeasures.h"

namespace corvane {

class TAccurateRipLookup;

// What a batch does once the last job of a disc or an album has ended, whatever order its
// jobs ended in: writes the album's ReplayGain into every track, asks the AccurateRip database
// about the disc, writes the disc's log beside its outputs and tells the verdict.
//
// A disc is the tracks of one sheet. Loose files make an album, for ReplayGain only, when they
// lie in one folder and share an ALBUM tag; other loose files are nobody's album.
//
// Runs on the batch's thread, which must run an event loop for the database's answers.
class TDiscCompletion {
 public:
  struct TDiscEnd {
    std::string Source;                   // the sheet, or the album's first file
    std::string LogFile;                  // the log written; empty when none
    std::optional<TDiscVerdict> Verdict;  // a sheet's disc's
    // What the user is told although nothing failed (the database out of reach, album values
    // not written because a track failed).
    std::vector<std::string> Notes;
  };
  struct TEvents {
    std::function<void(const TDiscEnd& End)> DiscEnded;
    // Nothing is waiting for the database any more (after a disc's end has been told).
    std::function<void()> Idle;
  };

  // Jobs: the batch, outputs planned. CacheFolder: where database entries are kept.
  TDiscCompletion(const std::vector<TJob>& Jobs, TBatchOptions Options, TEvents Events,
                  std::string CacheFolder);
  ~TDiscCompletion();
  TDiscCompletion(const TDiscCompletion&) = delete;
  TDiscCompletion& operator=(const TDiscCompletion&) = delete;

  // What measures Job's PCM as it is encoded; null when nothing is measured of it.
  std::shared_ptr<TTrackMeasures> MeasuresFor(const TJob& Job);
  // Job has ended: its output written, or not (failed, stopped, removed from the batch).
  void JobEnded(const TJob& Job, bool Written);
  // Discs whose database answer is awaited.
  bool Busy() const { return FPending > 0; }

 private:
  using TKey = std::pair<const TDisc*, int>;
  struct TMember {
    TJob Job;
    std::shared_ptr<TTrackMeasures> Measures;
    bool Ended = false;
    bool Written = false;
  };
  struct TAlbum {
    std::shared_ptr<const TDisc> Disc;  // a sheet's; null for loose files
    std::optional<TDiscLayout> Layout;
    bool GainAlbum = true;  // false: a loose file that is nobody's album
    std::vector<TMember> Members;
    size_t Ended = 0;
    std::string LogFile;
  };

  void Group(const std::vector<TJob>& Jobs);
  void PlanLogs(const std::vector<TJob>& Jobs);
  void Finish(TAlbum& Album);
  void WriteAlbumGain(TAlbum& Album, std::vector<std::string>& Notes) const;
  TDiscProof ProofOf(const TAlbum& Album) const;
  void Conclude(const TAlbum& Album, TDiscProof Proof, std::vector<std::string> Notes);

  TBatchOptions FOptions;
  TEvents FEvents;
  std::vector<TAlbum> FAlbums;
  std::map<TKey, std::pair<size_t, size_t>> FPlaces;  // album and member of a job
  std::unique_ptr<TAccurateRipLookup> FLookup;
  int FPending = 0;
};

// The log each sheet's disc among Jobs (outputs planned) gets: beside its first output, named
// after its sheet, no two alike.
std::map<const TDisc*, std::string> PlannedDiscLogs(const std::vector<TJob>& Jobs);

// Where the database's entries are kept: the user's cache folder.
std::string AccurateRipCacheFolder();

}  // namespace corvane
