#include "ApeDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>

#include "MACDllApi.h"

namespace corvane::macdll {
namespace {

// The library is a decoder, not a console program: FFmpeg's messages would only clutter the
// host's terminal, and every failure reaches the caller as an error code.
void SilenceFFmpeg() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

int32_t CodeOf(int Result, int32_t Otherwise) {
  return Result == AVERROR(ENOMEM) ? MAC_ERROR_INSUFFICIENT_MEMORY : Otherwise;
}

AVSampleFormat PlanarFormatFor(int BitsPerSample) {
  switch (BitsPerSample) {
    case 8:
      return AV_SAMPLE_FMT_U8P;
    case 16:
      return AV_SAMPLE_FMT_S16P;
    case 24:
      return AV_SAMPLE_FMT_S32P;
    default:
      return AV_SAMPLE_FMT_NONE;
  }
}

// Planar samples to interleaved little-endian frames, one frame at a time so that each
// frame's bytes are written together. The APE decoder gives 24-bit samples as 32-bit values
// shifted left by 8.
template <int Channels>
void InterleaveFrames(const AVFrame& Frame, int BitsPerSample, int64_t Offset, int64_t Count,
                      uint8_t* Dest) {
  switch (BitsPerSample) {
    case 8: {
      const uint8_t* in[Channels];
      for (int c = 0; c < Channels; ++c) in[c] = Frame.extended_data[c] + Offset;
      for (int64_t i = 0; i < Count; ++i) {
        for (int c = 0; c < Channels; ++c) *Dest++ = in[c][i];
      }
      break;
    }
    case 16: {
      const int16_t* in[Channels];
      for (int c = 0; c < Channels; ++c) {
        in[c] = reinterpret_cast<const int16_t*>(Frame.extended_data[c]) + Offset;
      }
      for (int64_t i = 0; i < Count; ++i) {
        for (int c = 0; c < Channels; ++c) {
          const auto v = static_cast<uint16_t>(in[c][i]);
          Dest[0] = static_cast<uint8_t>(v);
          Dest[1] = static_cast<uint8_t>(v >> 8);
          Dest += 2;
        }
      }
      break;
    }
    case 24: {
      const int32_t* in[Channels];
      for (int c = 0; c < Channels; ++c) {
        in[c] = reinterpret_cast<const int32_t*>(Frame.extended_data[c]) + Offset;
      }
      for (int64_t i = 0; i < Count; ++i) {
        for (int c = 0; c < Channels; ++c) {
          const auto v = static_cast<uint32_t>(in[c][i] >> 8);
          Dest[0] = static_cast<uint8_t>(v);
          Dest[1] = static_cast<uint8_t>(v >> 8);
          Dest[2] = static_cast<uint8_t>(v >> 16);
          Dest += 3;
        }
      }
      break;
    }
  }
}

}  // namespace

void TApeDecoder::TFormatDeleter::operator()(AVFormatContext* Context) const {
  avformat_close_input(&Context);
}
void TApeDecoder::TIoDeleter::operator()(AVIOContext* Context) const {
  avio_closep(&Context);
}
void TApeDecoder::TCodecDeleter::operator()(AVCodecContext* Context) const {
  avcodec_free_context(&Context);
}
void TApeDecoder::TPacketDeleter::operator()(AVPacket* Packet) const {
  av_packet_free(&Packet);
}
void TApeDecoder::TFrameDeleter::operator()(AVFrame* Frame) const {
  av_frame_free(&Frame);
}

TApeDecoder::TApeDecoder(const char* FileName) {
  SilenceFFmpeg();
  if (FileName == nullptr || *FileName == '\0') throw TMacError{MAC_ERROR_IO_READ};

  // Opened by us, through the file protocol only: a path with a ":" in it is still a path,
  // never a URL of some other protocol.
  const std::string url = std::string("file:") + FileName;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVIOContext* io = nullptr;
  int result = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
  av_dict_free(&options);
  if (result < 0) throw TMacError{CodeOf(result, MAC_ERROR_IO_READ)};
  FIo.reset(io);

  // The APE demuxer is forced: anything that is not Monkey's Audio is refused, never decoded
  // as whatever format it happens to be.
  const AVInputFormat* ape = av_find_input_format("ape");
  if (ape == nullptr) throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
  AVFormatContext* format = avformat_alloc_context();
  if (format == nullptr) throw TMacError{MAC_ERROR_INSUFFICIENT_MEMORY};
  format->pb = FIo.get();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  result = avformat_open_input(&format, "", ape, nullptr);  // frees format on failure
  if (result < 0) {
    // A read error (a folder, a failing disk) is not a verdict on the file's format.
    throw TMacError{
        CodeOf(result, FIo->error < 0 ? MAC_ERROR_IO_READ : MAC_ERROR_INVALID_INPUT_FILE)};
  }
  FFormat.reset(format);
  if (FFormat->nb_streams != 1) throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
  FStream = FFormat->streams[0];

  const AVCodecParameters& parameters = *FStream->codecpar;
  FSampleRate = parameters.sample_rate;
  FBitsPerSample = parameters.bits_per_coded_sample;
  FChannels = parameters.ch_layout.nb_channels;
  FTotalFrames = FStream->duration;
  if (parameters.codec_id != AV_CODEC_ID_APE || FSampleRate <= 0 ||
      PlanarFormatFor(FBitsPerSample) == AV_SAMPLE_FMT_NONE || FChannels < 1 || FChannels > 2 ||
      FTotalFrames == AV_NOPTS_VALUE || FTotalFrames < 0 ||
      avformat_index_get_entries_count(FStream) < 1) {
    throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
  }

  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_APE);
  if (codec == nullptr) throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
  FCodec.reset(avcodec_alloc_context3(codec));
  if (!FCodec) throw TMacError{MAC_ERROR_INSUFFICIENT_MEMORY};
  result = avcodec_parameters_to_context(FCodec.get(), &parameters);
  if (result < 0) throw TMacError{CodeOf(result, MAC_ERROR_INVALID_INPUT_FILE)};
  // Each APE frame carries a CRC of its PCM. Checked, and a mismatch made an error rather than
  // a warning, damaged audio (or audio FFmpeg decodes wrongly) never passes as good PCM.
  FCodec->err_recognition |= AV_EF_CRCCHECK | AV_EF_EXPLODE;
  FCodec->pkt_timebase = FStream->time_base;
  result = avcodec_open2(FCodec.get(), codec, nullptr);
  if (result < 0) throw TMacError{CodeOf(result, MAC_ERROR_INVALID_INPUT_FILE)};
  if (FCodec->sample_fmt != PlanarFormatFor(FBitsPerSample)) {
    throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
  }

