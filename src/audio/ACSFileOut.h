#pragma once

#include <memory>
#include <string>

#include "ACSOutput.h"
#include "File.h"

namespace corvane {

enum TFileOutputMode { foRewrite, foAppend };

// A sink writing to a file, which a file sink creates per run.
class TACSStreamedOutput : public TACSOutput {
 protected:
  // Created by PrepareOutput, released by FinishOutput; used only by the running thread.
  std::unique_ptr<TFile> FStream;
};

// A sink writing a named file. It always creates or replaces the file: appending to an
// encoded stream would corrupt it.
class TACSFileOut : public TACSStreamedOutput {
 public:
  const std::string& FileName() const { return FFileName; }
  void SetFileName(std::string Value) { FFileName = std::move(Value); }
  TFileOutputMode FileMode() const { return FFileMode; }
  virtual void SetFileMode(TFileOutputMode) { FFileMode = foRewrite; }

 protected:
  std::string FFileName;
  TFileOutputMode FFileMode = foRewrite;
};

}  // namespace corvane
