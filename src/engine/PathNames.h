#pragma once

#include <string>

namespace corvane {

// Path pieces with "/" as the separator.
std::string ExtractFileName(const std::string& Path);
// The folder with its trailing "/"; empty for a bare name.
std::string ExtractFilePath(const std::string& Path);
// Replaces the extension (from the last "." of the name on) or appends one.
std::string ChangeFileExt(const std::string& Path, const std::string& Extension);
// Upper-case ASCII extension with its dot (".APE"), empty without one.
std::string UpperExtension(const std::string& Path);

}  // namespace corvane
