#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Job.h"
#include "OutputNames.h"

namespace corvane {

// What a name template can say about one job.
struct TNameFields {
  std::string Track;  // the track number, zero-padded to two digits; empty when not known
  std::string Title, Artist, Album, AlbumArtist, Date, Disc;
  std::string Source;  // the source's file name without its folder and extension
  // The file name (without ".flac") the job gets when the template gives an empty one.
  std::string Fallback;
};

// A template that cannot be used; the text says why.
class ENameTemplateError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Output names made from a pattern such as "{albumartist}/{album}/{track} - {title}": text with
// fields in braces ("{{" and "}}" stand for the braces themselves) and "/" between folders.
//
// A field's value can never change where a file goes: "/" and control characters in it become
// "_", and a folder or file name that a value leaves empty is dropped, or gives the fallback
// name when it is the file's. The spaces and punctuation joining an empty field to its
// neighbour go with it: "{track} - {title}" without a title gives "05", not "05 -". A name
// longer than a file system takes is shortened.
class TNameTemplate {
 public:
  // Throws ENameTemplateError for an unknown field, an unmatched brace, or a template that
  // names no file.
  explicit TNameTemplate(std::string_view Text);

  // The path the fields give, with ".flac" appended: relative, unless the template begins
  // with "/".
  std::string Expand(const TNameFields& Fields) const;

  struct TFieldInfo {
    const char* Name;
    // Marked in AppTexts.h and translated where shown (TextOf): the list is made once, and
    // the language may change after.
    const char* Meaning;
  };
  // Every field, in the order the help lists them.
  static const std::vector<TFieldInfo>& FieldList();

 private:
  struct TPiece {
    std::string Text;  // literal text, when Field is negative
    int Field = -1;    // index into FieldList
  };
  // The template split at "/": one list of pieces per folder, the last for the file.
  std::vector<std::vector<TPiece>> FComponents;
  bool FAbsolute = false;
};

// The fields of a job: a cue track's from its sheet, a whole file's from its APE tag (read
// now; a file without one gives only its name).
TNameFields NameFieldsOf(const TJob& Job);

// Where Job writes when Template names it: in OutputFolder (as OutputFolderOf gives it), or
// beside the source (the sheet) when that is empty.
std::string TemplateOutputOf(const TJob& Job, const std::string& OutputFolder,
                             const TNameTemplate& Template);

}  // namespace corvane
