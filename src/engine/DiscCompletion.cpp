#include "DiscCompletion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <algorithm>
#include <exception>
#include <filesystem>

#include "AccurateRipEntry.h"
#include "AccurateRipLookup.h"
#include "AppTexts.h"
#include "Disc.h"
#include "DiscLog.h"
#include "Language.h"
#include "OutputNames.h"
#include "OutputPlan.h"
#include "PathNames.h"
#include "ReplayGainTags.h"
#include "TagTransfer.h"
#include "TextFormat.h"

namespace corvane {

using namespace proof;

using namespace loudness;

namespace {

// The ALBUM a loose file's tag gives it; empty when none, or when its tag cannot be read (the
// job says why when it runs).
std::string AlbumOfFile(const TJob& Job) {
  try {
    return TTagTransfer().AlbumOf(Job.Text);
  } catch (const std::exception&) {
    return {};
  }
}

std::string ProgramName() {
  const QString version = QCoreApplication::applicationVersion();
  return version.isEmpty() ? std::string("Corvane") : "Corvane " + version.toStdString();
}

std::string Now() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

}  // namespace

std::string AccurateRipCacheFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() +
         "/corvane/accuraterip";
}

TDiscCompletion::TDiscCompletion(const std::vector<TJob>& Jobs, TBatchOptions Options,
                                 TEvents Events, std::string CacheFolder)
    : FOptions(Options), FEvents(std::move(Events)) {
  Group(Jobs);
  PlanLogs(Jobs);
  if (FOptions.AccurateRip) FLookup = std::make_unique<TAccurateRipLookup>(std::move(CacheFolder));
}

TDiscCompletion::~TDiscCompletion() = default;

void TDiscCompletion::Group(const std::vector<TJob>& Jobs) {
  std::map<const TDisc*, size_t> discs;
  std::map<std::pair<std::string, std::string>, size_t> looseAlbums;
  for (const TJob& job : Jobs) {
    size_t album = 0;
    if (job.Disc->Sheet() != nullptr) {
      const auto [found, added] = discs.emplace(job.Disc.get(), FAlbums.size());
      if (added) {
        FAlbums.push_back({});
        FAlbums.back().Disc = job.Disc;
        FAlbums.back().Layout = DiscLayoutOf(*job.Disc);
      }
      album = found->second;
    } else if (FOptions.ReplayGain) {
      const std::string title = AlbumOfFile(job);
      const auto key = std::make_pair(ExtractFilePath(job.Text), title);
      const auto found = title.empty() ? looseAlbums.end() : looseAlbums.find(key);
      if (found != looseAlbums.end()) {
        album = found->second;
      } else {
        album = FAlbums.size();
        FAlbums.push_back({});
        FAlbums.back().GainAlbum = !title.empty();
        if (!title.empty()) looseAlbums.emplace(key, album);
      }
    } else {
      continue;  // nothing to measure of a loose file
    }
    FAlbums[album].Members.push_back({job, nullptr});
  }
  for (size_t album = 0; album < FAlbums.size(); ++album) {
    std::vector<TMember>& members = FAlbums[album].Members;
    if (const TDisc* disc = FAlbums[album].Disc.get()) {
      // In the disc's order whatever the list's, so the tracks' CRCs join into the image's.
      std::stable_sort(members.begin(), members.end(), [](const TMember& A, const TMember& B) {
        return A.Job.Track < B.Job.Track;
      });
      FAlbums[album].GainAlbum = members.size() == disc->TrackIndexes().size();
    }
    for (size_t member = 0; member < members.size(); ++member) {
      FPlaces[{members[member].Job.Disc.get(), members[member].Job.Track}] = {album, member};
    }
  }
}

void TDiscCompletion::PlanLogs(const std::vector<TJob>& Jobs) {
  const std::map<const TDisc*, std::string> logs = PlannedDiscLogs(Jobs);
  for (TAlbum& album : FAlbums) {
    if (!album.Disc) continue;
    const auto log = logs.find(album.Disc.get());
    if (log != logs.end()) album.LogFile = log->second;
  }
}