  FPacket.reset(av_packet_alloc());
  FFrame.reset(av_frame_alloc());
  if (!FPacket || !FFrame) throw TMacError{MAC_ERROR_INSUFFICIENT_MEMORY};
}

TApeDecoder::~TApeDecoder() = default;

int32_t TApeDecoder::Read(uint8_t* Dest, int64_t Frames, int64_t& Delivered) {
  Delivered = 0;
  if (Frames < 0 || (Dest == nullptr && Frames > 0)) return MAC_ERROR_INVALID_PARAMETER;
  if (FError != 0) return FError;
  const int frameBytes = FrameBytes();
  while (Delivered < Frames && FPosition < FTotalFrames) {
    const int64_t buffered = FPosition >= FFrameStart ? FFrameStart + FFrameCount - FPosition : 0;
    if (buffered <= 0) {
      const int32_t result = DecodeNext();
      // The decoder running dry before the declared length is a damaged file, not an end.
      if (result != 0) FError = result > 0 ? result : MAC_ERROR_IO_READ;
      if (FError != 0) return FError;
      continue;
    }
    const int64_t count = std::min({buffered, Frames - Delivered, FTotalFrames - FPosition});
    Interleave(Dest + Delivered * frameBytes, count);
    Delivered += count;
    FPosition += count;
  }
  return MAC_ERROR_SUCCESS;
}

