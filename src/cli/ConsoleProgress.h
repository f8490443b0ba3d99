#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "TextFormat.h"

namespace corvane {

// What the command line prints while it converts. On a terminal, the running jobs and a total
// are drawn below everything else and redrawn in place; lines printed meanwhile appear above
// them. Elsewhere (a pipe, a file) only whole lines are written, one per event. Quiet keeps
// errors alone.
class TConsoleProgress {
 public:
  enum class TMode { Quiet, Lines, Terminal };

  TConsoleProgress(TMode Mode, std::FILE* Out, std::FILE* Err);
  // Erases what is drawn.
  ~TConsoleProgress();
  TConsoleProgress(const TConsoleProgress&) = delete;
  TConsoleProgress& operator=(const TConsoleProgress&) = delete;

  TMode Mode() const { return FMode; }

  // A line of news on the output, of a note on the error output (neither in quiet mode), or
  // of an error on the error output.
  void Print(const std::string& Line);
  void PrintNote(const std::string& Line);
  void PrintError(const std::string& Line);

  struct TRunning {
    std::string Label;
    int Percent = 0;
  };
  struct TTotal {
    double Fraction = 0;  // of the whole work, 0 to 1
    double Elapsed = 0;   // seconds
    int Ended = 0;
    int Jobs = 0;
  };
  // Draws the running jobs and the total in place of the last drawing (terminal mode only),
  // each line cut to the terminal's width.
  void Draw(std::vector<TRunning> Running, const TTotal& Total);
  // Erases the drawing for good.
  void Finish();

 private:
  void Erase();
  void Redraw();

  TMode FMode;
  std::FILE* FOut;
  std::FILE* FErr;
  std::vector<TRunning> FRunning;
  TTotal FTotal;
  bool FDrawing = false;
  int FDrawnLines = 0;
};

// Text cut to at most Columns terminal columns with "…" where it was cut: in the middle, which
// keeps both a file name's start and its end, or at the end. A CJK character takes two columns;
// bytes that are no UTF-8 (a legacy GBK name) one each.
enum class TCut { Middle, End };
std::string FitColumns(const std::string& Text, int Columns, TCut Where);

// The width of the terminal Out writes to; else $COLUMNS; else 80.
int TerminalColumns(std::FILE* Out);

}  // namespace corvane
