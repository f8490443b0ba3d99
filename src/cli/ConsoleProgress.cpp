#include "ConsoleProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "CliTexts.h"

namespace corvane {
namespace {

constexpr const char* kEllipsis = "\u2026";

// One character of a text as the terminal shows it: its bytes and the columns it takes.
struct TGlyph {
  size_t Bytes = 1;
  int Columns = 1;
};

bool IsWide(char32_t Code) {
  return (Code >= 0x1100 && Code <= 0x115F) || (Code >= 0x2E80 && Code <= 0xA4CF) ||
         (Code >= 0xAC00 && Code <= 0xD7A3) || (Code >= 0xF900 && Code <= 0xFAFF) ||
         (Code >= 0xFE30 && Code <= 0xFE4F) || (Code >= 0xFF00 && Code <= 0xFF60) ||
         (Code >= 0xFFE0 && Code <= 0xFFE6) || (Code >= 0x20000 && Code <= 0x3FFFD);
}

TGlyph GlyphAt(const std::string& Text, size_t At) {
  const auto lead = static_cast<unsigned char>(Text[At]);
  const size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
  if (length <= 1 || At + length > Text.size()) return {};
  char32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(Text[At + i]);
    if ((next & 0xC0) != 0x80) return {};
    code = (code << 6) | (next & 0x3F);
  }
  return {length, IsWide(code) ? 2 : 1};
}

std::vector<TGlyph> GlyphsOf(const std::string& Text) {
  std::vector<TGlyph> glyphs;
  for (size_t at = 0; at < Text.size(); at += glyphs.back().Bytes) {
    glyphs.push_back(GlyphAt(Text, at));
  }
  return glyphs;
}

// Terminal control: lines that do not wrap while the drawing is made (a wrapped line would
// throw the count of lines to erase off), and the erasing itself.
constexpr const char* kNoWrap = "\x1b[?7l";
constexpr const char* kWrap = "\x1b[?7h";

std::string PercentText(int Percent) {
  std::string text = std::to_string(Percent) + "%";
  return std::string(text.size() < 4 ? 4 - text.size() : 0, ' ') + text;
}

}  // namespace

std::string FitColumns(const std::string& Text, int Columns, TCut Where) {
  const std::vector<TGlyph> glyphs = GlyphsOf(Text);
  int width = 0;
  for (const TGlyph& glyph : glyphs) width += glyph.Columns;
  if (width <= Columns) return Text;
  if (Columns < 1) return {};
  const int room = Columns - 1;  // the ellipsis takes one
  const int tailRoom = Where == TCut::Middle ? room / 3 : 0;
  size_t head = 0;
  size_t headBytes = 0;
  for (int used = 0; head < glyphs.size() && used + glyphs[head].Columns <= room - tailRoom;
       ++head) {
    used += glyphs[head].Columns;
    headBytes += glyphs[head].Bytes;
  }
  size_t tailBytes = 0;
  for (int used = 0, i = static_cast<int>(glyphs.size()) - 1;
       i >= 0 && used + glyphs[static_cast<size_t>(i)].Columns <= tailRoom; --i) {
    used += glyphs[static_cast<size_t>(i)].Columns;
    tailBytes += glyphs[static_cast<size_t>(i)].Bytes;
  }
  return Text.substr(0, headBytes) + kEllipsis + Text.substr(Text.size() - tailBytes);
}

int TerminalColumns(std::FILE* Out) {
  winsize size{};
  if (::ioctl(::fileno(Out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    int value = 0;
    const char* end = columns + std::strlen(columns);
    const auto [stop, error] = std::from_chars(columns, end, value);
    if (error == std::errc() && stop == end && value > 0) return value;
  }
  return 80;
}

TConsoleProgress::TConsoleProgress(TMode Mode, std::FILE* Out, std::FILE* Err)
    : FMode(Mode), FOut(Out), FErr(Err) {}

TConsoleProgress::~TConsoleProgress() {
  Finish();
}

void TConsoleProgress::Print(const std::string& Line) {
  if (FMode == TMode::Quiet) return;
  Erase();
  std::fprintf(FOut, "%s\n", EscapeControls(Line).c_str());
  std::fflush(FOut);
  Redraw();
}

void TConsoleProgress::PrintNote(const std::string& Line) {
  if (FMode != TMode::Quiet) PrintError(Line);
}

void TConsoleProgress::PrintError(const std::string& Line) {
  Erase();
  std::fprintf(FErr, "%s\n", EscapeControls(Line).c_str());
  std::fflush(FErr);
  Redraw();
}

void TConsoleProgress::Draw(std::vector<TRunning> Running, const TTotal& Total) {
  if (FMode != TMode::Terminal) return;
  FRunning = std::move(Running);
  FTotal = Total;
  FDrawing = true;
  Erase();
  Redraw();
}

void TConsoleProgress::Finish() {
  Erase();
  FDrawing = false;
}

void TConsoleProgress::Erase() {
  if (FDrawnLines == 0) return;
  // Up to the first line drawn, and away with everything from there on.
  std::fprintf(FOut, "\r\x1b[%dA\x1b[J", FDrawnLines);
  std::fflush(FOut);
  FDrawnLines = 0;
}

void TConsoleProgress::Redraw() {
  if (!FDrawing || FMode != TMode::Terminal) return;
  // The last column stays free: a terminal that ignores the no-wrap mode wraps a full line.
  const int columns = TerminalColumns(FOut) - 1;
  std::string text = kNoWrap;
  for (const TRunning& job : FRunning) {
    const std::string percent = PercentText(job.Percent) + "  ";
    text +=
        FitColumns(percent + FitColumns(EscapeControls(job.Label, false),
                                        columns - static_cast<int>(percent.size()), TCut::Middle),
                   columns, TCut::End) +
        "\n";
  }
  const int percent = static_cast<int>(std::floor(FTotal.Fraction * 100.0));
  std::string total =
      PercentText(percent) + "  " +
      FormatText(clitexts::kTotal, {std::to_string(FTotal.Ended), std::to_string(FTotal.Jobs),
                                    ClockText(FTotal.Elapsed)});
  // Too early to tell until a little of the work is done.
  if (FTotal.Fraction >= 0.01 && FTotal.Fraction < 1.0) {
    total += FormatText(clitexts::kTimeLeft,
                        {ClockText(FTotal.Elapsed * (1.0 - FTotal.Fraction) / FTotal.Fraction)});
  }
  text += FitColumns(total, columns, TCut::End) + "\n";
  text += kWrap;
  std::fputs(text.c_str(), FOut);
  std::fflush(FOut);
  FDrawnLines = static_cast<int>(FRunning.size()) + 1;
}

}  // namespace corvane