int32_t TApeDecoder::DecodeNext() {
  for (;;) {
    int result = avcodec_receive_frame(FCodec.get(), FFrame.get());
    if (result == 0) {
      if (FFrame->nb_samples <= 0 || FFrame->format != FCodec->sample_fmt ||
          FFrame->ch_layout.nb_channels != FChannels) {
        FFrameCount = 0;
        return MAC_ERROR_DECOMPRESSING_FRAME;
      }
      FFrameStart = FDecodePosition;
      FFrameCount = FFrame->nb_samples;
      FDecodePosition += FFrameCount;
      // After a seek the APE frame is decoded from its start: skip what lies before the target.
      if (FFrameStart + FFrameCount > FPosition) return 0;
      continue;
    }
    FFrameCount = 0;
    if (result == AVERROR_EOF) return -1;
    if (result != AVERROR(EAGAIN)) return CodeOf(result, MAC_ERROR_DECOMPRESSING_FRAME);
    if (FDemuxerDone) return -1;

    result = av_read_frame(FFormat.get(), FPacket.get());
    if (result == AVERROR_EOF) {
      FDemuxerDone = true;
      result = avcodec_send_packet(FCodec.get(), nullptr);  // drain what the decoder holds
      if (result < 0 && result != AVERROR_EOF) {
        return CodeOf(result, MAC_ERROR_DECOMPRESSING_FRAME);
      }
      continue;
    }
    if (result < 0) return CodeOf(result, MAC_ERROR_IO_READ);
    result = avcodec_send_packet(FCodec.get(), FPacket.get());
    av_packet_unref(FPacket.get());
    if (result < 0) return CodeOf(result, MAC_ERROR_DECOMPRESSING_FRAME);
  }
}

int32_t TApeDecoder::Seek(int64_t Frame) {
  if (Frame < 0 || Frame > FTotalFrames) return MAC_ERROR_INVALID_PARAMETER;
  FError = 0;
  FFrameStart = Frame;
  FFrameCount = 0;
  av_frame_unref(FFrame.get());
  FPosition = Frame;
  if (Frame == FTotalFrames) return MAC_ERROR_SUCCESS;  // nothing left to decode

  // Start decoding at the APE frame that holds the target; DecodeNext drops the frames
  // before it. Index timestamps are frame indices (the stream's time base is 1/rate).
  const int index = av_index_search_timestamp(FStream, Frame, AVSEEK_FLAG_BACKWARD);
  const AVIndexEntry* entry = index < 0 ? nullptr : avformat_index_get_entry(FStream, index);
  if (entry == nullptr) {
    FError = MAC_ERROR_DECOMPRESSING_FRAME;
    return FError;
  }
  const int result = av_seek_frame(FFormat.get(), 0, entry->timestamp, AVSEEK_FLAG_BACKWARD);
  if (result < 0) {
    FError = CodeOf(result, MAC_ERROR_IO_READ);
    return FError;
  }
  avcodec_flush_buffers(FCodec.get());
  FDemuxerDone = false;
  FDecodePosition = entry->timestamp;
  return MAC_ERROR_SUCCESS;
}

void TApeDecoder::Interleave(uint8_t* Dest, int64_t Count) const {
  const int64_t offset = FPosition - FFrameStart;
  if (FChannels == 1) {
    InterleaveFrames<1>(*FFrame, FBitsPerSample, offset, Count, Dest);
  } else {
    InterleaveFrames<2>(*FFrame, FBitsPerSample, offset, Count, Dest);
  }
}

}  // namespace corvane::macdll