std::map<const TDisc*, std::string> PlannedDiscLogs(const std::vector<TJob>& Jobs) {
  std::vector<const TDisc*> discs;
  std::vector<std::string> names;
  for (const TJob& job : Jobs) {
    if (job.Disc->Sheet() == nullptr || job.Output.empty()) continue;
    if (std::find(discs.begin(), discs.end(), job.Disc.get()) != discs.end()) continue;
    discs.push_back(job.Disc.get());
    names.push_back(DiscLogName(job.Disc->Source(), job.Output));
  }
  // Two sheets of one name whose tracks meet in one folder get a log each.
  const std::vector<std::string> planned = TOutputPlan().Plan(names);
  std::map<const TDisc*, std::string> logs;
  for (size_t i = 0; i < discs.size(); ++i) logs[discs[i]] = planned[i];
  return logs;
}

std::shared_ptr<TTrackMeasures> TDiscCompletion::MeasuresFor(const TJob& Job) {
  const auto place = FPlaces.find({Job.Disc.get(), Job.Track});
  if (place == FPlaces.end()) return nullptr;
  TAlbum& album = FAlbums[place->second.first];
  std::optional<TDiscTrackPlace> track;
  if (album.Layout) track = TrackPlaceOf(*album.Layout, Job.Track);
  auto measures = std::make_shared<TTrackMeasures>(track, FOptions.ReplayGain);
  album.Members[place->second.second].Measures = measures;
  return measures;
}

void TDiscCompletion::JobEnded(const TJob& Job, bool Written) {
  const auto place = FPlaces.find({Job.Disc.get(), Job.Track});
  if (place == FPlaces.end()) return;
  TAlbum& album = FAlbums[place->second.first];
  TMember& member = album.Members[place->second.second];
  if (member.Ended) return;
  member.Ended = true;
  member.Written = Written && member.Measures != nullptr;
  if (++album.Ended == album.Members.size()) Finish(album);
}

void TDiscCompletion::WriteAlbumGain(TAlbum& Album, std::vector<std::string>& Notes) const {
  if (!FOptions.ReplayGain) return;
  if (!Album.GainAlbum) {
    // Part of a disc is not its album: its value would mislead every player.
    if (Album.Disc) {
      Notes.push_back(FormatText(texts::kNoteAlbumGainPartOfDisc,
                                 {Album.Disc->Source(), std::to_string(Album.Members.size()),
                                  std::to_string(Album.Disc->TrackIndexes().size())}));
    }
    return;
  }
  std::vector<const TLoudnessMeter*> meters;
  for (const TMember& member : Album.Members) {
    if (member.Written && member.Measures->Loudness()) {
      meters.push_back(member.Measures->Loudness());
    }
  }
  const std::string source = Album.Disc ? Album.Disc->Source() : Album.Members.front().Job.Text;
  if (meters.size() != Album.Members.size()) {
    // An album value over some of its tracks would be wrong for all of them.
    Notes.push_back(FormatText(texts::kNoteAlbumGainTracksMissing,
                               {source, std::to_string(Album.Members.size() - meters.size()),
                                std::to_string(Album.Members.size())}));
    return;
  }
  const double loudness = AlbumLoudness(meters);
  const double peak = AlbumPeak(meters);
  for (const TMember& member : Album.Members) {
    try {
      corvane::WriteAlbumGain(member.Job.Output, loudness, peak);
    } catch (const std::exception& E) {
      Notes.push_back(E.what());
    }
  }
}

TDiscProof TDiscCompletion::ProofOf(const TAlbum& Album) const {
  TDiscProof proof;
  proof.Sheet = Album.Disc->Source();
  for (const TCueAudioFile& file : Album.Disc->Sheet()->Files)
    proof.AudioFiles.push_back(file.Path);
  bool cdAudio = Album.Layout.has_value();
  bool whole = Album.Layout && Album.Members.size() == Album.Disc->TrackIndexes().size() &&
               (Album.Layout->Before == 0 || Album.Disc->TrackIndexes().front() == -1);
  for (const TMember& member : Album.Members) {
    TTrackProof track;
    track.Track = member.Job.Track;
    try {
      track.Title = Album.Disc->Track(member.Job.Track).Title;
    } catch (const std::exception&) {
    }
    track.Written = member.Written;
    if (member.Written) {
      track.Crc32 = member.Measures->Crc32();
      track.AccurateRip = member.Measures->AccurateRip();
      if (!member.Measures->CdAudio()) cdAudio = false;
    } else {
      whole = false;
    }
    proof.Tracks.push_back(std::move(track));
  }
  if (cdAudio) proof.Ids = DiscIdsOf(*Album.Layout);
  if (whole) {
    // The members are in the disc's order, so their CRCs join into the image's.
    uint32_t crc = 0;
    bool first = true;
    for (const TMember& member : Album.Members) {
      crc = first ? member.Measures->Crc32()
                  : CombineCrc32(crc, member.Measures->Crc32(),
                                 static_cast<int64_t>(member.Measures->Bytes()));
      first = false;
    }
    proof.ImageCrc32 = crc;
  }
  return proof;
}

