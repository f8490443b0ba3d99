#include "FlacDecode.h"

#include <FLAC/stream_decoder.h>

#include <cstring>
#include <memory>

namespace corvane::test {
namespace {

FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* Frame,
                                       const FLAC__int32* const Buffer[], void* Client) {
  auto& out = *static_cast<TDecodedFlac*>(Client);
  const unsigned bits = Frame->header.bits_per_sample;
  const unsigned bytes = bits / 8;
  for (unsigned i = 0; i < Frame->header.blocksize; ++i) {
    for (unsigned c = 0; c < Frame->header.channels; ++c) {
      int32_t sample = Buffer[c][i];
      if (bytes == 1) sample += 128;
      for (unsigned b = 0; b < bytes; ++b) out.Pcm.push_back(static_cast<uint8_t>(sample >> (8 * b)));
    }
  }
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* Block, void* Client) {
  if (Block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
  auto& out = *static_cast<TDecodedFlac*>(Client);
  const auto& info = Block->data.stream_info;
  out.BitsPerSample = static_cast<int>(info.bits_per_sample);
  out.Channels = static_cast<int>(info.channels);
  out.SampleRate = static_cast<int>(info.sample_rate);
  out.TotalSamples = info.total_samples;
  std::memcpy(out.Md5.data(), info.md5sum, 16);
}

void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus Status, void* Client) {
  auto& out = *static_cast<TDecodedFlac*>(Client);
  if (out.Error.empty()) out.Error = FLAC__StreamDecoderErrorStatusString[Status];
}

}  // namespace

TDecodedFlac DecodeFlacFile(const std::string& Path) {
  TDecodedFlac out;
  std::unique_ptr<FLAC__StreamDecoder, decltype(&FLAC__stream_decoder_delete)> decoder(
      FLAC__stream_decoder_new(), &FLAC__stream_decoder_delete);
  FLAC__stream_decoder_set_md5_checking(decoder.get(), true);
  if (FLAC__stream_decoder_init_file(decoder.get(), Path.c_str(), OnWrite, OnMetadata, OnError,
                                     &out) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
    out.Error = "cannot open " + Path;
    return out;
  }
  const bool decoded = FLAC__stream_decoder_process_until_end_of_stream(decoder.get());
  const auto state = FLAC__stream_decoder_get_state(decoder.get());
  const bool md5Ok = FLAC__stream_decoder_finish(decoder.get());
  if (!decoded || state != FLAC__STREAM_DECODER_END_OF_STREAM) {
    if (out.Error.empty()) out.Error = FLAC__StreamDecoderStateString[state];
  } else if (!md5Ok) {
    out.Error = "MD5 signature mismatch";
  }
  out.Ok = out.Error.empty();
  return out;
}

}  // namespace corvane::test
