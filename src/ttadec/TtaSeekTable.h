#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TtaError.h"
#include "TtaHeader.h"

namespace corvane::ttadec {

class TTtaFile;

// Where one TTA frame lies in the file, its CRC included.
struct TTtaFrameSpan {
  int64_t Offset = 0;
  int64_t Bytes = 0;
};

// The seek table: the size of every frame in bytes, in order, after the header and followed
// by a CRC of its own; the frames follow it. Whatever comes after the last frame (an APEv2 or
// ID3v1 tag) is not audio: the table, not the file's end, says where the audio ends.
//
// The table is checked whole at open but kept in memory a block at a time, with the offset of
// every block's first frame, so memory stays a small fraction of the table's and the file's
// size.
class TTtaSeekTable {
 public:
  // Reads and checks the table. Throws ETtaError(Damaged, at sample 0) when it is cut short or
  // fails its CRC: no frame can be found then.
  TTtaSeekTable(const TTtaFile& File, const TTtaHeader& Header);

  // The frames before the first one with an impossible size or not wholly inside the file (a
  // file cut short); all of them in a sound file.
  int64_t SoundFrames() const { return FSoundFrames; }
  // The damage that stops frame SoundFrames() from being decoded.
  ETtaError UnsoundFrameError() const;

  // Where frame Index lies; Index below SoundFrames(). Throws ETtaError(Damaged) when the table
  // reads otherwise now than it did at open (the file changed under us).
  TTtaFrameSpan Frame(int64_t Index);

  // Frames per block of the table kept in memory.
  static constexpr int64_t kBlockFrames = 1024;

 private:
  // Checks the size of frame Index at Offset.
  bool Sound(int64_t Index, int64_t Offset, uint32_t Bytes) const;
  void CheckWhole();
  void LoadBlock(int64_t Block);

  const TTtaFile& FFile;
  const TTtaHeader FHeader;
  int64_t FSoundFrames = 0;
  // What is wrong with frame FSoundFrames, when it is below the frame count.
  std::string FUnsound;
  // The offset of the first frame of every block, up to the one holding FSoundFrames.
  std::vector<int64_t> FBlockOffsets;
  // The block in FSpans, -1 for none.
  int64_t FLoaded = -1;
  std::vector<TTtaFrameSpan> FSpans;
};

}  // namespace corvane::ttadec
