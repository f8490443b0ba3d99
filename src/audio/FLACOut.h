#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ACSFileOut.h"
#include "PcmTap.h"
#include "StagedFile.h"

namespace corvane {

class TFLACEncoder;

// Encodes the PCM of its Input into a FLAC file, one block of BlockSize frames per worker
// cycle. The encoder settings are read when a run starts; changing them during a run affects
// the next one.
//
// A run writes a hidden temporary file beside FileName (TStagedFile); whatever stands at
// FileName is touched only when a complete run's file is renamed over it. A run is complete
// when its input ran out. A run that fails (the encoder, the disk or the source) or is
// stopped, also by destroying the sink, removes its temporary file: nothing short is ever
// left under the final name, and an older file there survives.
//
// With AutoCommit (the default) a complete run's file replaces FileName at once. Without it
// the file stays under its temporary name, FinishedFile, for the owner to write its tags into
// and then commit or discard; the next Start and the sink's destruction discard it.
class TFLACOut : public TACSFileOut {
 public:
  // Throws EACSException when libFLAC is not loaded.
  TFLACOut();
  ~TFLACOut() override;

  bool Verify() const { return FVerify; }
  void SetVerify(bool Value) { FVerify = Value; }
  uint16_t BlockSize() const { return FBlockSize; }
  void SetBlockSize(uint16_t Value) { FBlockSize = Value; }
  // Exhaustive model search; switching it on also selects exact mid-side stereo.
  bool BestModelSearch() const { return FBestModelSearch; }
  void SetBestModelSearch(bool Value);
  bool EnableMidSideStereo() const { return FEnableMidSideStereo; }
  void SetEnableMidSideStereo(bool Value) { FEnableMidSideStereo = Value; }
  // Loose mid-side stereo only refines mid-side stereo, so switching it on switches that on.
  bool EnableLooseMidSideStereo() const { return FEnableLooseMidSideStereo; }
  void SetEnableLooseMidSideStereo(bool Value);
  uint16_t MaxLPCOrder() const { return FMaxLPCOrder; }
  void SetMaxLPCOrder(uint16_t Value) { FMaxLPCOrder = Value; }
  // 0 lets the library choose. A run lowers a value that its sample depth cannot take.
  uint16_t QLPCoeffPrecision() const { return FQLPCoeffPrecision; }
  void SetQLPCoeffPrecision(uint16_t Value) { FQLPCoeffPrecision = Value; }
  bool QLPCoeffPrecisionSearch() const { return FQLPCoeffPrecisionSearch; }
  void SetQLPCoeffPrecisionSearch(bool Value) { FQLPCoeffPrecisionSearch = Value; }
  uint16_t MaxResidualPartitionOrder() const { return FMaxResidualPartitionOrder; }
  void SetMaxResidualPartitionOrder(uint16_t Value) { FMaxResidualPartitionOrder = Value; }
  uint16_t MinResidualPartitionOrder() const { return FMinResidualPartitionOrder; }
  void SetMinResidualPartitionOrder(uint16_t Value) { FMinResidualPartitionOrder = Value; }
  // Bytes of padding written behind the comment block, so that tags written into the file
  // afterwards fit in place instead of needing a second copy of it; 0 for none. Values near
  // or past the block's 24-bit length are lowered to what the library takes (0xFF0000).
  uint32_t PaddingReserve() const { return FPaddingReserve; }
  void SetPaddingReserve(uint32_t Value);

  // What sees the next runs' PCM as it is encoded; none by default. Between runs.
  void SetPcmTap(std::shared_ptr<TPcmTap> Tap) { FPcmTap = std::move(Tap); }

  // Between runs, on the user-interface thread.
  bool AutoCommit() const { return FAutoCommit; }
  void SetAutoCommit(bool Value) { FAutoCommit = Value; }
  // The temporary file of the last run, complete and waiting to be committed; empty when
  // there is none.
  const std::string& FinishedFile() const { return FFinished.TemporaryName(); }
  // Renames FinishedFile over the run's FileName. Throws EFileError naming that file, after
  // which the finished file is gone and the final name untouched.
  void CommitFinishedFile() { FFinished.Commit(); }
  void DiscardFinishedFile() { FFinished.Discard(); }

 protected:
  void PrepareOutput() override;
  bool ProcessBlock(bool Abort) override;
  void FinishOutput() override;

 private:
  void ConfigureEncoder(TACSInput& Source);
  // Releases what the run holds (encoder, buffers, file, read pass). Complete: finish the
  // stream and keep the file; otherwise abandon it and remove the file. Throws when a complete
  // run could not be finished, after removing its file.
  void CloseRun(bool Complete);
  // Reads up to one block from Input; the bytes it got.
  int64_t FillBlock();

  // Published settings; written and read on the user-interface thread only.
  bool FVerify = false;
  uint16_t FBlockSize = 4608;
  bool FBestModelSearch = false;
  bool FEnableMidSideStereo = true;
  uint16_t FMaxLPCOrder = 0;
  bool FEnableLooseMidSideStereo = false;
  uint16_t FQLPCoeffPrecision = 0;
  bool FQLPCoeffPrecisionSearch = false;
  uint16_t FMaxResidualPartitionOrder = 0;
  uint16_t FMinResidualPartitionOrder = 0;
  uint32_t FPaddingReserve = 0;
  bool FAutoCommit = true;
  std::shared_ptr<TPcmTap> FPcmTap;

  // The current run: made by PrepareOutput, then used by the worker alone until CloseRun.
  std::unique_ptr<TFLACEncoder> FEncoder;  // declared after FStream (base): released first
  std::vector<uint8_t> FBlockBuffer;       // one block of input PCM
  std::vector<int32_t> FSamples;           // the same block widened for the library
  int FBytesPerSample = 0;
  int FChannels = 0;
  bool FEndOfInput = false;
  bool FReadPassOpen = false;
  TStagedFile FRunFile;  // where this run writes

  // A complete run's file waiting for its owner: set by the worker as the run ends, used by
  // the user-interface thread once the done notification has told it so.
  TStagedFile FFinished;
};

}  // namespace corvane
