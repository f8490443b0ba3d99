#pragma once

#include <cstdint>
#include <string>

#include "ACSInput.h"

namespace corvane {

// A source reading a named file, with a range of sample frames and an optional loop.
// Sizes and frame indices are 64-bit: a CD image easily passes 2 GiB of PCM.
class TACSFileIn : public TACSInput {
 public:
  const std::string& FileName() const { return FFileName; }
  void SetFileName(std::string Value) { FFileName = std::move(Value); }
  bool Loop() const { return FLoop; }
  void SetLoop(bool Value) { FLoop = Value; }
  // First frame of the range.
  int64_t StartSample() const { return FStartSample; }
  void SetStartSample(int64_t Value) { FStartSample = Value; }
  // One past the last frame of the range; -1 is the end of the file.
  int64_t EndSample() const { return FEndSample; }
  void SetEndSample(int64_t Value) { FEndSample = Value; }
  // Frames in the whole file; valid once the file has been opened.
  int64_t TotalSamples() const { return FTotalSamples; }
  int OpenCount() const { return FOpenCount; }

  void BeginRead() override;
  void EndRead() override;
  void ForceFinish() override;

  // Opens the file; nested calls only count.
  virtual void OpenSource() = 0;
  // Undoes one OpenSource; the file is really closed when the count falls from 1.
  virtual void CloseSource() = 0;
  // Positions the reader at frame Sample; true when it did.
  virtual bool SeekSample(int64_t Sample) = 0;

 protected:
  std::string FFileName;
  int FOpenCount = 0;
  // Format of the open file, filled by OpenSource.
  int FBitsPerSample = 0;
  int FSampleRate = 0;
  int FChannels = 0;
  bool FLoop = false;
  int64_t FStartSample = 0;
  int64_t FEndSample = -1;
  int64_t FTotalSamples = 0;
};

// Keeps a source's file open for one query of its format.
class TOpenForQuery {
 public:
  explicit TOpenForQuery(TACSFileIn& Source) : FSource(Source) { FSource.OpenSource(); }
  TOpenForQuery(const TOpenForQuery&) = delete;
  TOpenForQuery& operator=(const TOpenForQuery&) = delete;
  ~TOpenForQuery() { FSource.CloseSource(); }

 private:
  TACSFileIn& FSource;
};

}  // namespace corvane
