#pragma once

#include <string>
#include <vector>

namespace corvane::test {

// UTF-8 text re-encoded with iconv into Charset, for files written the way other tools do.
// Throws std::runtime_error when Charset cannot hold the text.
std::string EncodeUtf8As(const std::string& Text, const std::string& Charset);

// A small cue sheet with the given album texts and one track per title, in UTF-8.
std::string SampleCueSheet(const std::string& Album, const std::string& Performer,
                           const std::vector<std::string>& Titles);

}  // namespace corvane::test
