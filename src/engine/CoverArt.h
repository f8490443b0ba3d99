#pragma once

#include <optional>
#include <string>

#include "APEtag.h"
#include "FlacPicture.h"

namespace corvane {

// A front cover looked for: the picture to embed, or, when one was found that cannot be
// embedded (too large for a FLAC picture block, not an image, unreadable), a note for the
// user saying so. Neither when there is no cover at all.
struct TCoverSearch {
  std::optional<TFlacPicture> Picture;
  std::string Note;
};

// The "Cover Art (Front)" item of Tag, read from the file Source.
TCoverSearch CoverOfApeTag(const TAPEtag& Tag, const std::string& Source);
// The cover image beside a cue sheet: in Folder, the file named cover, folder or front (in
// that order of preference) with the extension .jpg, .jpeg or .png, in any letter case. Empty
// when there is none.
std::string FolderCoverFile(const std::string& Folder);
// The image file File as a front cover.
TCoverSearch CoverOfFile(const std::string& File);

}  // namespace corvane
