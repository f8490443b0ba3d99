#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CueSheetList.h"
#include "JobFailure.h"
#include "JobLine.h"
#include "JobListModel.h"
#include "TextCodec.h"

namespace corvane {

class TFLACOut;
class TMACIn;
class TTagTransfer;

// What the window's batch driver and the command line do alike with the jobs of a batch: add
// files as jobs, name a job's output, point a source at a job's audio and name the job in a
// failure's message. So the two agree on what a job is, where it writes and how it is tagged.

// Appends ".ape" files (one line each, unless Jobs has the same path) and ".cue" files (one
// line per track, unless the sheet is loaded already) to Jobs; an APE file with a cue sheet in
// its tag adds the sheet's tracks. Sheets are read in Encoding (Auto: detected). Other files
// are skipped. Goes on past a file that cannot be added, or a sheet that is refused, and
// returns one text per such file, naming it and saying why.
std::vector<std::string> AddJobFiles(const std::vector<std::string>& Files, TTextEncoding Encoding,
                                     TJobListModel& Jobs, TCueSheetList& Sheets);

// The file a job writes before the names of a batch are made unique: the source's name with
// ".flac", or "Track_<n>.flac" for a cue track, in OutputFolder (see OutputFolderOf), or beside
// the source (the sheet) when that is empty. Empty when the job's sheet is no longer loaded:
// the job fails with the reason when it starts.
std::string NaturalOutputOf(const TJob& Job, const TCueSheetList& Sheets,
                            const std::string& OutputFolder);

// Points Source at the job's audio: the whole file, or the range of a cue track (over several
// files when it spans them). Opens a cue track's files for their rates and lengths; throws
// when one cannot be opened, when the track is gone, or when it holds no audio.
void PrepareJobSource(TMACIn& Source, const TJob& Job, const TCueSheetList& Sheets);

// The settings every job's sink shares, whoever drives it: an existing output is replaced, the
// finished file waits for its tags before it takes the output's name, and the encoder's
// choices that a compression level does not set.
void ConfigureBatchSink(TFLACOut& Out);

// The padding a job's output gets: room for its tags, so they are written in place, plus some
// for a later tag editor.
uint32_t TagPaddingOf(TTagTransfer& Tags, const TJob& Job, const TCueSheetList& Sheets);

// The job as a failure's message names it: which file or which track of which sheet, the
// audio file it reads (for a track, the first of its files that cannot be opened), and Output.
TJobNames NamesOfJob(const TJob& Job, const TCueSheetList& Sheets, const std::string& Output);

}  // namespace corvane
