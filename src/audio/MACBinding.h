#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "SourceError.h"

namespace corvane {

// Loads libMACDll.so, the Monkey's Audio decoder, first from the executable's own folder and
// then from the system's library path. The library counts as loaded only when all five
// decoder entry points resolve. Called once at start-up, before any thread; later calls only
// report the state.
bool LoadMACDll();
bool MACDllLoaded();
// The library's file name: the one loaded, else the first one looked for. Messages name it,
// so a user looks for the file the program really loads.
const std::string& MACDllFileName();

// For tests: load the first of Candidates that has every entry point, replacing the library
// loaded now (an empty list leaves none loaded). No decoder may be alive.
bool LoadMACDllFrom(const std::vector<std::string>& Candidates);
void UnloadMACDll();

// The text of one of the library's error codes.
std::string MACErrorText(int32_t Code);

// What one of the library's error codes means to whoever tells the user.
TSourceFault SourceFaultOfCode(int32_t Code);

// An error reported by the decoder library: "MACDll error: " and the code's text.
class EAPEException : public ESourceError {
 public:
  explicit EAPEException(int32_t Code);
  // The code's text followed by Detail in parentheses, when Detail is not empty. FileName is
  // the file the library refused, when the message should name it.
  EAPEException(int32_t Code, const std::string& Detail, std::string FileName = {});
  int32_t Code() const noexcept { return FCode; }

 protected:
  EAPEException(int32_t Code, std::string FileName, double DamagedAt);

 private:
  int32_t FCode;
};

// Damaged data, or data that ends before its declared length, met while decoding; says where.
class EAPEDataError : public EAPEException {
 public:
  EAPEDataError(int32_t Code, std::string FileName, int64_t Frame, int SampleRate)
      : EAPEException(Code, std::move(FileName),
                      SampleRate > 0 ? static_cast<double>(Frame) / SampleRate : 0.0),
        FFrame(Frame),
        FSampleRate(SampleRate) {}
  // The first frame of that file that could not be delivered.
  int64_t Frame() const noexcept { return FFrame; }
  double Seconds() const noexcept {
    return FSampleRate > 0 ? static_cast<double>(FFrame) / FSampleRate : 0.0;
  }

 private:
  int64_t FFrame;
  int FSampleRate;
};

// "Monkey's Audio 3.99, 32-bit, 2 channels": what the library reports of a file it refuses.
std::string ApeFormatText(int64_t Version, int64_t BitsPerSample, int64_t Channels);

// One decoder of the library, open on one file.
class TAPEDecompress {
 public:
  // Throws EAPEException when the library reports an error, EACSException without a library.
  explicit TAPEDecompress(std::string FileName);
  TAPEDecompress(const TAPEDecompress&) = delete;
  TAPEDecompress& operator=(const TAPEDecompress&) = delete;
  ~TAPEDecompress();

  bool HasHandle() const { return FHandle != nullptr; }
  const std::string& FileName() const { return FFileName; }

  // Up to Frames whole frames into Dest; Delivered gets the count. Returns the library's
  // result: 0, or an error code for damaged data or data that ends before its length.
  int32_t GetData(uint8_t* Dest, int64_t Frames, int64_t& Delivered);
  int64_t GetInfo(int32_t Field, int64_t Param1 = 0, int64_t Param2 = 0);
  // Makes the next GetData start at Frame; returns the library's result.
  int32_t Seek(int64_t Frame);

  // As the header stores it, which may be more than an int holds.
  int64_t SampleRate();
  int BitsPerSample();
  int Channels();
  // Bytes of the whole file's decoded PCM.
  int64_t PcmBytes();
  int64_t LengthMs();
  // Sample frames per APE frame, the unit the library decodes at once; 0 when it does not say.
  int64_t BlocksPerFrame();

 private:
  void* FHandle = nullptr;
  std::string FFileName;
  int32_t FErrorCode = 0;
};

}  // namespace corvane
