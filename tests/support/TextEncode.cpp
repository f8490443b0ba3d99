#include "TextEncode.h"

#include <iconv.h>

#include <stdexcept>

namespace corvane::test {

std::string EncodeUtf8As(const std::string& Text, const std::string& Charset) {
  iconv_t cd = iconv_open(Charset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no " + Charset + " in iconv");
  std::string out(Text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(Text.data());
  size_t inLeft = Text.size();
  char* dest = out.data();
  size_t outLeft = out.size();
  const size_t result = iconv(cd, &in, &inLeft, &dest, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) throw std::runtime_error("not " + Charset + ": " + Text);
  out.resize(out.size() - outLeft);
  return out;
}

std::string SampleCueSheet(const std::string& Album, const std::string& Performer,
                           const std::vector<std::string>& Titles) {
  std::string text = "REM GENRE Pop\r\nREM DATE 2001\r\nREM COMMENT \"ExactAudioCopy v0.99pb5\"\r\n"
                     "PERFORMER \"" + Performer + "\"\r\nTITLE \"" + Album + "\"\r\n"
                     "FILE \"CDImage.wav\" WAVE\r\n";
  for (size_t t = 0; t < Titles.size(); ++t) {
    const std::string number = (t + 1 < 10 ? "0" : "") + std::to_string(t + 1);
    text += "  TRACK " + number + " AUDIO\r\n    TITLE \"" + Titles[t] + "\"\r\n";
    text += "    PERFORMER \"" + Performer + "\"\r\n";
    text += "    INDEX 01 " + (t < 10 ? "0" + std::to_string(t) : std::to_string(t)) + ":00:00\r\n";
  }
  return text;
}

}  // namespace corvane::test
