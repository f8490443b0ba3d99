#pragma once

#include <cstdint>
#include <string>

#include "ReadStatus.h"

namespace corvane {

// Reads an ID3v2 tag (versions 2.2, 2.3 and 2.4) at the start of a file: whether it is there,
// its whole size, and the texts of the common text frames. The FLAC reader uses Exists and Size
// to step over a tag in front of the stream marker.
class TID3v2 {
 public:
  // Frame bodies larger than this are skipped: text frames are far smaller, a larger frame is a
  // picture or a hostile file.
  static constexpr int64_t kMaxFrameSize = 1 << 20;

  TID3v2() { Reset(); }
  void Reset();
  // Read: the tag and its frames. NotThisFormat: no ID3v2 tag at the start of the file, or
  // one of a version (or compression) whose frames this reader does not read; Exists and Size
  // still say where it ends. Damaged: a size past the end of the file (Size is 0 then), or a
  // frame that breaks the tag, which ends the reading; the frames before it are kept.
  // FileFailed: the file could not be opened or read.
  TReadStatus Read(const std::string& FileName);

  bool Exists = false;  // the file starts with "ID3"
  uint8_t Version = 0;  // major version: 2, 3 or 4 for tags this reader understands
  // Whole tag size, header and footer included; 0 when that would reach past the end of the file.
  int64_t Size = 0;
  std::string Title;      // TIT2, else TIT1
  std::string Artist;     // TPE1, else TOPE
  std::string Album;      // TALB, else TOAL
  uint16_t Track = 0;     // TRCK's number ("5/12" gives 5), cut to 16 bits
  std::string TrackText;  // TRCK as written
  std::string Year;       // TYER, else the first four characters of TDRC
  std::string Genre;      // TCON without a leading "(17)" style reference
  std::string Comment;    // COMM's text after its language and description
  std::string Composer;   // TCOM
  std::string Encoder;    // TENC
  std::string Copyright;  // TCOP
  std::string Language;   // TLAN
  std::string Link;       // WXXX's address after its description
  std::string SizeText;   // TSIZ
};

}  // namespace corvane
