#pragma once

#include <cstdint>
#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct AVStream;

namespace corvane::macdll {

// A failure with one of the library's error codes, raised inside the library only.
struct TMacError {
  int32_t Code;
};

// One Monkey's Audio file opened for decoding with FFmpeg's APE demuxer and decoder, handing
// out interleaved little-endian PCM frames from any frame index.
class TApeDecoder {
 public:
  // Throws TMacError: MAC_ERROR_IO_READ when the file cannot be opened,
  // MAC_ERROR_INVALID_INPUT_FILE when it is not a Monkey's Audio file we can decode.
  explicit TApeDecoder(const char* FileName);
  TApeDecoder(const TApeDecoder&) = delete;
  TApeDecoder& operator=(const TApeDecoder&) = delete;
  ~TApeDecoder();

  int SampleRate() const { return FSampleRate; }
  int BitsPerSample() const { return FBitsPerSample; }
  int Channels() const { return FChannels; }
  int64_t TotalFrames() const { return FTotalFrames; }
  int FrameBytes() const { return FBitsPerSample / 8 * FChannels; }

  // Writes up to Frames frames to Dest; see c_APEDecompress_GetData.
  int32_t Read(uint8_t* Dest, int64_t Frames, int64_t& Delivered);
  int32_t Seek(int64_t Frame);

 private:
  struct TFormatDeleter {
    void operator()(AVFormatContext* Context) const;
  };
  struct TIoDeleter {
    void operator()(AVIOContext* Context) const;
  };
  struct TCodecDeleter {
    void operator()(AVCodecContext* Context) const;
  };
  struct TPacketDeleter {
    void operator()(AVPacket* Packet) const;
  };
  struct TFrameDeleter {
    void operator()(AVFrame* Frame) const;
  };

  // Makes FFrame hold decoded frames at or after FPosition. Returns 0, a negative value at
  // the end of the decoder's data, or an error code.
  int32_t DecodeNext();
  void Interleave(uint8_t* Dest, int64_t Count) const;

  // Declared in the order they must be freed in reverse: the format context reads through FIo.
  std::unique_ptr<AVIOContext, TIoDeleter> FIo;
  std::unique_ptr<AVFormatContext, TFormatDeleter> FFormat;
  std::unique_ptr<AVCodecContext, TCodecDeleter> FCodec;
  std::unique_ptr<AVPacket, TPacketDeleter> FPacket;
  std::unique_ptr<AVFrame, TFrameDeleter> FFrame;
  AVStream* FStream = nullptr;

  int FSampleRate = 0;
  int FBitsPerSample = 0;
  int FChannels = 0;
  int64_t FTotalFrames = 0;

  // Frame index of the next frame handed out.
  int64_t FPosition = 0;
  // Frame index of FFrame's first frame, and how many of its frames are valid (0: none).
  int64_t FFrameStart = 0;
  int FFrameCount = 0;
  // Frame index the next decoded frame starts at.
  int64_t FDecodePosition = 0;
  bool FDemuxerDone = false;
  // A failure is kept until the next seek, so a damaged stream never resumes quietly.
  int32_t FError = 0;
};

}  // namespace corvane::macdll
