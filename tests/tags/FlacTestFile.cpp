#include "FlacTestFile.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <memory>
#include <stdexcept>

#include "PcmSignal.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

void Append32Le(TBytes& Out, uint32_t Value) {
  for (int shift = 0; shift < 32; shift += 8) Out.push_back(static_cast<uint8_t>(Value >> shift));
}

TFlacStream Encode() {
  const TPcmFormat format{16, 2, 44100};
  const int64_t frames = 9000;
  const TBytes pcm = MakePcm(format, frames, TSignal::Tone);
  std::vector<FLAC__int32> samples(pcm.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
  }
  TScratchDir dir;
  const std::string path = dir.File("source.flac");
  std::unique_ptr<FLAC__StreamEncoder, decltype(&FLAC__stream_encoder_delete)> encoder(
      FLAC__stream_encoder_new(), &FLAC__stream_encoder_delete);
  FLAC__stream_encoder_set_channels(encoder.get(), 2);
  FLAC__stream_encoder_set_bits_per_sample(encoder.get(), 16);
  FLAC__stream_encoder_set_sample_rate(encoder.get(), 44100);
  FLAC__stream_encoder_set_total_samples_estimate(encoder.get(), frames);
  if (FLAC__stream_encoder_init_file(encoder.get(), path.c_str(), nullptr, nullptr) !=
          FLAC__STREAM_ENCODER_INIT_STATUS_OK ||
      !FLAC__stream_encoder_process_interleaved(encoder.get(), samples.data(), frames) ||
      !FLAC__stream_encoder_finish(encoder.get())) {
    throw std::runtime_error("libFLAC could not encode the test stream");
  }
  const TBytes file = ReadFileBytes(path);
  // Step over the encoder's own metadata to the first frame.
  size_t pos = 4;
  TFlacStream stream;
  stream.StreamInfo.assign(file.begin() + 8, file.begin() + 42);
  for (bool last = false; !last;) {
    last = (file.at(pos) & 0x80) != 0;
    pos += 4 + (size_t{file[pos + 1]} << 16 | size_t{file[pos + 2]} << 8 | file[pos + 3]);
  }
  stream.Audio.assign(file.begin() + static_cast<std::ptrdiff_t>(pos), file.end());
  return stream;
}

}  // namespace

const TFlacStream& EncodedStream() {
  static const TFlacStream stream = Encode();
  return stream;
}

TBlock Comment(const std::string& Vendor, const std::vector<std::string>& Entries) {
  TBlock block{4, {}};
  Append32Le(block.Body, static_cast<uint32_t>(Vendor.size()));
  block.Body.insert(block.Body.end(), Vendor.begin(), Vendor.end());
  Append32Le(block.Body, static_cast<uint32_t>(Entries.size()));
  for (const auto& entry : Entries) {
    Append32Le(block.Body, static_cast<uint32_t>(entry.size()));
    block.Body.insert(block.Body.end(), entry.begin(), entry.end());
  }
  return block;
}

TBytes BlockHeader(int Type, size_t Length, bool Last) {
  return {static_cast<uint8_t>(Type | (Last ? 0x80 : 0)), static_cast<uint8_t>(Length >> 16),
          static_cast<uint8_t>(Length >> 8), static_cast<uint8_t>(Length)};
}

TBytes Concat(std::initializer_list<TBytes> Parts) {
  TBytes out;
  for (const auto& part : Parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TBytes AssembleFlac(const std::vector<TBlock>& Blocks, const TBytes& Prefix) {
  const TFlacStream& stream = EncodedStream();
  TBytes out = Prefix;
  for (char c : std::string("fLaC")) out.push_back(static_cast<uint8_t>(c));
  const TBytes info = BlockHeader(0, 34, Blocks.empty());
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), stream.StreamInfo.begin(), stream.StreamInfo.end());
  for (size_t i = 0; i < Blocks.size(); ++i) {
    const TBytes header =
        BlockHeader(Blocks[i].Type, Blocks[i].Body.size(), i + 1 == Blocks.size());
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), Blocks[i].Body.begin(), Blocks[i].Body.end());
  }
  out.insert(out.end(), stream.Audio.begin(), stream.Audio.end());
  return out;
}

TComments ReadCommentsWithLibFlac(const std::string& Path) {
  TComments out;
  FLAC__StreamMetadata* tags = nullptr;
  if (!FLAC__metadata_get_tags(Path.c_str(), &tags)) return out;
  const auto& comment = tags->data.vorbis_comment;
  out.Vendor.assign(reinterpret_cast<const char*>(comment.vendor_string.entry),
                    comment.vendor_string.length);
  for (uint32_t i = 0; i < comment.num_comments; ++i) {
    out.Entries.emplace_back(reinterpret_cast<const char*>(comment.comments[i].entry),
                             comment.comments[i].length);
  }
  FLAC__metadata_object_delete(tags);
  out.Ok = true;
  return out;
}

TBlock Picture(uint32_t Type, const std::string& Data) {
  TBlock block{6, {}};
  const auto put32 = [&](uint32_t Value) {
    for (int shift = 24; shift >= 0; shift -= 8)
      block.Body.push_back(static_cast<uint8_t>(Value >> shift));
  };
  const std::string mime = "image/png";
  put32(Type);
  put32(static_cast<uint32_t>(mime.size()));
  block.Body.insert(block.Body.end(), mime.begin(), mime.end());
  put32(0);
  for (int field = 0; field < 4; ++field) put32(1);
  put32(static_cast<uint32_t>(Data.size()));
  block.Body.insert(block.Body.end(), Data.begin(), Data.end());
  return block;
}

TChain ReadChainWithLibFlac(const std::string& Path) {
  TChain out;
  std::unique_ptr<FLAC__Metadata_Chain, decltype(&FLAC__metadata_chain_delete)> chain(
      FLAC__metadata_chain_new(), &FLAC__metadata_chain_delete);
  if (!FLAC__metadata_chain_read(chain.get(), Path.c_str())) return out;
  std::unique_ptr<FLAC__Metadata_Iterator, decltype(&FLAC__metadata_iterator_delete)> it(
      FLAC__metadata_iterator_new(), &FLAC__metadata_iterator_delete);
  FLAC__metadata_iterator_init(it.get(), chain.get());
  do {
    const FLAC__StreamMetadata* block = FLAC__metadata_iterator_get_block(it.get());
    out.BlockTypes.push_back(static_cast<int>(block->type));
    if (block->type != FLAC__METADATA_TYPE_PICTURE) continue;
    const FLAC__StreamMetadata_Picture& picture = block->data.picture;
    TPictureRead read;
    read.Type = static_cast<uint32_t>(picture.type);
    read.MimeType = picture.mime_type;
    read.Description = reinterpret_cast<const char*>(picture.description);
    read.Width = picture.width;
    read.Height = picture.height;
    read.Depth = picture.depth;
    read.Colors = picture.colors;
    read.Data.assign(reinterpret_cast<const char*>(picture.data), picture.data_length);
    out.Pictures.push_back(std::move(read));
  } while (FLAC__metadata_iterator_next(it.get()));
  out.Ok = true;
  return out;
}

}  // namespace corvane::test