void TDiscCompletion::Finish(TAlbum& Album) {
  std::vector<std::string> notes;
  WriteAlbumGain(Album, notes);
  std::optional<TDiscProof> proof;
  if (Album.Disc) proof = ProofOf(Album);
  // A loudness meter holds a few hundred kilobytes: a batch of a thousand files keeps none
  // past its album.
  for (TMember& member : Album.Members) member.Measures.reset();
  if (!proof) {
    if (!notes.empty() && FEvents.DiscEnded) {
      FEvents.DiscEnded({Album.Members.front().Job.Text, {}, std::nullopt, std::move(notes)});
    }
    return;
  }
  const bool checksums = std::any_of(proof->Tracks.begin(), proof->Tracks.end(),
                                     [](const TTrackProof& Track) { return Track.AccurateRip; });
  if (!FLookup || !proof->Ids || !checksums) {
    Conclude(Album, std::move(*proof), std::move(notes));
    return;
  }
  ++FPending;
  const size_t index = static_cast<size_t>(&Album - FAlbums.data());
  FLookup->Fetch(AccurateRipEntryPath(*proof->Ids), [this, index, proof = std::move(*proof),
                                                     notes = std::move(notes)](
                                                        const TAccurateRipReply& Reply) mutable {
    --FPending;
    std::string shownProblem = Reply.ShownProblem;
    switch (Reply.Kind) {
      case TAccurateRipReply::TKind::Found:
        try {
          MatchTracks(proof, ParseAccurateRipEntry(Reply.Body.data(), Reply.Body.size()));
          proof.Lookup.Kind = TLookupOutcome::TKind::Found;
        } catch (const std::exception& E) {
          // The log keeps its English; the note is in the user's language.
          proof.Lookup = {TLookupOutcome::TKind::Unreachable,
                          FormatEnglishText(texts::kLookupEntryDamaged, {E.what()})};
          shownProblem = FormatText(texts::kLookupEntryDamaged, {E.what()});
        }
        break;
      case TAccurateRipReply::TKind::NotInDatabase:
        proof.Lookup.Kind = TLookupOutcome::TKind::NotInDatabase;
        break;
      case TAccurateRipReply::TKind::Unreachable:
        proof.Lookup = {TLookupOutcome::TKind::Unreachable, Reply.Problem};
        break;
    }
    if (proof.Lookup.Kind == TLookupOutcome::TKind::Unreachable) {
      notes.push_back(proof.Sheet + TranslatedText(texts::kColon) + shownProblem);
    }
    Conclude(FAlbums[index], std::move(proof), std::move(notes));
    if (!Busy() && FEvents.Idle) FEvents.Idle();
  });
}

namespace {

// A batch of only some of a disc's tracks (a retry of those that failed, or the rest of a
// run that skipped existing outputs) must not replace the log of the run that converted the
// others: its log takes the next free name.
std::string LogFileOf(const std::string& Planned, size_t Tracks, size_t OfDisc) {
  if (Tracks >= OfDisc) return Planned;
  std::string name = Planned;
  std::error_code error;
  for (int number = 2;
       std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found;
       ++number) {
    name = NumberedName(Planned, number);
  }
  return name;
}

}  // namespace

void TDiscCompletion::Conclude(const TAlbum& Album, TDiscProof Proof,
                               std::vector<std::string> Notes) {
  TDiscEnd end{Proof.Sheet, {}, VerdictOf(Proof), std::move(Notes)};
  if (!Album.LogFile.empty()) {
    const std::string log =
        LogFileOf(Album.LogFile, Album.Members.size(), Album.Disc->TrackIndexes().size());
    try {
      WriteDiscLog(log, DiscLogText(Proof, ProgramName(), Now()));
      end.LogFile = log;
    } catch (const std::exception& E) {
      end.Notes.push_back(FormatText(texts::kNoteLogNotWritten, {E.what()}));
    }
  }
  if (FEvents.DiscEnded) FEvents.DiscEnded(end);
}

}  // namespace corvane
