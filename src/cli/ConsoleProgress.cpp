#include "ConsoleProgress.h"

#include <cmath>

namespace corvane {
namespace {

// Terminal control: lines that do not wrap while the drawing is made (a wrapped line would
// throw the count of lines to erase off), and the erasing itself.
constexpr const char* kNoWrap = "\x1b[?7l";
constexpr const char* kWrap = "\x1b[?7h";

std::string PercentText(int Percent) {
  std::string text = std::to_string(Percent) + "%";
  return std::string(text.size() < 4 ? 4 - text.size() : 0, ' ') + text;
}

}  // namespace

std::string ClockText(double Seconds) {
  const auto whole = static_cast<long long>(std::llround(std::max(Seconds, 0.0)));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

TConsoleProgress::TConsoleProgress(TMode Mode, std::FILE* Out, std::FILE* Err)
    : FMode(Mode), FOut(Out), FErr(Err) {}

TConsoleProgress::~TConsoleProgress() {
  Finish();
}

void TConsoleProgress::Print(const std::string& Line) {
  if (FMode == TMode::Quiet) return;
  Erase();
  std::fprintf(FOut, "%s\n", Line.c_str());
  std::fflush(FOut);
  Redraw();
}

void TConsoleProgress::PrintNote(const std::string& Line) {
  if (FMode != TMode::Quiet) PrintError(Line);
}

void TConsoleProgress::PrintError(const std::string& Line) {
  Erase();
  std::fprintf(FErr, "%s\n", Line.c_str());
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
  std::string text = kNoWrap;
  for (const TRunning& job : FRunning) {
    text += PercentText(job.Percent) + "  " + job.Label + "\n";
  }
  const int percent = static_cast<int>(std::floor(FTotal.Fraction * 100.0));
  text += PercentText(percent) + "  total: " + std::to_string(FTotal.Ended) + " of " +
          std::to_string(FTotal.Jobs) + " done, " + ClockText(FTotal.Elapsed) + " elapsed";
  // Too early to tell until a little of the work is done.
  if (FTotal.Fraction >= 0.01 && FTotal.Fraction < 1.0) {
    text += ", about " + ClockText(FTotal.Elapsed * (1.0 - FTotal.Fraction) / FTotal.Fraction) +
            " left";
  }
  text += "\n";
  text += kWrap;
  std::fputs(text.c_str(), FOut);
  std::fflush(FOut);
  FDrawnLines = static_cast<int>(FRunning.size()) + 1;
}

}  // namespace corvane
